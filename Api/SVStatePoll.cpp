#include "Api/SVStatePoll.h"

#include <utility>

SVStatePoll::SVStatePoll(std::function<void()> tick, std::chrono::milliseconds interval)
    : m_interval(interval)
    , m_tick(std::move(tick))
{
    // Precise: the passes keep their once-an-interval rhythm instead of drifting with the timer slack.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { pass(); });
}

void SVStatePoll::start(std::function<bool()> keepPolling)
{
    m_keepPolling = std::move(keepPolling);
    if (!isRunning())
        ++m_loopsStarted;
    m_timer.start(0);
}

void SVStatePoll::stop()
{
    m_timer.stop();
    m_keepPolling = nullptr;
}

void SVStatePoll::pass()
{
    if (!m_keepPolling || !m_keepPolling()) {
        stop();
        return;
    }
    m_timer.start(m_interval);
    m_tick();
}
