// Knows whether the main thread is inside a modal loop (a tip waiting to be dismissed) and holds
// work that must not run inside one: device arrivals and removals wait until the last modal loop
// has ended, then run in the order they came, from the main thread's own event loop.
#pragma once

#include <QObject>

#include <functional>

class MainThreadModalLoop {
public:
    // Marks a modal loop for its lifetime. Scopes nest; main thread only.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    static bool isRunning();
    // Runs work at once when no modal loop runs and nothing is held; otherwise holds it behind the
    // work already held. Held work whose context is gone is dropped.
    static void runOutside(QObject* context, std::function<void()> work);
};
