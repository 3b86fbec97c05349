#include "VirtualServo/VirtualServoModel.h"


#include <algorithm>
#include <cmath>
#include <numbers>

using namespace SVProtocol;

namespace {

int word(const uint8_t* bytes) { return wordFrom(bytes[0], bytes[1]); }
int signedWord(const uint8_t* bytes) { return signedWordFrom(bytes[0], bytes[1]); }

}  // namespace

VirtualServoModel::VirtualServoModel(Clock::time_point now)
    : m_origin(now)
    , m_moveStart(now)
{
}

QByteArray VirtualServoModel::replyFrame(int id, uint8_t command, const QByteArray& parameters)
{
    return frame(uint8_t(id), command, parameters);
}

bool VirtualServoModel::isAddressedToMe(uint8_t id, uint8_t command) const
{
    const bool idCommand = command == WriteId || command == ReadId;
    return id == m_settings.id || (idCommand && id == broadcastId);
}

QByteArray VirtualServoModel::handleFrame(const QByteArray& frame, Clock::time_point now)
{
    if (frame.size() < 6)
        return {};
    const auto* data = reinterpret_cast<const uint8_t*>(frame.constData());
    const uint8_t id = data[2];
    const uint8_t lengthByte = data[3];
    const uint8_t command = data[4];
    if (commandLengthByte(command) != lengthByte || frame.size() != lengthByte + 3)
        return {};
    if (!isAddressedToMe(id, command))
        return {};
    if (isRead(command))
        return answerRead(command, now);
    applyWrite(command, data + firstParameterOffset, now);
    return {};
}

QByteArray VirtualServoModel::answerRead(uint8_t command, Clock::time_point now) const
{
    const Settings& s = m_settings;
    QByteArray parameters;
    switch (command) {
    case ReadId: parameters = parameterBytes({s.id}); break;
    case ReadDeviation: parameters = parameterBytes({deviationByte(s.deviation)}); break;
    case ReadAngleLimit: parameters = wordBytes(s.angleMin) + wordBytes(s.angleMax); break;
    case ReadVoltageLimit: parameters = wordBytes(s.voltageMinMillivolts) + wordBytes(s.voltageMaxMillivolts); break;
    case ReadMaxTemperature: parameters = parameterBytes({s.maxTemperature}); break;
    case ReadTemperature: parameters = parameterBytes({temperature(now)}); break;
    case ReadVoltage: parameters = wordBytes(voltageMillivolts(now)); break;
    case ReadPosition: parameters = wordBytes(position(now)); break;
    case ReadMotorLoad: parameters = parameterBytes({switchByte(s.motorLoaded)}); break;
    case ReadLed: parameters = parameterBytes({switchByte(s.ledOn)}); break;
    case ReadLedAlarm: parameters = parameterBytes({s.alarmBits}); break;
    default: return {};
    }
    return replyFrame(s.id, command, parameters);
}

void VirtualServoModel::applyWrite(uint8_t command, const uint8_t* p, Clock::time_point now)
{
    Settings& s = m_settings;
    switch (command) {
    case Move: {
        const int from = position(now);
        m_target = std::clamp(word(p), s.angleMin, std::max(s.angleMin, s.angleMax));
        m_moveFrom = from;
        m_moveTime = std::chrono::milliseconds(word(p + 2));
        m_moveStart = now;
        s.motorLoaded = true;  // a move switches the motor on, as a servo's does
        break;
    }
    case WriteId: s.id = p[0]; break;
    case AdjustDeviation: s.deviation = deviationFromByte(p[0]); s.deviationSaved = false; break;
    case SaveDeviation: s.deviationSaved = true; break;
    case WriteAngleLimit: s.angleMin = word(p); s.angleMax = word(p + 2); break;
    case WriteVoltageLimit: s.voltageMinMillivolts = word(p); s.voltageMaxMillivolts = word(p + 2); break;
    case WriteMaxTemperature: s.maxTemperature = p[0]; break;
    case ModeAndSpeed: s.mode = p[0]; s.speed = signedWord(p + 2); break;
    case WriteMotorLoad: s.motorLoaded = switchIsOn(p[0]); break;
    case WriteLed: s.ledOn = switchIsOn(p[0]); break;
    case WriteLedAlarm: s.alarmBits = p[0]; break;
    default: break;
    }
}

double VirtualServoModel::driftPhase(Clock::time_point now, double periodSeconds) const
{
    const double seconds = std::chrono::duration<double>(now - m_origin).count();
    return std::sin(2 * std::numbers::pi * seconds / periodSeconds);
}

int VirtualServoModel::temperature(Clock::time_point now) const
{
    if (!m_drift)
        return m_temperature;
    return m_temperature + static_cast<int>(std::lround(2 * driftPhase(now, 40)));
}

int VirtualServoModel::voltageMillivolts(Clock::time_point now) const
{
    if (!m_drift)
        return m_voltage;
    return m_voltage + static_cast<int>(std::lround(50 * driftPhase(now, 25)));
}

int VirtualServoModel::position(Clock::time_point now) const
{
    if (m_moveTime.count() <= 0 || now >= m_moveStart + m_moveTime)
        return m_target;
    const double fraction = std::chrono::duration<double>(now - m_moveStart) / m_moveTime;
    return m_moveFrom + static_cast<int>(std::lround((m_target - m_moveFrom) * std::max(0.0, fraction)));
}

void VirtualServoModel::setPosition(int position, Clock::time_point now)
{
    m_moveFrom = m_target = position;
    m_moveTime = std::chrono::milliseconds(0);
    m_moveStart = now;
}
