// Hands work from a port's background threads to the main thread, in posting order. A background
// thread may wait until its work has run there; such a wait ends early once the gate is released,
// which whoever is about to join that thread does first, so that neither ever waits for the other.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class ORSMainThreadGate : public std::enable_shared_from_this<ORSMainThreadGate> {
public:
    static bool isMainThread();
    // Queues work to the main thread without waiting (a queued QMetaObject::invokeMethod call).
    // Dropped when there is no application object.
    static void post(std::function<void()> work);

    // Runs work on the main thread: at once when called there, else queued, waiting until it has run
    // unless the gate is or becomes released.
    void runAndWait(std::function<void()> work);
    // Ends every present and future wait on this gate.
    void release();

private:
    struct Completion;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_released = false;
};
