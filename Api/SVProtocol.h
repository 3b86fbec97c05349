// The servo bus protocol's constants: the frame header byte, the broadcast ID and the command codes
// (a read command's reply carries the code of the read).
#pragma once

#include <cstdint>

namespace SVProtocol {

constexpr uint8_t headerByte = 0x55;   // every frame starts with two of these
constexpr uint8_t broadcastId = 0xFE;  // the ID the two ID commands go to

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

}  // namespace SVProtocol
