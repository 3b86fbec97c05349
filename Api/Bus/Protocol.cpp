#include "Api/Bus/Protocol.h"

namespace SVProtocol {

namespace {

const CommandShape* shapeOf(uint8_t command)
{
    for (const CommandShape& shape : commandShapes)
        if (shape.command == command)
            return &shape;
    return nullptr;
}

}  // namespace

int commandLengthByte(uint8_t command)
{
    const CommandShape* shape = shapeOf(command);
    return shape ? shape->parameters + 3 : 0;
}

int replyLengthByte(uint8_t command)
{
    const CommandShape* shape = shapeOf(command);
    return shape && shape->replyParameters >= 0 ? shape->replyParameters + 3 : 0;
}

bool isRead(uint8_t command)
{
    return replyLengthByte(command) > 0;
}

uint8_t checksum(QByteArrayView frameWithoutChecksum)
{
    uint8_t sum = 0;
    for (qsizetype i = 2; i < frameWithoutChecksum.size(); ++i)
        sum = uint8_t(sum + uint8_t(frameWithoutChecksum[i]));
    return uint8_t(~sum);
}

QByteArray frameBody(uint8_t servoId, uint8_t command, QByteArrayView parameters)
{
    QByteArray bytes;
    bytes.reserve(parameters.size() + frameOverhead);
    for (uint8_t byte : {headerByte, headerByte, servoId, uint8_t(parameters.size() + 3), command})
        bytes.append(char(byte));
    bytes.append(parameters);
    return bytes;
}

QByteArray frameBody(uint8_t servoId, uint8_t command, std::initializer_list<uint8_t> parameters)
{
    return frameBody(servoId, command, QByteArrayView(reinterpret_cast<const char*>(parameters.begin()), qsizetype(parameters.size())));
}

QByteArray frame(uint8_t servoId, uint8_t command, QByteArrayView parameters)
{
    QByteArray bytes = frameBody(servoId, command, parameters);
    bytes.append(char(checksum(bytes)));
    return bytes;
}

QByteArray frame(uint8_t servoId, uint8_t command, std::initializer_list<uint8_t> parameters)
{
    return frame(servoId, command, QByteArrayView(reinterpret_cast<const char*>(parameters.begin()), qsizetype(parameters.size())));
}

QByteArray parameterBytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value & 0xFF));
    return bytes;
}

QByteArray wordBytes(int value)
{
    return parameterBytes({value, value >> 8});
}

int wordFrom(uint8_t low, uint8_t high)
{
    return low | high << 8;
}

int signedWordFrom(uint8_t low, uint8_t high)
{
    return int16_t(uint16_t(wordFrom(low, high)));
}

int settingsPageWord(int value)
{
    const int word = value & 0xFFFF;
    return word >= 0xFF00 ? word - 0x10000 : word;
}

double voltsFromMillivolts(int millivolts)
{
    return millivolts / 1000.0;
}

uint8_t deviationByte(int deviation)
{
    return uint8_t(deviation & 0xFF);
}

int deviationFromByte(uint8_t byte)
{
    return byte > 125 ? byte - 256 : byte;
}

uint8_t switchByte(bool on)
{
    return on ? 0 : 1;
}

bool switchIsOn(uint8_t byte)
{
    return byte == 0;
}

uint8_t alarmByte(const AlarmFlags& flags)
{
    return uint8_t(flags.stall << 2 | flags.overVoltage << 1 | int(flags.overTemperature));
}

AlarmFlags alarmFlags(uint8_t byte)
{
    return {(byte & 4) != 0, (byte & 2) != 0, (byte & 1) != 0};
}

AlarmFlags settingsPageAlarmFlags(uint8_t byte)
{
    int leadingDigits = byte;
    while (leadingDigits > 0b111)
        leadingDigits >>= 1;
    return alarmFlags(uint8_t(leadingDigits));
}

}  // namespace SVProtocol
