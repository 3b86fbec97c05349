// A hint to the scheduler for threads that mostly sleep and must run soon after they wake: the main
// thread, which shows each reply, and a port's reader thread.
#pragma once

namespace ThreadLatency {

// Asks for a short time slice (0.1 ms) for the calling thread, so that on a busy processor it runs
// soon after it wakes instead of waiting for a running task's longer slice. Processes it starts get
// the usual slice again. A kernel without per-thread slices ignores the request.
void requestShortSlice();

}  // namespace ThreadLatency
