// The Motion page's sequence table: one row per step of a motion, with its name, move time, pause,
// curve and the position of each servo in the sequence, edited in place within the motion file's ranges.
#pragma once

#include "Api/Bus/MotionFile.h"

#include <QAbstractTableModel>
#include <QColor>

#include <optional>

class SequenceModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { NameColumn, TimeColumn, PauseColumn, CurveColumn, FirstServoColumn };
    static constexpr int maximumNameLength = 64;
    static constexpr int appendedStepTimeMs = 1000;
    static QColor playingRowColor() { return QColor(255, 214, 153); }

    struct ValueRange {
        int minimum = 0;
        int maximum = 0;
    };
    // The values a numeric column takes; none for the name and the curve.
    static std::optional<ValueRange> rangeOf(int column);

    explicit SequenceModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The curve's name in the table (its EditRole is its name in the file).
    static QString curveText(MotionCurve curve);

    // Qt::EditRole only; a number as int or as text, an empty text clears a servo's position, a
    // curve as its name in the file ("ease"). Refuses
    // (false, nothing changed) a value outside its column's range or text that is no whole number.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The servos with a column, ascending.
    QList<int> servoIds() const;
    // Adds a column for each new servo (no position in any step yet) and removes the column of each
    // servo left out, dropping its positions from every step.
    void setServoIds(const QList<int>& ids);
    // The servo of a column, or -1; the column of a servo, or -1.
    int servoIdAt(int column) const;
    int columnOf(int servoId) const;

    // A motion loaded from a file: its servos become the columns, and it counts as unmodified.
    void setMotion(const Motion& motion);
    Motion motion() const;
    int repeat() const;
    void setRepeat(int repeat);

    // Appends a captured pose (positions of servos without a column are left out, each position kept
    // within the file's range) as "step N"; returns its row.
    int appendStep(const QMap<int, int>& positions);
    void removeStep(int row);
    // Moves a step by delta rows (-1 up, +1 down); false when that leaves the table.
    bool moveStep(int row, int delta);
    MotionStep step(int row) const;

    // The row being played (-1: none) is highlighted.
    void setPlayingRow(int row);
    int playingRow() const;

    // Whether the sequence changed since it was loaded or saved.
    bool isModified() const;
    void markSaved();

    // Tells the views that every header text changed (the language did).
    void retranslate();

signals:
    void modifiedChanged(bool modified);

private:
    // A cell of this table (checkIndex would warn about the invalid ones views ask for).
    bool isCell(const QModelIndex& index) const;
    QVariant displayValue(const QModelIndex& index) const;
    QString headerText(int section) const;
    bool setName(MotionStep& step, const QVariant& value);
    bool setPosition(MotionStep& step, int servoId, const QVariant& value);
    bool dropPositions(int servoId);  // true when some step had a position for it
    void insertServoColumn(int servoId);
    void removeServoColumn(int servoId);
    void emitRowChanged(int row, const QList<int>& roles);
    void setModified(bool modified);

    Motion m_motion;
    QList<int> m_servoIds;
    int m_playingRow = -1;
    bool m_modified = false;
};
