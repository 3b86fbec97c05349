#include "Api/Source/MainThreadModalLoop.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <deque>

namespace {

struct HeldWork {
    QPointer<QObject> context;
    std::function<void()> work;
};

int depth = 0;
std::deque<HeldWork> held;
bool releaseScheduled = false;

// Runs the held work in order until none is left or a piece of it opens a modal loop of its own.
void releaseHeld()
{
    releaseScheduled = false;
    while (depth == 0 && !held.empty()) {
        HeldWork next = std::move(held.front());
        held.pop_front();
        if (next.context)
            next.work();
    }
}

// The release runs from the event loop the modal loop returns to, not from inside the code that
// opened it.
void scheduleRelease()
{
    if (releaseScheduled || held.empty() || !QCoreApplication::instance())
        return;
    releaseScheduled = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), releaseHeld, Qt::QueuedConnection);
}

}  // namespace

MainThreadModalLoop::Scope::Scope()
{
    ++depth;
}

MainThreadModalLoop::Scope::~Scope()
{
    if (--depth == 0)
        scheduleRelease();
}

bool MainThreadModalLoop::isRunning()
{
    return depth > 0;
}

void MainThreadModalLoop::runOutside(QObject* context, std::function<void()> work)
{
    if (depth == 0 && held.empty()) {
        work();
        return;
    }
    held.push_back({context, std::move(work)});
    if (depth == 0)
        scheduleRelease();
}
