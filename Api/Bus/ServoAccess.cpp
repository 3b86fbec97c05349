#include "Api/Bus/ServoAccess.h"

#include "Api/Bus/Protocol.h"

#include <algorithm>


using namespace SVProtocol;
using namespace SVReplyValue;

namespace {

QByteArray byteOf(int value) { return parameterBytes({value}); }

// Reads command from servoId into T; a failure naming what is missing.
template <typename T>
Result<T> readValue(ServoBus& bus, int servoId, int command, const char* what)
{
    const int garbledBefore = bus.statisticsOf(servoId).garbled;
    const Result<SVReply> reply = bus.readTwice(servoId, command);
    if (reply)
        if (const T* value = std::get_if<T>(&reply->value))
            return *value;
    if (!bus.isUsable())
        return bus.portFailure();
    // Bytes that make no valid reply, asked twice: most likely two servos answering at once.
    if (bus.statisticsOf(servoId).garbled > garbledBefore)
        return Failure::failed(QStringLiteral("servo %1's replies are garbled (%2): two servos may share ID %1")
                                   .arg(servoId).arg(QLatin1String(what))).about(servoId);
    return Failure::failed(QStringLiteral("servo %1 did not answer (%2)").arg(servoId).arg(QLatin1String(what))).about(servoId);
}

// One write frame and the keys it carries.
struct SettingGroup {
    QStringList keys;
    std::function<Result<void>(ServoBus&, int servoId, const ServoSettings&)> write;
};

const QList<SettingGroup>& settingGroups()
{
    static const QList<SettingGroup> groups{
        {{"deviation"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             if (Result<void> adjusted = bus.write(id, AdjustDeviation, byteOf(deviationByte(s.deviation))); !adjusted)
                 return adjusted;
             return bus.write(id, SaveDeviation);
         }},
        {{"angle_min", "angle_max"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, WriteAngleLimit, wordBytes(s.angleMin) + wordBytes(s.angleMax));
         }},
        {{"led"},
         [](ServoBus& bus, int id, const ServoSettings& s) { return bus.write(id, WriteLed, byteOf(switchByte(s.led))); }},
        {{"voltage_min", "voltage_max"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, WriteVoltageLimit, wordBytes(s.voltageMinMillivolts) + wordBytes(s.voltageMaxMillivolts));
         }},
        {{"alarm_stall", "alarm_over_voltage", "alarm_over_temperature"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, WriteLedAlarm, byteOf(alarmByte({bool(s.alarmStall), bool(s.alarmOverVoltage), bool(s.alarmOverTemperature)})));
         }},
        {{"max_temperature"},
         [](ServoBus& bus, int id, const ServoSettings& s) { return bus.write(id, WriteMaxTemperature, byteOf(s.maxTemperature)); }},
    };
    return groups;
}

}  // namespace

