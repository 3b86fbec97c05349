#include "VirtualServo/VirtualServoModel.h"

#include "Api/SVFrameTools.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr uint8_t broadcastId = 0xFE;

// The length byte each command frame must carry (0: not a command of this servo).
int expectedLengthByte(uint8_t command)
{
    switch (command) {
    case 1: case 20: case 22: case 29:
        return 7;
    case 13: case 17: case 24: case 31: case 33: case 35:
        return 4;
    case 14: case 18: case 19: case 21: case 23: case 25: case 26: case 27: case 28: case 32:
    case 34: case 36:
        return 3;
    default:
        return 0;
    }
}

int word(const uint8_t* bytes) { return bytes[0] | (bytes[1] << 8); }
int signedWord(const uint8_t* bytes) { return static_cast<int16_t>(word(bytes)); }

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(static_cast<char>(value & 0xFF));
    return result;
}

QByteArray wordBytes(int value) { return bytes({value, value >> 8}); }

}  // namespace

VirtualServoModel::VirtualServoModel(Clock::time_point now)
    : m_origin(now)
    , m_moveStart(now)
{
}

QByteArray VirtualServoModel::replyFrame(int id, uint8_t command, const QByteArray& parameters)
{
    QByteArray frame = bytes({0x55, 0x55, id, static_cast<int>(parameters.size()) + 3, command});
    frame.append(parameters);
    return SVFrameTools::frameWithChecksum(frame);
}

bool VirtualServoModel::isAddressedToMe(uint8_t id, uint8_t command) const
{
    const bool idCommand = command == 13 || command == 14;
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
    if (expectedLengthByte(command) != lengthByte || frame.size() != lengthByte + 3)
        return {};
    if (!isAddressedToMe(id, command))
        return {};
    if (lengthByte == 3 && command != 18)
        return answerRead(command, now);
    applyWrite(command, data + 5, now);
    return {};
}

QByteArray VirtualServoModel::answerRead(uint8_t command, Clock::time_point now) const
{
    const Settings& s = m_settings;
    QByteArray parameters;
    switch (command) {
    case 14: parameters = bytes({s.id}); break;
    case 19: parameters = bytes({s.deviation}); break;
    case 21: parameters = wordBytes(s.angleMin) + wordBytes(s.angleMax); break;
    case 23: parameters = wordBytes(s.voltageMinMillivolts) + wordBytes(s.voltageMaxMillivolts); break;
    case 25: parameters = bytes({s.maxTemperature}); break;
    case 26: parameters = bytes({temperature(now)}); break;
    case 27: parameters = wordBytes(voltageMillivolts(now)); break;
    case 28: parameters = wordBytes(position(now)); break;
    case 32: parameters = bytes({s.motorLoaded ? 0 : 1}); break;
    case 34: parameters = bytes({s.ledOn ? 0 : 1}); break;
    case 36: parameters = bytes({s.alarmBits}); break;
    default: return {};
    }
    return replyFrame(s.id, command, parameters);
}

void VirtualServoModel::applyWrite(uint8_t command, const uint8_t* p, Clock::time_point now)
{
    Settings& s = m_settings;
    switch (command) {
    case 1: {
        const int from = position(now);
        m_target = std::clamp(word(p), s.angleMin, std::max(s.angleMin, s.angleMax));
        m_moveFrom = from;
        m_moveTime = std::chrono::milliseconds(word(p + 2));
        m_moveStart = now;
        break;
    }
    case 13: s.id = p[0]; break;
    case 17: s.deviation = static_cast<int>(SVFrameTools::deviationFromByte(p[0])); s.deviationSaved = false; break;
    case 18: s.deviationSaved = true; break;
    case 20: s.angleMin = word(p); s.angleMax = word(p + 2); break;
    case 22: s.voltageMinMillivolts = word(p); s.voltageMaxMillivolts = word(p + 2); break;
    case 24: s.maxTemperature = p[0]; break;
    case 29: s.mode = p[0]; s.speed = signedWord(p + 2); break;
    case 31: s.motorLoaded = p[0] == 0; break;
    case 33: s.ledOn = p[0] == 0; break;
    case 35: s.alarmBits = p[0]; break;
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
