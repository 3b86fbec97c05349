// The sequence table: the steps of a motion as rows, the servos in the sequence as columns.
#include "Classes/Motion/SequenceModel.h"

#include "Classes/Robot/ServoNames.h"
#include "Tools/BundleLanguage.h"

#include <QBrush>
#include <QFont>
#include <QRegularExpression>

#include <algorithm>

namespace {

// A whole number given as an integer or as decimal text; nothing for any other value.
std::optional<qlonglong> wholeNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        return value.toLongLong();
    case QMetaType::QString: {
        static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
        const QString text = value.toString().trimmed();
        bool fits = false;
        const qlonglong number = text.toLongLong(&fits);
        if (!decimal.match(text).hasMatch() || !fits)
            return std::nullopt;
        return number;
    }
    default:
        return std::nullopt;
    }
}

std::optional<int> numberInRange(const QVariant& value, const SequenceModel::ValueRange& range)
{
    const std::optional<qlonglong> number = wholeNumber(value);
    if (!number || *number < range.minimum || *number > range.maximum)
        return std::nullopt;
    return int(*number);
}

bool isEmptyText(const QVariant& value)
{
    return value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty();
}

QList<int> ascendingUnique(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

}  // namespace

std::optional<SequenceModel::ValueRange> SequenceModel::rangeOf(int column)
{
    if (column == NameColumn || column == CurveColumn)
        return std::nullopt;
    if (column == TimeColumn || column == PauseColumn)
        return ValueRange { 0, MotionFile::maximumTimeMs };
    return ValueRange { 0, MotionFile::maximumPosition };
}

SequenceModel::SequenceModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    connect(&ServoNames::shared(), &ServoNames::changed, this, [this] { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); });
}

int SequenceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_motion.steps.size());
}

int SequenceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FirstServoColumn + int(m_servoIds.size());
}

