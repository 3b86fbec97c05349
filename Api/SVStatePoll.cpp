#include "Api/SVStatePoll.h"

#include "Api/Source/ORSMainThreadGate.h"

#include <utility>

#include <pthread.h>

struct SVStatePoll::Ticker {
    std::function<void()> tick;
};

SVStatePoll::SVStatePoll(std::function<void()> tick, std::chrono::milliseconds interval)
    : m_interval(interval)
    , m_ticker(std::make_shared<Ticker>(Ticker{std::move(tick)}))
{
}

SVStatePoll::~SVStatePoll()
{
    stop();
}

void SVStatePoll::start(std::function<bool()> keepPolling)
{
    std::unique_lock lock(m_mutex);
    m_keepPolling = std::move(keepPolling);
    m_stopRequested = false;
    if (m_running) {
        m_tickNow = true;
        m_changed.notify_all();
        return;
    }
    m_running = true;
    m_tickNow = false;
    ++m_loopsStarted;
    lock.unlock();
    // A loop that has ended by itself may not have returned yet; it waits for nothing, so this join
    // is short.
    if (m_thread.joinable())
        m_thread.join();
    m_thread = std::thread([this] { run(); });
}

void SVStatePoll::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

bool SVStatePoll::isRunning() const
{
    std::lock_guard lock(m_mutex);
    return m_running;
}

int SVStatePoll::loopsStarted() const
{
    std::lock_guard lock(m_mutex);
    return m_loopsStarted;
}

void SVStatePoll::run()
{
    pthread_setname_np(pthread_self(), "state-poll");
    const std::weak_ptr<Ticker> ticker = m_ticker;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_stopRequested || !m_keepPolling || !m_keepPolling()) {
            m_running = false;
            // Whatever the condition holds (such as a port) is let go of on the main thread.
            ORSMainThreadGate::post([dropped = std::exchange(m_keepPolling, nullptr)] {});
            return;
        }
        ORSMainThreadGate::post([ticker] {
            if (const std::shared_ptr<Ticker> alive = ticker.lock())
                alive->tick();
        });
        m_tickNow = false;
        m_changed.wait_for(lock, m_interval, [this] { return m_stopRequested || m_tickNow; });
    }
}
