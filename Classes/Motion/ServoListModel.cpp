// The servos on the bus, their live values and whether each is in the sequence.
#include "Classes/Motion/ServoListModel.h"

#include "Api/Bus/Protocol.h"
#include "Classes/Motion/ServoColours.h"
#include "Classes/Robot/ServoNames.h"
#include "Tools/BundleLanguage.h"

#include <algorithm>

namespace {

template <typename Value, typename ToText>
QString textOrUnknown(const std::optional<Value>& value, ToText toText)
{
    return value ? toText(*value) : ServoListModel::unknownText();
}

QString silentText()
{
    return BundleLanguage::localizedStringForKey(QStringLiteral("motion_servo_silent"));
}

}  // namespace

ServoListModel::ServoListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    // A servo is listed with the name the robot gives it.
    connect(&ServoNames::shared(), &ServoNames::changed, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, IdColumn), index(rowCount() - 1, IdColumn));
    });
}

int ServoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_servos.size());
}

int ServoListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool ServoListModel::isCell(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

QVariant ServoListModel::data(const QModelIndex& index, int role) const
{
    if (!isCell(index))
        return {};
    const Servo& servo = m_servos.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(servo, index.column());
    case Qt::CheckStateRole:
        if (index.column() == IdColumn)
            return servo.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == IdColumn)
            return colourOf(servo.id);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() != TorqueColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ForegroundRole:
        return servo.answering ? QVariant() : QVariant(silentColor());
    case Qt::ToolTipRole:
        return servo.answering ? QVariant() : QVariant(silentText());
    case Qt::AccessibleTextRole: {
        const QString text = withUnit(displayText(servo, index.column()), index.column());
        return servo.answering ? text : QStringLiteral("%1, %2").arg(text, silentText());
    }
    default:
        return {};
    }
}

QString ServoListModel::displayText(const Servo& servo, int column) const
{
    switch (column) {
    case IdColumn:
        return ServoNames::shared().label(servo.id);
    case PositionColumn:
        return textOrUnknown(servo.position, [](int position) { return QString::number(position); });
    case VoltageColumn:
        return textOrUnknown(servo.voltageMillivolts,
            [](int millivolts) { return QString::number(SVProtocol::voltsFromMillivolts(millivolts), 'f', 1); });
    case TemperatureColumn:
        return textOrUnknown(servo.temperature, [](int celsius) { return QString::number(celsius); });
    default:
        return textOrUnknown(servo.torqueOn, [](bool on) {
            return BundleLanguage::localizedStringForKey(on ? QStringLiteral("motion_torque_on") : QStringLiteral("motion_torque_off"));
        });
    }
}

// The column headers give the units; assistive technology reads each value with its own.
QString ServoListModel::withUnit(const QString& text, int column)
{
    if (text == unknownText())
        return text;
    if (column == VoltageColumn)
        return text + QStringLiteral(" V");
    if (column == TemperatureColumn)
        return text + QStringLiteral(" ℃");
    return text;
}

QVariant ServoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headerText(section);
    // The unit alone heads the voltage and temperature: their tip and assistive technology name them.
    if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
        if (section == VoltageColumn || section == TemperatureColumn)
            return BundleLanguage::localizedStringForKey(
                section == VoltageColumn ? QStringLiteral("plot_voltage") : QStringLiteral("plot_temperature"));
        return role == Qt::AccessibleTextRole ? QVariant(headerText(section)) : QVariant();
    }
    return {};
}

QString ServoListModel::headerText(int section) const
{
    static const char* const keys[ColumnCount] = { "motion_servo_id", "motion_servo_position", "motion_servo_voltage",
        "motion_servo_temperature", "motion_servo_torque" };
    return BundleLanguage::localizedStringForKey(QString::fromLatin1(keys[section]));
}

Qt::ItemFlags ServoListModel::flags(const QModelIndex& index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    const Qt::ItemFlags shown = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    return index.column() == IdColumn ? shown | Qt::ItemIsUserCheckable : shown;
}

bool ServoListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != IdColumn || !isCell(index))
        return false;
    setChecked(idAt(index.row()), value.toInt() == Qt::Checked);
    return true;
}

void ServoListModel::setFoundServos(const QList<int>& ids)
{
    QList<int> found = ids;
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (int row = rowCount() - 1; row >= 0; --row) {
        if (found.contains(m_servos.at(row).id))
            continue;
        beginRemoveRows({}, row, row);
        m_servos.removeAt(row);
        endRemoveRows();
    }
    for (int id : found) {
        if (rowOf(id) >= 0) {
            changeServo(id, [](Servo& servo) { servo.answering = true; });
            continue;
        }
        const auto at = std::lower_bound(m_servos.cbegin(), m_servos.cend(), id,
            [](const Servo& servo, int wanted) { return servo.id < wanted; });
        const int row = int(at - m_servos.cbegin());
        Servo servo;
        servo.id = id;
        beginInsertRows({}, row, row);
        m_servos.insert(row, servo);
        endInsertRows();
    }
}

void ServoListModel::updateState(int id, const ServoAccess::LiveState& state)
{
    changeServo(id, [&state](Servo& servo) {
        servo.answering = true;
        servo.position = state.position;
        servo.voltageMillivolts = state.voltageMillivolts;
        servo.temperature = state.temperature;
        servo.torqueOn = state.motorLoaded;
    });
}

// One change for the rows between the first and last servo given: a view handles one signal, not
// one for each servo of a large bus.
void ServoListModel::updatePositions(const QMap<int, int>& positions)
{
    int first = rowCount();
    int last = -1;
    for (auto it = positions.cbegin(); it != positions.cend(); ++it) {
        const int row = rowOf(it.key());
        if (row < 0)
            continue;
        m_servos[row].answering = true;
        m_servos[row].position = it.value();
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last >= 0)
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void ServoListModel::markSilent(int id)
{
    changeServo(id, [](Servo& servo) { servo.answering = false; });
}

void ServoListModel::setTorqueOn(int id, bool on)
{
    changeServo(id, [on](Servo& servo) { servo.torqueOn = on; });
}

void ServoListModel::changeServo(int id, const std::function<void(Servo&)>& change)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    change(m_servos[row]);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

bool ServoListModel::isAnswering(int id) const
{
    const int row = rowOf(id);
    return row >= 0 && m_servos.at(row).answering;
}

QList<int> ServoListModel::ids() const
{
    QList<int> all;
    for (const Servo& servo : m_servos)
        all.append(servo.id);
    return all;
}

QList<int> ServoListModel::checkedIds() const
{
    QList<int> checked;
    for (const Servo& servo : m_servos)
        if (servo.checked)
            checked.append(servo.id);
    return checked;
}

void ServoListModel::setChecked(int id, bool checked)
{
    const int row = rowOf(id);
    if (row < 0 || m_servos.at(row).checked == checked)
        return;
    m_servos[row].checked = checked;
    const QModelIndex cell = index(row, IdColumn);
    emit dataChanged(cell, cell, { Qt::CheckStateRole });
    emit checkedIdsChanged(checkedIds());
}

int ServoListModel::rowOf(int id) const
{
    const auto found = std::find_if(m_servos.cbegin(), m_servos.cend(), [id](const Servo& servo) { return servo.id == id; });
    return found == m_servos.cend() ? -1 : int(found - m_servos.cbegin());
}

QColor ServoListModel::colourOf(int id) const
{
    const int row = rowOf(id);
    return row < 0 ? QColor() : ServoColours::colourAt(row);
}

int ServoListModel::idAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_servos.at(row).id : -1;
}

void ServoListModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}