bool SequenceModel::isCell(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

QVariant SequenceModel::data(const QModelIndex& index, int role) const
{
    if (!isCell(index))
        return {};
    const bool playing = index.row() == m_playingRow;
    switch (role) {
    case Qt::DisplayRole:
        return displayValue(index);
    case Qt::EditRole:
        if (index.column() == CurveColumn)
            return MotionFile::curveName(m_motion.steps.at(index.row()).curve);
        return displayValue(index);
    case Qt::TextAlignmentRole:
        if (index.column() != NameColumn && index.column() != CurveColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::BackgroundRole:
        return playing ? QVariant(QBrush(playingRowColor())) : QVariant();
    case Qt::FontRole:
        if (playing) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QVariant SequenceModel::displayValue(const QModelIndex& index) const
{
    const MotionStep& step = m_motion.steps.at(index.row());
    switch (index.column()) {
    case NameColumn:
        return step.name;
    case TimeColumn:
        return step.timeMs;
    case PauseColumn:
        return step.pauseMs;
    case CurveColumn:
        return curveText(step.curve);
    default: {
        const auto position = step.positions.constFind(servoIdAt(index.column()));
        return position == step.positions.cend() ? QVariant() : QVariant(*position);
    }
    }
}

QVariant SequenceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    // A servo's column is headed by its ID alone, to stay as narrow as its numbers; the tip and
    // assistive technology say what the number is.
    const bool servo = section >= FirstServoColumn;
    if (role == Qt::DisplayRole)
        return servo ? QString::number(servoIdAt(section)) : headerText(section);
    if (role == Qt::ToolTipRole && servo) {  // the servo's name, when the robot file gives one
        const QString name = ServoNames::shared().name(servoIdAt(section));
        return name.isEmpty() ? headerText(section) : name;
    }
    if (role == Qt::AccessibleTextRole)
        return headerText(section);
    return {};
}

QString SequenceModel::headerText(int section) const
{
    switch (section) {
    case NameColumn:
        return BundleLanguage::localizedStringForKey(QStringLiteral("motion_column_name"));
    case TimeColumn:
        return BundleLanguage::localizedStringForKey(QStringLiteral("motion_column_time"));
    case PauseColumn:
        return BundleLanguage::localizedStringForKey(QStringLiteral("motion_column_pause"));
    case CurveColumn:
        return BundleLanguage::localizedStringForKey(QStringLiteral("motion_column_curve"));
    default:
        return BundleLanguage::localizedStringForKey(QStringLiteral("motion_column_servo"))
            .replace(QStringLiteral("%@"), QString::number(servoIdAt(section)));
    }
}

QString SequenceModel::curveText(MotionCurve curve)
{
    static const char* const keys[] = {"motion_curve_linear", "motion_curve_ease", "motion_curve_through"};
    return BundleLanguage::localizedStringForKey(QString::fromLatin1(keys[int(curve)]));
}

Qt::ItemFlags SequenceModel::flags(const QModelIndex& index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

bool SequenceModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !isCell(index))
        return false;
    MotionStep edited = m_motion.steps.at(index.row());
    bool accepted = false;
    switch (index.column()) {
    case NameColumn:
        accepted = setName(edited, value);
        break;
    case TimeColumn:
    case PauseColumn: {
        const std::optional<int> time = numberInRange(value, *rangeOf(index.column()));
        if (time)
            (index.column() == TimeColumn ? edited.timeMs : edited.pauseMs) = *time;
        accepted = time.has_value();
        break;
    }
    case CurveColumn: {
        const Result<MotionCurve> curve = MotionFile::curveFrom(value.typeId() == QMetaType::QString ? value.toString() : QString());
        if (curve)
            edited.curve = *curve;
        accepted = curve.ok();
        break;
    }
    default:
        accepted = setPosition(edited, servoIdAt(index.column()), value);
    }
    if (!accepted)
        return false;
    if (edited != m_motion.steps.at(index.row())) {
        m_motion.steps[index.row()] = edited;
        emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
        setModified(true);
    }
    return true;
}

bool SequenceModel::setName(MotionStep& step, const QVariant& value)
{
    if (value.typeId() != QMetaType::QString)
        return false;
    const QString name = value.toString().trimmed();
    if (name.size() > maximumNameLength)
        return false;
    step.name = name;
    return true;
}

bool SequenceModel::setPosition(MotionStep& step, int servoId, const QVariant& value)
{
    if (isEmptyText(value)) {
        step.positions.remove(servoId);
        return true;
    }
    const std::optional<int> position = numberInRange(value, *rangeOf(FirstServoColumn));
    if (position)
        step.positions.insert(servoId, *position);
    return position.has_value();
}

QList<int> SequenceModel::servoIds() const
{
    return m_servoIds;
}

void SequenceModel::setServoIds(const QList<int>& ids)
{
    const QList<int> wanted = ascendingUnique(ids);
    for (int id : QList<int>(m_servoIds))
        if (!wanted.contains(id))
            removeServoColumn(id);
    for (int id : wanted)
        if (!m_servoIds.contains(id))
            insertServoColumn(id);
}

void SequenceModel::insertServoColumn(int servoId)
{
    const int at = int(std::lower_bound(m_servoIds.cbegin(), m_servoIds.cend(), servoId) - m_servoIds.cbegin());
    beginInsertColumns({}, FirstServoColumn + at, FirstServoColumn + at);
    m_servoIds.insert(at, servoId);
    endInsertColumns();
}

void SequenceModel::removeServoColumn(int servoId)
{
    const int column = columnOf(servoId);
    beginRemoveColumns({}, column, column);
    m_servoIds.removeAt(column - FirstServoColumn);
    const bool dropped = dropPositions(servoId);
    endRemoveColumns();
    if (dropped)
        setModified(true);
}

bool SequenceModel::dropPositions(int servoId)
{
    bool dropped = false;
    for (MotionStep& step : m_motion.steps)
        dropped = step.positions.remove(servoId) > 0 || dropped;
    return dropped;
}

int SequenceModel::servoIdAt(int column) const
{
    const int at = column - FirstServoColumn;
    return at >= 0 && at < m_servoIds.size() ? m_servoIds.at(at) : -1;
}

int SequenceModel::columnOf(int servoId) const
{
    const qsizetype at = m_servoIds.indexOf(servoId);
    return at < 0 ? -1 : FirstServoColumn + int(at);
}

void SequenceModel::setMotion(const Motion& motion)
{
    beginResetModel();
    m_motion = motion;
    m_servoIds = motion.servoIds();
    m_playingRow = -1;
    endResetModel();
    setModified(false);
}

Motion SequenceModel::motion() const
{
    return m_motion;
}

int SequenceModel::repeat() const
{
    return m_motion.repeat;
}

void SequenceModel::setRepeat(int repeat)
{
    repeat = std::clamp(repeat, 0, MotionFile::maximumRepeat);
    if (repeat == m_motion.repeat)
        return;
    m_motion.repeat = repeat;
    setModified(true);
}

int SequenceModel::appendStep(const QMap<int, int>& positions)
{
    MotionStep step;
    step.name = QStringLiteral("step %1").arg(rowCount() + 1);
    step.timeMs = appendedStepTimeMs;
    step.pauseMs = 0;
    for (auto it = positions.cbegin(); it != positions.cend(); ++it)
        if (m_servoIds.contains(it.key()))
            step.positions.insert(it.key(), std::clamp(it.value(), 0, MotionFile::maximumPosition));
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_motion.steps.append(step);
    endInsertRows();
    setModified(true);
    return row;
}

void SequenceModel::removeStep(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    beginRemoveRows({}, row, row);
    m_motion.steps.removeAt(row);
    if (m_playingRow == row)
        m_playingRow = -1;
    else if (m_playingRow > row)
        --m_playingRow;
    endRemoveRows();
    setModified(true);
}

bool SequenceModel::moveStep(int row, int delta)
{
    const int target = row + delta;
    if (delta == 0 || row < 0 || row >= rowCount() || target < 0 || target >= rowCount())
        return false;
    // Qt names the row the moved one goes before, in the rows as they are before the move.
    beginMoveRows({}, row, row, {}, delta > 0 ? target + 1 : target);
    m_motion.steps.move(row, target);
    if (m_playingRow == row)
        m_playingRow = target;
    else if (m_playingRow >= std::min(row, target) && m_playingRow <= std::max(row, target))
        m_playingRow += delta > 0 ? -1 : 1;
    endMoveRows();
    setModified(true);
    return true;
}

MotionStep SequenceModel::step(int row) const
{
    return row >= 0 && row < rowCount() ? m_motion.steps.at(row) : MotionStep {};
}

void SequenceModel::setPlayingRow(int row)
{
    if (row < 0 || row >= rowCount())
        row = -1;
    if (row == m_playingRow)
        return;
    const int previous = m_playingRow;
    m_playingRow = row;
    emitRowChanged(previous, { Qt::BackgroundRole, Qt::FontRole });
    emitRowChanged(row, { Qt::BackgroundRole, Qt::FontRole });
}

int SequenceModel::playingRow() const
{
    return m_playingRow;
}

void SequenceModel::emitRowChanged(int row, const QList<int>& roles)
{
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1), roles);
}

bool SequenceModel::isModified() const
{
    return m_modified;
}

void SequenceModel::markSaved()
{
    setModified(false);
}

void SequenceModel::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void SequenceModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}
