// The Robot page's table: a row per servo on the bus with its ID, name and live values, then every
// stored setting. Edited values are kept apart from what the servo stores, marked until written;
// after a write, the values read back otherwise than written are marked too. While a range is
// recorded, the position shows the lowest and highest seen so far.
#pragma once

#include "Api/Bus/RobotWrite.h"
#include "Api/Bus/SettingsFile.h"
#include "Api/Bus/TaughtRange.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QMap>

#include <optional>

class RobotModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { IdColumn, NameColumn, PositionColumn, VoltageColumn, TemperatureColumn, FirstSettingColumn };
    static QColor editedColor() { return QColor(255, 224, 178); }
    static QColor differsColor() { return QColor(255, 170, 170); }
    static QColor silentColor() { return QColor(150, 150, 150); }

    explicit RobotModel(QObject* parent = nullptr);

    // The settings of the columns from FirstSettingColumn on, in order (every setting but the ID).
    static const QList<const SettingField*>& settingFields();
    // The setting of a column, or null for ID, name and the live values.
    static const SettingField* fieldOf(int column);
    static int columnOf(const QString& key);
    // A setting's column title in the language in force ("Angle min" for angle_min).
    static QString titleOf(const QString& key);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Edits a name or a setting (Qt::EditRole, a switch also by Qt::CheckStateRole). A name that
    // breaks the names' rule and a setting outside its range are refused with editRefused, the old
    // value kept; a setting equal to the stored value is no longer an edit.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The servos a scan found, in ascending ID order; a servo listed before keeps its values.
    void setServos(const QList<int>& ids);
    QList<int> ids() const;
    int idAt(int row) const;
    int rowOf(int id) const;

    void setState(int id, const ServoAccess::LiveState& state);
    void setPosition(int id, int position);
    void markSilent(int id);
    // What the servo stores, as just read; an edit equal to it is dropped, the others stay. While
    // an offset sent live is not stored, the servo reports that offset: the stored one is kept.
    void setStored(int id, const ServoSettings& settings);
    bool hasStored(int id) const;

    // The value shown: the edit when there is one, else the stored value.
    std::optional<int> value(int id, const QString& key) const;
    void setEdit(int id, const QString& key, int value);
    bool isEdited(int id, const QString& key) const;
    // One change per servo with edits, for RobotWrite.
    QList<RobotWrite::Change> changes() const;
    // After a write: what was written and read back becomes the stored value and its edit goes; a
    // value read back otherwise stays edited and is marked.
    void applyWritten(const RobotWrite::Outcome& outcome);
    QStringList differingKeys(int id) const;

    // Names, by ID: those of the listed servos and of any servo a robot file named.
    QString name(int id) const { return m_names.value(id); }
    QMap<int, QString> names() const { return m_names; }
    void setNames(const QMap<int, QString>& names);
    // A file's settings as edits of the listed servos (its names too); the IDs it lists that the
    // table lacks. The file is kept as with keepFile.
    QList<int> applyFile(const QList<SettingsFile::Entry>& entries);
    // The robot file in use (opened, saved or remembered): the servos of it that the table does not
    // show are saved back unchanged.
    void keepFile(const QList<SettingsFile::Entry>& entries) { m_file = entries; }
    // The robot file to save: each listed servo as the table shows it (edits included), the kept
    // file's other servos unchanged, and any other named servo by its ID; each with its name.
    QList<SettingsFile::Entry> fileEntries() const;

    // Range recording: each servo's range from the positions seen while it runs.
    void startRanges(const QList<int>& ids);
    void includePositions(const QMap<int, int>& positions);
    QMap<int, TaughtRange> ranges() const { return m_ranges; }
    void endRanges();
    // Settings cannot be edited while a write or a recording runs; names always can.
    void setLocked(bool locked) { m_locked = locked; }

    void retranslate();

signals:
    void namesChanged(const QMap<int, QString>& names);
    // A user's edit of a servo's position offset (the page sends it at once).
    void deviationEdited(int id, int deviation);
    // A user's edit was refused: why, in the language in force.
    void editRefused(const QString& message);

private:
    struct Servo {
        int id = 0;
        bool answering = true;
        std::optional<ServoAccess::LiveState> state;
        std::optional<ServoSettings> stored;
        SettingValues edits;
        QStringList differing;  // read back otherwise than written
        bool liveOffset = false;  // runs an offset sent but not stored; stored keeps the stored one
    };
    bool isCell(const QModelIndex& index) const;
    bool setName(int id, const QVariant& value);
    bool setSetting(int id, const SettingField& field, const QVariant& value, int role);
    // Settings as read from a servo, with the stored offset where it runs an offset sent live.
    ServoSettings storedFrom(const Servo& servo, ServoSettings read) const;
    QVariant editValue(const Servo& servo, int column) const;
    QString displayText(const Servo& servo, int column) const;
    QVariant background(const Servo& servo, int column) const;
    QString toolTip(const Servo& servo, int column) const;
    void changed(int row);
    // Only the live values of a row: an editor open in that row keeps what is being typed (the view
    // puts the model's value back into every editor of a changed range).
    void liveChanged(int row);
    Servo* servoWithId(int id);
    const Servo* servoWithId(int id) const;

    QList<Servo> m_servos;
    QMap<int, QString> m_names;
    QList<SettingsFile::Entry> m_file;
    QMap<int, TaughtRange> m_ranges;
    bool m_recording = false;
    bool m_locked = false;
};
