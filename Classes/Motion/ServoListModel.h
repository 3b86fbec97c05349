// The Motion page's list of the servos on the bus: each servo's live values, whether it still
// answers, whether it is in the sequence (its check box), and its colour in the position plot (a
// swatch beside its ID).
#pragma once

#include "Api/Bus/ServoAccess.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QMap>

#include <functional>
#include <optional>

class ServoListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { IdColumn, PositionColumn, VoltageColumn, TemperatureColumn, TorqueColumn, ColumnCount };
    static QColor silentColor() { return QColor(150, 150, 150); }
    // The text of a value never read.
    static QString unknownText() { return QStringLiteral("–"); }

    explicit ServoListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Qt::CheckStateRole of the ID column: the user takes a servo into the sequence or out of it.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The servos a scan found, replacing the list in ascending ID order: a servo found again keeps its
    // check state and values, a new one starts checked. Does not emit checkedIdsChanged: the caller
    // reads checkedIds() after a scan.
    void setFoundServos(const QList<int>& ids);
    // New values from a servo; it answers.
    void updateState(int id, const ServoAccess::LiveState& state);
    // New positions by servo ID; every servo given answers.
    void updatePositions(const QMap<int, int>& positions);
    // The servo stopped answering: it stays, greyed, until it answers again.
    void markSilent(int id);
    // What a move or a torque command has just made true of the servo's torque.
    void setTorqueOn(int id, bool on);
    bool isAnswering(int id) const;

    QList<int> ids() const;
    QList<int> checkedIds() const;
    void setChecked(int id, bool checked);
    // The row of a servo, or -1; the servo of a row, or -1.
    int rowOf(int id) const;
    int idAt(int row) const;
    // The servo's colour in the plot, by its place in the list; invalid for a servo not listed.
    QColor colourOf(int id) const;

    // Tells the views that every header text changed (the language did).
    void retranslate();

signals:
    void checkedIdsChanged(const QList<int>& ids);

private:
    // A cell of this table (checkIndex would warn about the invalid ones views ask for).
    bool isCell(const QModelIndex& index) const;
    struct Servo {
        int id = 0;
        bool checked = true;
        bool answering = true;
        std::optional<int> position;
        std::optional<int> voltageMillivolts;
        std::optional<int> temperature;
        std::optional<bool> torqueOn;
    };

    QString displayText(const Servo& servo, int column) const;
    static QString withUnit(const QString& text, int column);
    QString headerText(int section) const;
    // Applies change to the servo's entry and tells the views its row changed.
    void changeServo(int id, const std::function<void(Servo&)>& change);

    QList<Servo> m_servos;
};
