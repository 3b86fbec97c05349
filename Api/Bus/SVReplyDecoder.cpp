#include "Api/Bus/SVReplyDecoder.h"

#include "Api/Bus/Protocol.h"

using namespace SVProtocol;

namespace {

constexpr int firstParameter = firstParameterOffset;
constexpr int lengthWithoutParameters = 3;

uint8_t byteAt(const QByteArray& bytes, int offset) { return uint8_t(bytes.at(offset)); }
int wordAt(const QByteArray& bytes, int lowOffset) { return wordFrom(byteAt(bytes, lowOffset), byteAt(bytes, lowOffset + 1)); }
int signedWordAt(const QByteArray& bytes, int lowOffset)
{
    return signedWordFrom(byteAt(bytes, lowOffset), byteAt(bytes, lowOffset + 1));
}

}  // namespace

// The ID reply is read from the frame's ID byte; every other from its parameters.
int SVReplyDecoder::lastOffsetRead(int command)
{
    if (command == ReadId)
        return 2;
    const int length = command >= 0 && command <= 0xFF ? replyLengthByte(uint8_t(command)) : 0;
    return length == 0 ? 0 : firstParameter + length - lengthWithoutParameters - 1;
}

bool SVReplyDecoder::isWellFormed(const QByteArray& frame)
{
    if (frame.size() < lengthWithoutParameters + 3)
        return false;
    if (byteAt(frame, 0) != headerByte || byteAt(frame, 1) != headerByte)
        return false;
    if (byteAt(frame, lengthOffset) + 3 != frame.size())
        return false;
    return byteAt(frame, int(frame.size() - 1)) == SVProtocol::checksum(QByteArrayView(frame).chopped(1));
}

std::optional<SVReply> SVReplyDecoder::decode(const QByteArray& frame)
{
    if (!isWellFormed(frame) || byteAt(frame, lengthOffset) == lengthWithoutParameters)
        return std::nullopt;
    const int command = byteAt(frame, commandOffset);
    // The checksum is not a value: the value's offsets must lie before it.
    const std::optional<SVReplyValue::Value> value = valueOf(command, frame.left(frame.size() - 1));
    if (!value)
        return std::nullopt;
    return SVReply{byteAt(frame, 2), command, *value};
}

std::optional<SVReplyValue::Value> SVReplyDecoder::valueOf(int command, const QByteArray& bytes)
{
    using namespace SVReplyValue;
    const int last = lastOffsetRead(command);
    if (last == 0 || bytes.size() <= last)
        return std::nullopt;
    const uint8_t byte = last >= firstParameter ? byteAt(bytes, firstParameter) : 0;
    switch (command) {
    case ReadId:
        return Id{byteAt(bytes, 2)};
    case ReadDeviation:
        return Deviation{deviationFromByte(byte)};
    case ReadAngleLimit:
        return AngleLimits{wordAt(bytes, 5), wordAt(bytes, 7)};
    case ReadVoltageLimit:
        return VoltageLimits{wordAt(bytes, 5), wordAt(bytes, 7)};
    case ReadMaxTemperature:
        return MaxTemperature{byte};
    case ReadTemperature:
        return Temperature{byte};
    case ReadVoltage:
        return Voltage{wordAt(bytes, 5)};
    case ReadPosition:
        return Position{signedWordAt(bytes, 5)};
    case ReadMotorLoad:
        return MotorPower{switchIsOn(byte)};
    case ReadLed:
        return Led{switchIsOn(byte)};
    case ReadLedAlarm:
        return LedAlarm{byte, alarmFlags(byte)};
    default:
        return std::nullopt;
    }
}
