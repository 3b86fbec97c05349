// Turns a servo's reply frame into a typed value: the ID, the stored settings and the live state,
// each read by its rule in SVProtocol. No widgets: the window, the command-line tool and the fuzzer
// share it; the settings page shows some of these values its own way (SVProtocol::settingsPageWord).
//
// A frame is a reply when it is well formed (header, length byte matching its size, checksum), has
// parameters (a read command's own echo, length 3, is not a reply), and is long enough for every
// offset its command's value is read from. A reply longer than that (a spare byte) is still read.
#pragma once

#include "Api/Bus/Protocol.h"

#include <QByteArray>

#include <optional>
#include <variant>

namespace SVReplyValue {

struct Id { int id = 0; };
struct Deviation { int deviation = 0; };  // -130..125: a byte above 125 stands for byte - 256
struct AngleLimits { int minimum = 0; int maximum = 0; };  // 0..65535
struct VoltageLimits { int minimumMillivolts = 0; int maximumMillivolts = 0; };  // 0..65535
struct MaxTemperature { int celsius = 0; };
struct Temperature { int celsius = 0; };
struct Voltage { int millivolts = 0; };    // 0..65535
struct Position { int position = 0; };     // -32768..32767, as sent: not held within 0-1000
struct MotorPower { bool loaded = false; };  // wire byte 0 = loaded
struct Led { bool on = false; };             // wire byte 0 = on
struct LedAlarm {
    int byte = 0;
    SVProtocol::AlarmFlags flags;  // bits 2, 1, 0
};

using Value = std::variant<Id, Deviation, AngleLimits, VoltageLimits, MaxTemperature, Temperature, Voltage,
                           Position, MotorPower, Led, LedAlarm>;

}  // namespace SVReplyValue

struct SVReply {
    int servoId = 0;   // the ID byte of the frame
    int command = 0;   // the read command the frame answers
    SVReplyValue::Value value;
};

class SVReplyDecoder {
public:
    static constexpr int commandOffset = 4;

    // The reply a frame carries, or none when it is not a reply (see above).
    static std::optional<SVReply> decode(const QByteArray& frame);
    // The value of command read from bytes at the frame's offsets (bytes[5] is the first parameter),
    // without any frame check; none when command has no reply or bytes ends before an offset it needs.
    static std::optional<SVReplyValue::Value> valueOf(int command, const QByteArray& bytes);
    // The highest offset command's value is read from; 0 when command has no reply.
    static int lastOffsetRead(int command);
    // Header, length byte matching the size, and checksum.
    static bool isWellFormed(const QByteArray& frame);
};
