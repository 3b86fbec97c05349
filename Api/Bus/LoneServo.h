// Whether exactly one servo is on the bus, before anything goes to the broadcast address (which
// every servo takes). One read of the ID goes to the broadcast address and the line is heard for a
// while: one whole valid reply and not a byte more means one servo; garbage, a broken reply or a
// second reply means several answered at once. Costs one frame and replyTimeout. Two servos that
// already share one ID answer alike and pass as one.
#pragma once

#include "Api/Bus/ServoBus.h"

namespace LoneServo {

// The ID of the one servo on the bus; a failure when none answers or several do.
Result<int> check(ServoBus& bus);

}  // namespace LoneServo
