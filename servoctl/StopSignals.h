// Every ending a program can catch as a request to stop: Ctrl-C, Ctrl-\, a polite kill, a dropped
// terminal or SSH connection (SIGHUP), a closed pipe and SIGUSR1. While a StopSignals lives, the
// signals it names set a flag instead of ending the program, so that a command can stop between
// two frames, leave the servos and its files in order and say what it did.
#pragma once

#include <QString>

#include <csignal>
#include <initializer_list>
#include <vector>

class StopSignals {
public:
    // SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE and SIGUSR1.
    StopSignals();
    explicit StopSignals(std::initializer_list<int> numbers);
    // The signals' previous handling comes back, unless one of them has asked to stop: then they stay
    // caught until the program ends, so that a second signal cannot cut short what the command does
    // on its way out (holding the servos, switching their torque on, saying why it ended).
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    static bool requested();
    // The first signal that asked, or 0.
    static int signal();
    // What the signal means to the user: "Ctrl-C (SIGINT)", "SIGHUP (the terminal hung up)".
    static QString describe(int number);

private:
    std::vector<std::pair<int, struct sigaction>> m_previous;
};
