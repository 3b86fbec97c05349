// The servo bus protocol, once for every part that speaks it (the window's encoder, the bus layer
// and the virtual servos): the frame header byte, the broadcast ID, the command codes (a read
// command's reply carries the code of the read), the frame layout with its checksum, and how values
// are carried in parameter bytes.
//
// A frame: 0x55 0x55, ID, length (parameters + 3), command, parameters, checksum.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <initializer_list>

namespace SVProtocol {

constexpr uint8_t headerByte = 0x55;   // every frame starts with two of these
constexpr uint8_t broadcastId = 0xFE;  // every servo takes a frame sent to this ID
constexpr int lowestServoId = 0;
constexpr int highestServoId = 253;    // the IDs a servo can have: 0-253
constexpr int lengthOffset = 3;
constexpr int commandOffset = 4;
constexpr int firstParameterOffset = 5;
// Header, ID, length, command and checksum: a frame without parameters.
constexpr int frameOverhead = 6;

enum Command : uint8_t {
    Move = 1,
    WriteId = 13,
    ReadId = 14,
    AdjustDeviation = 17,
    SaveDeviation = 18,
    ReadDeviation = 19,
    WriteAngleLimit = 20,
    ReadAngleLimit = 21,
    WriteVoltageLimit = 22,
    ReadVoltageLimit = 23,
    WriteMaxTemperature = 24,
    ReadMaxTemperature = 25,
    ReadTemperature = 26,
    ReadVoltage = 27,
    ReadPosition = 28,
    ModeAndSpeed = 29,
    WriteMotorLoad = 31,
    ReadMotorLoad = 32,
    WriteLed = 33,
    ReadLed = 34,
    WriteLedAlarm = 35,
    ReadLedAlarm = 36,
};

// Each command's shape, in one place: the parameter bytes the host sends and, for a read, the
// parameter bytes of the servo's reply (-1 for a command the servo does not answer).
struct CommandShape {
    Command command;
    int parameters;
    int replyParameters;
};
inline constexpr CommandShape commandShapes[] = {
    {Move, 4, -1}, {WriteId, 1, -1}, {ReadId, 0, 1}, {AdjustDeviation, 1, -1}, {SaveDeviation, 0, -1},
    {ReadDeviation, 0, 1}, {WriteAngleLimit, 4, -1}, {ReadAngleLimit, 0, 4}, {WriteVoltageLimit, 4, -1},
    {ReadVoltageLimit, 0, 4}, {WriteMaxTemperature, 1, -1}, {ReadMaxTemperature, 0, 1}, {ReadTemperature, 0, 1},
    {ReadVoltage, 0, 2}, {ReadPosition, 0, 2}, {ModeAndSpeed, 4, -1}, {WriteMotorLoad, 1, -1}, {ReadMotorLoad, 0, 1},
    {WriteLed, 1, -1}, {ReadLed, 0, 1}, {WriteLedAlarm, 1, -1}, {ReadLedAlarm, 0, 1},
};

// The length byte a command frame from the host carries; 0 for a code that is no command.
int commandLengthByte(uint8_t command);
// The length byte of the servo's reply to a read; 0 for a command without a reply.
int replyLengthByte(uint8_t command);
// Whether the command asks the servo for a reply.
bool isRead(uint8_t command);

// One's complement of the 8-bit sum of every byte after the two header bytes.
uint8_t checksum(QByteArrayView frameWithoutChecksum);
// Header, ID, length, command and parameters, without the checksum.
QByteArray frameBody(uint8_t servoId, uint8_t command, QByteArrayView parameters = {});
QByteArray frameBody(uint8_t servoId, uint8_t command, std::initializer_list<uint8_t> parameters);
// A whole frame, checksum included.
QByteArray frame(uint8_t servoId, uint8_t command, QByteArrayView parameters = {});
QByteArray frame(uint8_t servoId, uint8_t command, std::initializer_list<uint8_t> parameters);

// The low 8 bits of each value.
QByteArray parameterBytes(std::initializer_list<int> values);
// A 16-bit value, low byte first.
QByteArray wordBytes(int value);
// Read as what the value is: a voltage or a limit is never below 0; a position can dip below 0 and,
// like a motor speed, goes in two's complement.
int wordFrom(uint8_t low, uint8_t high);        // 0-65535
int signedWordFrom(uint8_t low, uint8_t high);  // -32768-32767
// How the settings page shows a 16-bit reply, whichever reading above it came by: only a high byte
// of 0xFF makes it negative (FF FF is -1, 9C FF is -100), any other is unsigned (FF FE is 65279).
int settingsPageWord(int value);
double voltsFromMillivolts(int millivolts);
// A position offset (-125-125) as its byte, and back: a byte above 125 stands for byte - 256.
uint8_t deviationByte(int deviation);
int deviationFromByte(uint8_t byte);
// On/off switches go as 0 for on (LED lit, torque on) and 1 for off.
uint8_t switchByte(bool on);
bool switchIsOn(uint8_t byte);

// The LED alarm conditions: bit 2 stall, bit 1 over-voltage, bit 0 over-temperature.
struct AlarmFlags {
    bool stall = false;  // locked rotor
    bool overVoltage = false;
    bool overTemperature = false;
    bool operator==(const AlarmFlags&) const = default;
};
uint8_t alarmByte(const AlarmFlags& flags);
AlarmFlags alarmFlags(uint8_t byte);
// How the settings page shows the alarm byte: its binary digits, at least three, of which the first
// three are stall, over-voltage and over-temperature. The same as alarmFlags for 0-7; a larger byte
// shows its three leading digits (8 is stall alone, 0xF8 all three).
AlarmFlags settingsPageAlarmFlags(uint8_t byte);

// Stored settings as the servo leaves the factory with them.
namespace FactoryDefaults {
constexpr int id = 1;
constexpr int deviation = 0;
constexpr int angleMin = 0;
constexpr int angleMax = 1000;
constexpr int voltageMinMillivolts = 4500;
constexpr int voltageMaxMillivolts = 12000;
constexpr int maxTemperature = 85;
constexpr bool ledOn = true;
constexpr uint8_t alarmBits = 7;  // every alarm on
}  // namespace FactoryDefaults

}  // namespace SVProtocol
