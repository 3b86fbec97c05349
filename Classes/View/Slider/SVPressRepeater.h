// The press repeat of a slider: one step tick for a press, and, while the button stays down, a
// background worker that posts a tick every interval until the `move` flag is set.
// Thread use: press, startRepeat, release and the destructor run on the owner's (main) thread; the
// worker only reads the atomic flag, calls postTick and sleeps. postTick must therefore be callable
// from any thread and only hand the tick over to the main thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class SVPressRepeater {
public:
    explicit SVPressRepeater(std::function<void()> postTick,
                             std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    ~SVPressRepeater();  // stops a running repeat and joins its worker

    SVPressRepeater(const SVPressRepeater&) = delete;
    SVPressRepeater& operator=(const SVPressRepeater&) = delete;

    // A new press: ends any earlier repeat run, clears `move` and posts one tick.
    void press();
    // Starts the repeat run unless `move` has been set since the press.
    void startRepeat();
    // Release or drag: sets `move`, which ends the repeat run.
    void release();

    bool move() const { return m_move.load(); }

private:
    void stopWorker();

    const std::function<void()> m_postTick;
    const std::chrono::milliseconds m_interval;
    std::atomic<bool> m_move{true};
    std::jthread m_worker;
};
