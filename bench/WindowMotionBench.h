// window_bench motion: the Motion page playing a looped sequence on 3 or 18 servos (see the .cpp).
#pragma once

// Starts the bus's process with servoCount servos, then the application, and plays for about seconds,
// with the Motion page shown or (away) the operation page; 0 when all went well.
int windowMotionBench(int argc, char** argv, int seconds, int servoCount, bool away);