namespace ServoAccess {

Result<ServoSettings> readSettings(ServoBus& bus, int servoId)
{
    const auto angle = readValue<AngleLimits>(bus, servoId, ReadAngleLimit, "angle limits");
    if (!angle)
        return angle.failure();
    const auto voltage = readValue<VoltageLimits>(bus, servoId, ReadVoltageLimit, "voltage limits");
    if (!voltage)
        return voltage.failure();
    const auto temperature = readValue<MaxTemperature>(bus, servoId, ReadMaxTemperature, "maximum temperature");
    if (!temperature)
        return temperature.failure();
    const auto led = readValue<Led>(bus, servoId, ReadLed, "LED");
    if (!led)
        return led.failure();
    const auto alarm = readValue<LedAlarm>(bus, servoId, ReadLedAlarm, "LED alarms");
    if (!alarm)
        return alarm.failure();
    const auto deviation = readValue<Deviation>(bus, servoId, ReadDeviation, "deviation");
    if (!deviation)
        return deviation.failure();
    ServoSettings s;
    s.id = servoId;
    s.deviation = deviation->deviation;
    s.angleMin = angle->minimum;
    s.angleMax = angle->maximum;
    s.voltageMinMillivolts = voltage->minimumMillivolts;
    s.voltageMaxMillivolts = voltage->maximumMillivolts;
    s.maxTemperature = temperature->celsius;
    s.led = led->on ? 1 : 0;
    s.alarmStall = alarm->flags.stall;
    s.alarmOverVoltage = alarm->flags.overVoltage;
    s.alarmOverTemperature = alarm->flags.overTemperature;
    return s;
}

Result<LiveState> readState(ServoBus& bus, int servoId)
{
    const auto temperature = readValue<Temperature>(bus, servoId, ReadTemperature, "temperature");
    if (!temperature)
        return temperature.failure();
    const auto voltage = readValue<Voltage>(bus, servoId, ReadVoltage, "voltage");
    if (!voltage)
        return voltage.failure();
    const auto position = readValue<Position>(bus, servoId, ReadPosition, "position");
    if (!position)
        return position.failure();
    const auto power = readValue<MotorPower>(bus, servoId, ReadMotorLoad, "motor power");
    if (!power)
        return power.failure();
    return LiveState{temperature->celsius, voltage->millivolts, position->position, power->loaded};
}

Result<int> readVoltageMillivolts(ServoBus& bus, int servoId)
{
    const auto voltage = readValue<Voltage>(bus, servoId, ReadVoltage, "voltage");
    return voltage ? Result<int>(voltage->millivolts) : Result<int>(voltage.failure());
}

Result<int> readTemperature(ServoBus& bus, int servoId)
{
    const auto temperature = readValue<Temperature>(bus, servoId, ReadTemperature, "temperature");
    return temperature ? Result<int>(temperature->celsius) : Result<int>(temperature.failure());
}

Result<bool> readTorque(ServoBus& bus, int servoId)
{
    const auto power = readValue<MotorPower>(bus, servoId, ReadMotorLoad, "motor power");
    return power ? Result<bool>(power->loaded) : Result<bool>(power.failure());
}

Result<QMap<int, int>> readPositions(ServoBus& bus, const QList<int>& servoIds)
{
    QMap<int, int> positions;
    for (int id : servoIds) {
        const Result<Position> position = readValue<Position>(bus, id, ReadPosition, "position");
        if (!position)
            return position.failure();
        positions.insert(id, position->position);
    }
    return positions;
}

Result<void> setTorque(ServoBus& bus, const QList<int>& servoIds, bool on)
{
    Result<void> first;
    for (int id : servoIds)
        if (Result<void> sent = bus.write(id, WriteMotorLoad, parameterBytes({switchByte(on)})); !sent && first)
            first = sent;
    return first;
}

QList<GroupWrite> groupWrites(const ServoSettings& from, const ServoSettings& to, const QStringList& alwaysKeys)
{
    const QStringList changed = differingKeys(from, to) + alwaysKeys;
    QList<GroupWrite> writes;
    for (const SettingGroup& group : settingGroups()) {
        const bool differs = std::any_of(group.keys.begin(), group.keys.end(), [&](const QString& key) { return changed.contains(key); });
        if (differs)
            writes.append({group.keys, [id = from.id, to, write = group.write](ServoBus& bus) { return write(bus, id, to); }});
    }
    return writes;
}

Result<void> adjustDeviation(ServoBus& bus, int servoId, int deviation)
{
    return bus.write(servoId, AdjustDeviation, byteOf(deviationByte(deviation)));
}

Result<void> moveTo(ServoBus& bus, const QList<int>& servoIds, int position, int timeMs)
{
    for (int id : servoIds)
        if (Result<void> sent = bus.write(id, Move, wordBytes(position) + wordBytes(timeMs)); !sent)
            return sent;
    return {};
}

WriteResult writeSettings(ServoBus& bus, const ServoSettings& from, const ServoSettings& to, bool idToBroadcast,
                          const std::function<bool()>& stopRequested)
{
    // Each group's frames, in the order they go out; the new ID last.
    QList<std::pair<QStringList, std::function<Result<void>()>>> writes;
    for (const GroupWrite& group : groupWrites(from, to))
        writes.append({group.keys, [&bus, send = group.send] { return send(bus); }});
    if (from.id != to.id)
        writes.append({{QStringLiteral("id")}, [&] { return bus.write(idToBroadcast ? broadcastId : from.id, WriteId, byteOf(to.id)); }});

    WriteResult result;
    for (const auto& [keys, write] : writes) {
        if (stopRequested()) {
            result.stopped = true;
            break;
        }
        if (!write())
            break;
        result.writtenKeys += keys;
        bus.listen(ServoBus::settingWritePause);
    }
    for (const auto& [keys, write] : writes)
        if (!result.writtenKeys.contains(keys.first()))
            result.unwrittenKeys += keys;
    result.complete = result.unwrittenKeys.isEmpty();
    return result;
}

}  // namespace ServoAccess

Result<void> requireAnswer(ServoBus& bus, int servoId)
{
    if (const auto answer = readValue<Temperature>(bus, servoId, ReadTemperature, "temperature"); !answer)
        return answer.failure();
    return {};
}
