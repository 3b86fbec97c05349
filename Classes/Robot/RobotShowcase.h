// Sets the Robot page up for a picture of it: opens the demo's virtual bus, scans it and reads every
// servo's settings. The screenshot option uses it with --demo.
#pragma once

#include <functional>

class SVSettingViewController;

namespace RobotShowcase {

// Calls ready once the table is filled, or at once when the virtual bus is not listed or does not
// answer.
void start(SVSettingViewController& controller, std::function<void()> ready);

}  // namespace RobotShowcase
