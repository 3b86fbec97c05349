// window_bench motion: the Motion page playing a looped sequence on three servos (see the .cpp).
#pragma once

// Starts the bus's process, then the application, and plays for about seconds, with the Motion page
// shown or (away) the operation page; 0 when all went well.
int windowMotionBench(int argc, char** argv, int seconds, bool away);
