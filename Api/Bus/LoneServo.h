// Making sure that one servo alone hears the broadcast address before anything is sent to it. Every
// servo on a bus takes a frame sent to the broadcast ID, so an ID given that way goes to all of them.
// The broadcast ID read tells: each servo answers it at about the same moment, so with several the
// replies collide on the line (bytes that make no valid frame) or follow one another. The servo is
// alone when exactly one whole reply comes, nothing else follows it for a while, and the ID it gave
// answers reads of its ID, position and voltage whole: two servos sharing that ID would garble them.
#pragma once

#include "Api/Bus/ServoBus.h"

namespace LoneServo {

enum class Census { None, One, Several };

struct Finding {
    Census census = Census::None;
    int id = -1;  // the lone servo's ID, with Census::One
};

// Costs one broadcast read, a quiet wait of about 20 ms and three reads of the ID found; a look that
// saw several servos is taken again, so that a burst of noise on the line is not taken for them.
// Fails only when the port fails.
Result<Finding> take(ServoBus& bus);

// The lone servo's ID; with none or several servos a failure saying so (in English, for servoctl).
Result<int> check(ServoBus& bus);

}  // namespace LoneServo
