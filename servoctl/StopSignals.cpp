#include "servoctl/StopSignals.h"

#include <cstring>

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void catchStopSignal(int number)
{
    // The first signal names the ending; later ones change nothing.
    if (caughtSignal == 0)
        caughtSignal = number;
}

}  // namespace

std::vector<int> StopSignals::endingSignals()
{
    std::vector<int> numbers{SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM,
                             SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGXCPU, SIGXFSZ, SIGSTKFLT};
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number)
        numbers.push_back(number);
    return numbers;
}

StopSignals::StopSignals()
    : StopSignals(endingSignals())
{
}

StopSignals::StopSignals(const std::vector<int>& numbers)
{
    struct sigaction action {};
    action.sa_handler = catchStopSignal;
    // While one stop signal is handled, the others wait: none can end the program in between.
    sigemptyset(&action.sa_mask);
    for (int number : numbers)
        sigaddset(&action.sa_mask, number);
    for (int number : numbers) {
        struct sigaction previous {};
        sigaction(number, &action, &previous);
        m_previous.emplace_back(number, previous);
    }
}

StopSignals::~StopSignals()
{
    if (requested())
        return;
    for (const auto& [number, previous] : m_previous)
        sigaction(number, &previous, nullptr);
}

bool StopSignals::requested()
{
    return caughtSignal != 0;
}

int StopSignals::signal()
{
    return caughtSignal;
}

QString StopSignals::describe(int number)
{
    switch (number) {
    case SIGINT: return QStringLiteral("Ctrl-C (SIGINT)");
    case SIGQUIT: return QStringLiteral("Ctrl-\\ (SIGQUIT)");
    case SIGHUP: return QStringLiteral("SIGHUP (the terminal or connection hung up)");
    case SIGPIPE: return QStringLiteral("SIGPIPE (the output's reader is gone)");
    case SIGTERM: return QStringLiteral("SIGTERM");
    default: break;
    }
    const char* name = sigabbrev_np(number);
    return name ? QStringLiteral("SIG%1").arg(QLatin1String(name)) : QStringLiteral("signal %1").arg(number);
}

QString StopSignals::endedBy(const QString& what)
{
    return QStringLiteral("%1: %2").arg(describe(signal()), what);
}
