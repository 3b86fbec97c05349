// Every ending a program can catch as a request to stop: Ctrl-C, Ctrl-\, a polite kill, a dropped
// terminal or SSH connection (SIGHUP), a closed pipe, a timer (SIGALRM), SIGUSR1, SIGUSR2 and every
// other signal that ends a program unless it is caught. While a StopSignals lives, the signals it
// names set a flag instead of ending the program, so that a command can stop between two frames,
// leave the servos and its files in order and say what it did.
#pragma once

#include <QString>

#include <csignal>
#include <vector>

class StopSignals {
public:
    // endingSignals().
    StopSignals();
    explicit StopSignals(const std::vector<int>& numbers);
    // The signals' previous handling comes back, unless one of them has asked to stop: then they stay
    // caught until the program ends, so that a second signal cannot cut short what the command does
    // on its way out (holding the servos, switching their torque on, saying why it ended).
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signals whose default is to end the program, but those that only its own faults raise
    // (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS) and SIGKILL, which no program catches.
    static std::vector<int> endingSignals();

    static bool requested();
    // The first signal that asked, or 0.
    static int signal();
    // What the signal means to the user: "Ctrl-C (SIGINT)", "SIGHUP (the terminal hung up)".
    static QString describe(int number);
    // What a command ended by the signal that asked says: "Ctrl-C (SIGINT): what".
    static QString endedBy(const QString& what);

private:
    std::vector<std::pair<int, struct sigaction>> m_previous;
};
