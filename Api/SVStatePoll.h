// The state poll of an open port: a background loop that, while its condition holds, hands one tick
// to the main thread and then sleeps for the interval. There is at most one loop per poll: starting
// it while a loop runs only replaces the condition and ticks at once, so closing and reopening a
// port within one pause never leaves two loops. Destruction stops and joins the loop; ticks already
// handed over but not yet run are then dropped.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class SVStatePoll {
public:
    static constexpr std::chrono::milliseconds defaultInterval{1000};

    // tick runs on the main thread, once per pass of the loop.
    explicit SVStatePoll(std::function<void()> tick, std::chrono::milliseconds interval = defaultInterval);
    ~SVStatePoll();
    SVStatePoll(const SVStatePoll&) = delete;
    SVStatePoll& operator=(const SVStatePoll&) = delete;

    // From the main thread. keepPolling is tested on the background thread at the top of every pass
    // (it must be safe to call there); the loop ends at the first pass that finds it false, and the
    // condition is then destroyed on the main thread.
    void start(std::function<bool()> keepPolling);
    // From the main thread: ends the loop and joins it.
    void stop();
    bool isRunning() const;
    // How many loops were started so far: a restart during a pause does not start one.
    int loopsStarted() const;

    std::chrono::milliseconds interval() const { return m_interval; }

private:
    struct Ticker;  // the main-thread end of the loop, dropped with the poll
    void run();

    const std::chrono::milliseconds m_interval;
    std::shared_ptr<Ticker> m_ticker;

    mutable std::mutex m_mutex;  // guards the members below
    std::condition_variable m_changed;
    std::function<bool()> m_keepPolling;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_tickNow = false;
    int m_loopsStarted = 0;

    std::thread m_thread;  // main thread only
};
