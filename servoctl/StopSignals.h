// Ctrl-C, a polite kill and a dropped terminal as requests to stop: while a StopSignals lives, the
// signals it names set a flag instead of ending the program, so that a command can stop between
// two frames, leave the servos and its files in order and say what it did.
#pragma once

#include <csignal>
#include <initializer_list>
#include <vector>

class StopSignals {
public:
    // SIGINT and SIGTERM, the usual requests to stop.
    StopSignals();
    explicit StopSignals(std::initializer_list<int> numbers);
    ~StopSignals();  // the signals' previous handling comes back
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static bool requested();
    // The signal that asked, or 0.
    static int signal();

private:
    std::vector<std::pair<int, struct sigaction>> m_previous;
};
