// Bounded waiting in tests: serve the event loop until a condition holds or the time is up.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

// True as soon as condition() holds; false if it still does not after timeoutMs.
inline bool waitForCondition(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// Serves the event loop for a while, for checks that something does not happen.
inline void serveEventsFor(int milliseconds)
{
    waitForCondition([] { return false; }, milliseconds);
}
