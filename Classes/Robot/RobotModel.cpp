// Every servo of the robot with its live values and its stored settings, edits apart.
#include "Classes/Robot/RobotModel.h"

#include "Api/Bus/Protocol.h"
#include "Tools/BundleLanguage.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

QString textFor(const QString& key)
{
    return BundleLanguage::localizedStringForKey(key);
}

QString unknownText()
{
    return QStringLiteral("–");
}

QString volts(int millivolts)
{
    return QStringLiteral("%1 V").arg(SVProtocol::voltsFromMillivolts(millivolts), 0, 'f', 1);
}

// A value typed in a cell as the setting's own number within its range: volts become millivolts.
std::optional<int> settingValue(const SettingField& field, const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::abs(number) > 1e6)
        return std::nullopt;
    const int result = int(std::lround(field.kind == SettingField::Kind::Volts ? number * 1000 : number));
    return field.inRange(result) ? std::optional<int>(result) : std::nullopt;
}

// Why a value typed in a setting's cell is refused: the setting's range from the field table.
QString outOfRangeText(const SettingField& field, const QVariant& typed)
{
    return BundleLanguage::withValues(textFor(QStringLiteral("robot_out_of_range")),
                                      {RobotModel::titleOf(QLatin1String(field.key)), field.valueText(field.minimum),
                                       field.valueText(field.maximum), typed.toString()});
}

}  // namespace

RobotModel::RobotModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

const QList<const SettingField*>& RobotModel::settingFields()
{
    static const QList<const SettingField*> fields = [] {
        QList<const SettingField*> list;
        for (const SettingField& field : SettingField::all())
            if (field.member != &ServoSettings::id)
                list.append(&field);
        return list;
    }();
    return fields;
}

const SettingField* RobotModel::fieldOf(int column)
{
    return settingFields().value(column - FirstSettingColumn, nullptr);
}

int RobotModel::columnOf(const QString& key)
{
    for (qsizetype i = 0; i < settingFields().size(); ++i)
        if (key == QLatin1String(settingFields()[i]->key))
            return FirstSettingColumn + int(i);
    return -1;
}

QString RobotModel::titleOf(const QString& key)
{
    return textFor(QStringLiteral("robot_col_") + key);
}

int RobotModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_servos.size());
}

int RobotModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FirstSettingColumn + int(settingFields().size());
}

