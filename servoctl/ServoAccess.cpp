#include "servoctl/ServoAccess.h"

#include "Api/SVProtocol.h"


#include <cstdio>

#include <functional>

using namespace SVProtocol;
using namespace SVReplyValue;

namespace {

QByteArray wordBytes(int value) { return parameterBytes({value, value >> 8}); }
QByteArray byteOf(int value) { return parameterBytes({value}); }

// Reads command from servoId into T; false with *error naming what is missing.
template <typename T>
std::optional<T> readValue(ServoBus& bus, int servoId, int command, const char* what, QString* error)
{
    if (const std::optional<SVReply> reply = bus.readTwice(servoId, command))
        if (const T* value = std::get_if<T>(&reply->value))
            return *value;
    *error = bus.isUsable() ? QStringLiteral("servo %1 did not answer (%2)").arg(servoId).arg(QLatin1String(what))
                            : bus.errorString();
    return std::nullopt;
}

// One write frame and the keys it carries.
struct SettingGroup {
    QStringList keys;
    std::function<bool(ServoBus&, int servoId, const ServoSettings&)> write;
};

const QList<SettingGroup>& settingGroups()
{
    static const QList<SettingGroup> groups{
        {{"deviation"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, AdjustDeviation, byteOf(s.deviation)) && bus.write(id, SaveDeviation);
         }},
        {{"angle_min", "angle_max"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, WriteAngleLimit, wordBytes(s.angleMin) + wordBytes(s.angleMax));
         }},
        {{"led"},
         [](ServoBus& bus, int id, const ServoSettings& s) { return bus.write(id, WriteLed, byteOf(s.led ? 0 : 1)); }},
        {{"voltage_min", "voltage_max"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, WriteVoltageLimit, wordBytes(s.voltageMinMillivolts) + wordBytes(s.voltageMaxMillivolts));
         }},
        {{"alarm_stall", "alarm_over_voltage", "alarm_over_temperature"},
         [](ServoBus& bus, int id, const ServoSettings& s) {
             return bus.write(id, WriteLedAlarm, byteOf(s.alarmStall << 2 | s.alarmOverVoltage << 1 | s.alarmOverTemperature));
         }},
        {{"max_temperature"},
         [](ServoBus& bus, int id, const ServoSettings& s) { return bus.write(id, WriteMaxTemperature, byteOf(s.maxTemperature)); }},
    };
    return groups;
}

}  // namespace

namespace ServoAccess {

std::optional<ServoSettings> readSettings(ServoBus& bus, int servoId, QString* error)
{
    const auto angle = readValue<AngleLimits>(bus, servoId, ReadAngleLimit, "angle limits", error);
    const auto voltage = angle ? readValue<VoltageLimits>(bus, servoId, ReadVoltageLimit, "voltage limits", error) : std::nullopt;
    const auto temperature = voltage ? readValue<MaxTemperature>(bus, servoId, ReadMaxTemperature, "maximum temperature", error) : std::nullopt;
    const auto led = temperature ? readValue<Led>(bus, servoId, ReadLed, "LED", error) : std::nullopt;
    const auto alarm = led ? readValue<LedAlarm>(bus, servoId, ReadLedAlarm, "LED alarms", error) : std::nullopt;
    const auto deviation = alarm ? readValue<Deviation>(bus, servoId, ReadDeviation, "deviation", error) : std::nullopt;
    if (!deviation)
        return std::nullopt;
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

std::optional<LiveState> readState(ServoBus& bus, int servoId, QString* error)
{
    const auto temperature = readValue<Temperature>(bus, servoId, ReadTemperature, "temperature", error);
    const auto voltage = temperature ? readValue<Voltage>(bus, servoId, ReadVoltage, "voltage", error) : std::nullopt;
    const auto position = voltage ? readValue<Position>(bus, servoId, ReadPosition, "position", error) : std::nullopt;
    const auto power = position ? readValue<MotorPower>(bus, servoId, ReadMotorLoad, "motor power", error) : std::nullopt;
    if (!power)
        return std::nullopt;
    return LiveState{temperature->celsius, voltage->millivolts, position->position, power->loaded};
}

WriteResult writeSettings(ServoBus& bus, const ServoSettings& from, const ServoSettings& to, bool idToBroadcast)
{
    const QStringList changed = differingKeys(from, to);
    WriteResult result;
    for (const SettingGroup& group : settingGroups()) {
        bool differs = false;
        for (const QString& key : group.keys)
            differs = differs || changed.contains(key);
        if (!differs)
            continue;
        if (!group.write(bus, from.id, to))
            return result;
        result.writtenKeys += group.keys;
        bus.listen(ServoBus::settingWritePause);
    }
    if (from.id != to.id) {
        if (!bus.write(idToBroadcast ? broadcastId : from.id, WriteId, byteOf(to.id)))
            return result;
        result.writtenKeys.append(QStringLiteral("id"));
        bus.listen(ServoBus::settingWritePause);
    }
    result.complete = true;
    return result;
}

}  // namespace ServoAccess

bool requireAnswer(ServoBus& bus, int servoId)
{
    QString error;
    if (readValue<Temperature>(bus, servoId, ReadTemperature, "temperature", &error))
        return true;
    std::fprintf(stderr, "servoctl: %s\n", qPrintable(error));
    return false;
}
