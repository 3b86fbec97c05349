// The state poll of an open port: while its condition holds, a tick once per interval on the main
// thread. There is at most one loop per poll: starting it while a loop runs only replaces the condition
// and ticks at once, so closing and reopening a port within one pause never leaves two loops. The
// loop lives on the main thread's timer, so an idle window has no thread of its own to wake for it.
#pragma once

#include <QTimer>

#include <chrono>
#include <functional>

class SVStatePoll {
public:
    static constexpr std::chrono::milliseconds defaultInterval{1000};

    // tick runs on the main thread, once per pass of the loop.
    explicit SVStatePoll(std::function<void()> tick, std::chrono::milliseconds interval = defaultInterval);
    SVStatePoll(const SVStatePoll&) = delete;
    SVStatePoll& operator=(const SVStatePoll&) = delete;

    // From the main thread. keepPolling is tested at the top of every pass, the first one as soon as
    // the main thread's events are served; the loop ends at the first pass that finds it false, and
    // the condition is then let go of.
    void start(std::function<bool()> keepPolling);
    // Ends the loop; no tick runs after it.
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    // How many loops were started so far: a restart during a pause does not start one.
    int loopsStarted() const { return m_loopsStarted; }

    std::chrono::milliseconds interval() const { return m_interval; }

private:
    void pass();

    const std::chrono::milliseconds m_interval;
    const std::function<void()> m_tick;
    std::function<bool()> m_keepPolling;
    QTimer m_timer;  // active while a loop runs: a pass is always due
    int m_loopsStarted = 0;
};
