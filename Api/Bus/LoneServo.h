// Making sure that one servo alone hears the broadcast address before anything is sent to it. Every
// servo on a bus takes a frame sent to the broadcast ID, so an ID given that way goes to all of them.
// Only replies a servo is known to give decide: the ID read sent to the broadcast address, then reads
// of the position and voltage sent to the ID it gave. Several servos show as replies that collide on
// the line (bytes that make no valid frame) or as more than one reply to one read; stray bytes before
// a whole valid reply are noise, not a second servo.
#pragma once

#include "Api/Bus/ServoBus.h"

#include <QByteArray>

#include <functional>

namespace LoneServo {

enum class Census { None, One, Several };

struct Finding {
    Census census = Census::None;
    int id = -1;  // the lone servo's ID, with Census::One
};

// Told each request frame (checksum included) just before it goes out.
using FrameLog = std::function<void(const QByteArray& frame)>;

// Costs three reads, each followed by a quiet wait of about 20 ms; a look that saw several servos is
// taken again, so that a burst of noise on the line is not taken for them. Fails only when the port
// fails.
Result<Finding> take(ServoBus& bus, const FrameLog& log = {});

// The lone servo's ID; with none or several servos a failure saying so (in English, for servoctl).
Result<int> check(ServoBus& bus);

}  // namespace LoneServo
