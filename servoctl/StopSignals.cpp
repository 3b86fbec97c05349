#include "servoctl/StopSignals.h"

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void catchStopSignal(int number)
{
    caughtSignal = number;
}

}  // namespace

StopSignals::StopSignals()
    : StopSignals({SIGINT, SIGTERM})
{
}

StopSignals::StopSignals(std::initializer_list<int> numbers)
{
    struct sigaction action {};
    action.sa_handler = catchStopSignal;
    sigemptyset(&action.sa_mask);
    for (int number : numbers) {
        struct sigaction previous {};
        sigaction(number, &action, &previous);
        m_previous.emplace_back(number, previous);
    }
}

StopSignals::~StopSignals()
{
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