bool RobotModel::isCell(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

QVariant RobotModel::data(const QModelIndex& index, int role) const
{
    if (!isCell(index))
        return {};
    const Servo& servo = m_servos.at(index.row());
    const SettingField* field = fieldOf(index.column());
    std::optional<int> setting;
    if (field)
        setting = value(servo.id, QLatin1String(field->key));
    const bool isSwitch = field && field->kind == SettingField::Kind::Switch;
    switch (role) {
    case Qt::DisplayRole:
        return isSwitch ? QVariant() : QVariant(displayText(servo, index.column()));
    case Qt::AccessibleTextRole:
        if (isSwitch && setting)
            return textFor(*setting ? QStringLiteral("robot_on") : QStringLiteral("robot_off"));
        return displayText(servo, index.column());
    case Qt::EditRole:
        return editValue(servo, index.column());
    case Qt::CheckStateRole:
        if (isSwitch && setting)
            return *setting ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == NameColumn ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
    case Qt::ForegroundRole:
        return servo.answering ? QVariant() : QVariant(silentColor());
    case Qt::BackgroundRole:
        return background(servo, index.column());
    case Qt::ToolTipRole:
        return toolTip(servo, index.column());
    default:
        return {};
    }
}

QVariant RobotModel::editValue(const Servo& servo, int column) const
{
    if (column == NameColumn)
        return name(servo.id);
    const SettingField* field = fieldOf(column);
    if (!field)
        return {};
    const std::optional<int> setting = value(servo.id, QLatin1String(field->key));
    if (!setting)
        return {};
    return field->kind == SettingField::Kind::Volts ? QVariant(SVProtocol::voltsFromMillivolts(*setting)) : QVariant(*setting);
}

QString RobotModel::displayText(const Servo& servo, int column) const
{
    const auto live = [&](auto text) { return servo.state ? text(*servo.state) : unknownText(); };
    switch (column) {
    case IdColumn:
        return QString::number(servo.id);
    case NameColumn:
        return name(servo.id);
    case PositionColumn:
        if (m_recording && m_ranges.contains(servo.id))
            return QStringLiteral("%1 (%2–%3)").arg(servo.state ? servo.state->position : 0)
                .arg(m_ranges[servo.id].lowest).arg(m_ranges[servo.id].highest);
        return live([](const ServoAccess::LiveState& s) { return QString::number(s.position); });
    case VoltageColumn:
        return live([](const ServoAccess::LiveState& s) { return volts(s.voltageMillivolts); });
    case TemperatureColumn:
        return live([](const ServoAccess::LiveState& s) { return QStringLiteral("%1 ℃").arg(s.temperature); });
    default:
        break;
    }
    const SettingField* field = fieldOf(column);
    const std::optional<int> setting = value(servo.id, QLatin1String(field->key));
    if (!setting)
        return unknownText();
    return field->kind == SettingField::Kind::Volts ? volts(*setting) : QString::number(*setting);
}

QVariant RobotModel::background(const Servo& servo, int column) const
{
    const SettingField* field = fieldOf(column);
    if (!field)
        return {};
    const QString key = QLatin1String(field->key);
    if (servo.differing.contains(key))
        return differsColor();
    if (servo.edits.contains(key))
        return editedColor();
    return {};
}

QString RobotModel::toolTip(const Servo& servo, int column) const
{
    if (!servo.answering)
        return textFor(QStringLiteral("robot_silent"));
    const SettingField* field = fieldOf(column);
    if (!field)
        return {};
    const QString key = QLatin1String(field->key);
    if (servo.differing.contains(key) && servo.stored)
        return BundleLanguage::withValues(textFor(QStringLiteral("robot_differs")),
                                          {field->valueText(servo.edits.value(key)), field->valueText((*servo.stored).*field->member)});
    if (servo.edits.contains(key))
        return textFor(QStringLiteral("robot_edited"));
    return {};
}

QVariant RobotModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList fixedKeys{QStringLiteral("robot_col_id"), QStringLiteral("robot_col_name"), QStringLiteral("robot_col_position"),
                                       QStringLiteral("robot_col_voltage"), QStringLiteral("robot_col_temperature")};
    const SettingField* field = fieldOf(section);
    const QString title = field ? titleOf(QLatin1String(field->key)) : textFor(fixedKeys.at(section));
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return title;
    if (role == Qt::ToolTipRole && field)
        return QStringLiteral("%1 (%2)").arg(title, field->rangeText());
    return {};
}

