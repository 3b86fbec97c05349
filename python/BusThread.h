// The thread where the module's buses run. The serial port hands its news (replies, an unplug) to the
// Qt application's thread, and a bus waiting for a reply runs that thread's event loop, so every bus
// call has to run there. Without an application object in the process the module starts one on a
// thread of its own; with one (a Qt program that imports the module), its thread is used. Calls run
// there one at a time, in the order they come; the calling thread waits.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class QCoreApplication;

class BusThread {
public:
    // How often a waiting caller's tick runs.
    static constexpr std::chrono::milliseconds tickInterval{50};

    static BusThread& instance();

    // Runs work on the bus thread and returns once it has run, rethrowing what it threw. While the
    // caller waits, tick runs on the caller's thread every tickInterval and says whether the caller
    // gives up: before the work has begun it is then dropped and run returns false; once begun, the
    // work runs to its end (tick's owner asks it to stop its own way).
    bool run(const std::function<void()>& work, const std::function<bool()>& tick);

    // Ends the module's own thread (its application object goes with it); later calls fail.
    void stop();

private:
    BusThread() = default;
    QCoreApplication* application();
    void serve();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::timed_mutex m_turn;  // one call at a time, so that no call runs inside another's wait
    std::thread m_thread;
    QCoreApplication* m_application = nullptr;
    bool m_stopped = false;
};
