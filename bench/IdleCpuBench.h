// window_bench idle-cpu: the window's idle cost beside the cheapest Qt program doing the same poll.
#pragma once

// The harness: arguments after "idle-cpu" (see IdleCpuBench.cpp). Call it before any thread starts.
int idleCpuBench(int argc, char** argv);
// The window as one measured process, started by the harness as "idle-cpu-window PORT [pin-poll]".
int idleCpuWindow(int argc, char** argv);