Qt::ItemFlags RobotModel::flags(const QModelIndex& index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const SettingField* field = fieldOf(index.column());
    if (index.column() == NameColumn)
        return flags | Qt::ItemIsEditable;
    if (!field || !m_servos.at(index.row()).stored || m_locked)
        return flags;
    return flags | (field->kind == SettingField::Kind::Switch ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

bool RobotModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!isCell(index) || !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    const int id = idAt(index.row());
    if (index.column() == NameColumn)
        return role == Qt::EditRole && setName(id, value);
    return setSetting(id, *fieldOf(index.column()), value, role);
}

bool RobotModel::setName(int id, const QVariant& value)
{
    const Result<QString> name = SettingsFile::checkedName(value.toString());
    if (!name) {
        emit editRefused(BundleLanguage::withValues(textFor(QStringLiteral("robot_name_refused")),
                                                    {QString::number(SettingsFile::nameLengthLimit)}));
        return false;
    }
    QMap<int, QString> names = m_names;
    names.insert(id, *name);
    setNames(names);
    return true;
}

// An offset goes to the servo at once (deviationEdited), and only once it is within its range.
bool RobotModel::setSetting(int id, const SettingField& field, const QVariant& value, int role)
{
    std::optional<int> setting;
    if (role == Qt::CheckStateRole && field.kind == SettingField::Kind::Switch)
        setting = value.toInt() == Qt::Checked ? 1 : 0;
    else if (role == Qt::EditRole)
        setting = settingValue(field, value);
    else
        return false;
    if (!setting) {
        emit editRefused(outOfRangeText(field, value));
        return false;
    }
    setEdit(id, QLatin1String(field.key), *setting);
    if (field.member == &ServoSettings::deviation) {
        // Back at the stored offset, the servo has nothing unstored.
        servoWithId(id)->liveOffset = isEdited(id, QLatin1String(field.key));
        emit deviationEdited(id, *setting);
    }
    return true;
}

void RobotModel::setServos(const QList<int>& ids)
{
    QList<int> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QList<Servo> servos;
    for (int id : sorted) {
        Servo servo;
        servo.id = id;
        const Servo* known = servoWithId(id);
        servos.append(known ? *known : servo);
    }
    beginResetModel();
    m_servos = servos;
    endResetModel();
}

QList<int> RobotModel::ids() const
{
    QList<int> ids;
    for (const Servo& servo : m_servos)
        ids.append(servo.id);
    return ids;
}

int RobotModel::idAt(int row) const
{
    return row >= 0 && row < m_servos.size() ? m_servos[row].id : -1;
}

int RobotModel::rowOf(int id) const
{
    for (qsizetype row = 0; row < m_servos.size(); ++row)
        if (m_servos[row].id == id)
            return int(row);
    return -1;
}

RobotModel::Servo* RobotModel::servoWithId(int id)
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_servos[row];
}

const RobotModel::Servo* RobotModel::servoWithId(int id) const
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_servos[row];
}

