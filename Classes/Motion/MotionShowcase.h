// Sets the Motion page up for a picture of it at work: opens the demo's virtual bus, scans it and
// plays a wave over its servos until stopped. The screenshot option uses it with --demo.
#pragma once

#include <functional>

class SVSettingViewController;

namespace MotionShowcase {

// Picks the demo's virtual bus in the port list and opens it, as the user does; false when it is
// not listed. The Robot page's picture starts the same way.
bool openDemoBus(SVSettingViewController& controller);

// Calls ready once the wave has played long enough to fill the plots, or at once when the virtual bus
// is not listed or does not answer.
void start(SVSettingViewController& controller, std::function<void()> ready);
// Stops the wave, then calls done once the servos hold.
void finish(SVSettingViewController& controller, std::function<void()> done);

}  // namespace MotionShowcase