void RobotModel::changed(int row)
{
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void RobotModel::liveChanged(int row)
{
    if (row >= 0)
        emit dataChanged(index(row, PositionColumn), index(row, TemperatureColumn));
}

void RobotModel::setState(int id, const ServoAccess::LiveState& state)
{
    if (Servo* servo = servoWithId(id)) {
        servo->state = state;
        if (std::exchange(servo->answering, true))
            liveChanged(rowOf(id));
        else
            changed(rowOf(id));  // no longer greyed
    }
}

void RobotModel::setPosition(int id, int position)
{
    if (Servo* servo = servoWithId(id)) {
        if (!servo->state)
            servo->state = ServoAccess::LiveState{};
        servo->state->position = position;
        liveChanged(rowOf(id));
    }
}

void RobotModel::markSilent(int id)
{
    if (Servo* servo = servoWithId(id)) {
        servo->answering = false;
        changed(rowOf(id));
    }
}

void RobotModel::setStored(int id, const ServoSettings& settings)
{
    Servo* servo = servoWithId(id);
    if (!servo)
        return;
    servo->stored = storedFrom(*servo, settings);
    servo->answering = true;
    for (const QString& key : servo->edits.keys())
        if ((*servo->stored).*SettingField::byKey(key)->member == servo->edits.value(key))
            servo->edits.remove(key);
    servo->differing.clear();
    changed(rowOf(id));
}

ServoSettings RobotModel::storedFrom(const Servo& servo, ServoSettings read) const
{
    if (servo.liveOffset && servo.stored)
        read.deviation = servo.stored->deviation;
    return read;
}

bool RobotModel::hasStored(int id) const
{
    const Servo* servo = servoWithId(id);
    return servo && servo->stored;
}

std::optional<int> RobotModel::value(int id, const QString& key) const
{
    const Servo* servo = servoWithId(id);
    const SettingField* field = SettingField::byKey(key);
    if (!servo || !field)
        return std::nullopt;
    if (servo->edits.contains(key))
        return servo->edits.value(key);
    if (servo->stored)
        return (*servo->stored).*field->member;
    return std::nullopt;
}

void RobotModel::setEdit(int id, const QString& key, int value)
{
    Servo* servo = servoWithId(id);
    const SettingField* field = SettingField::byKey(key);
    if (!servo || !field || !field->inRange(value))
        return;
    if (servo->stored && (*servo->stored).*field->member == value && !servo->differing.contains(key))
        servo->edits.remove(key);
    else
        servo->edits.insert(key, value);
    servo->differing.removeAll(key);
    changed(rowOf(id));
}

bool RobotModel::isEdited(int id, const QString& key) const
{
    const Servo* servo = servoWithId(id);
    return servo && servo->edits.contains(key);
}

QList<RobotWrite::Change> RobotModel::changes() const
{
    QList<RobotWrite::Change> changes;
    for (const Servo& servo : m_servos) {
        if (servo.edits.isEmpty() || !servo.stored)
            continue;
        RobotWrite::Change change{servo.id, servo.edits, std::nullopt};
        if (servo.edits.contains(QStringLiteral("deviation")))
            change.storedDeviation = servo.stored->deviation;
        changes.append(change);
    }
    return changes;
}

void RobotModel::applyWritten(const RobotWrite::Outcome& outcome)
{
    for (const RobotWrite::ServoOutcome& written : outcome.servos) {
        Servo* servo = servoWithId(written.servoId);
        if (!servo || !written.answered)
            continue;
        if (written.writtenKeys.contains(QStringLiteral("deviation")))
            servo->liveOffset = false;  // the write stored it
        servo->stored = storedFrom(*servo, written.readBack);
        servo->differing = written.differingKeys;
        for (const QString& key : written.writtenKeys)
            if (!written.differingKeys.contains(key))
                servo->edits.remove(key);
        changed(rowOf(written.servoId));
    }
}

QStringList RobotModel::differingKeys(int id) const
{
    const Servo* servo = servoWithId(id);
    return servo ? servo->differing : QStringList{};
}

void RobotModel::setNames(const QMap<int, QString>& names)
{
    QMap<int, QString> kept;
    for (auto it = names.begin(); it != names.end(); ++it)
        if (!it.value().isEmpty())
            kept.insert(it.key(), it.value());
    if (kept == m_names)
        return;
    m_names = kept;
    if (rowCount() > 0)
        emit dataChanged(index(0, NameColumn), index(rowCount() - 1, NameColumn));
    emit namesChanged(m_names);
}

QList<int> RobotModel::applyFile(const QList<SettingsFile::Entry>& entries)
{
    QList<int> missing;
    QMap<int, QString> names = m_names;
    for (const SettingsFile::Entry& entry : entries) {
        const int id = entry.id();
        if (!entry.name.isEmpty())
            names.insert(id, entry.name);
        if (!servoWithId(id)) {
            missing.append(id);
            continue;
        }
        for (auto it = entry.values.begin(); it != entry.values.end(); ++it)
            if (it.key() != QLatin1String("id"))
                setEdit(id, it.key(), it.value());
    }
    setNames(names);
    keepFile(entries);
    return missing;
}

QList<SettingsFile::Entry> RobotModel::fileEntries() const
{
    QMap<int, SettingsFile::Entry> file;
    for (int id : m_names.keys())
        file.insert(id, {{{QStringLiteral("id"), id}}, {}});
    for (const SettingsFile::Entry& entry : m_file)
        file.insert(entry.id(), entry);
    for (const Servo& servo : m_servos)
        if (servo.stored) {
            ServoSettings shown = withValues(*servo.stored, servo.edits);
            shown.id = servo.id;
            SettingValues values;
            for (const SettingField& field : SettingField::all())
                values.insert(QLatin1String(field.key), shown.*field.member);
            file.insert(servo.id, {values, {}});
        }
    for (auto it = file.begin(); it != file.end(); ++it)
        it->name = m_names.value(it.key());
    return file.values();
}

void RobotModel::startRanges(const QList<int>& ids)
{
    m_ranges.clear();
    for (int id : ids)
        if (const Servo* servo = servoWithId(id); servo && servo->state)
            m_ranges.insert(id, TaughtRange::at(servo->state->position));
    m_recording = true;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void RobotModel::includePositions(const QMap<int, int>& positions)
{
    TaughtRange::includeAll(m_ranges, positions);
    for (auto it = positions.begin(); it != positions.end(); ++it)
        setPosition(it.key(), it.value());
}

void RobotModel::endRanges()
{
    m_recording = false;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void RobotModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}
