#include "Classes/View/Slider/SVPressRepeater.h"

#include <condition_variable>
#include <mutex>

SVPressRepeater::SVPressRepeater(std::function<void()> postTick, std::chrono::milliseconds interval)
    : m_postTick(std::move(postTick))
    , m_interval(interval)
{
}

SVPressRepeater::~SVPressRepeater()
{
    stopWorker();
}

void SVPressRepeater::press()
{
    // A run left over from an earlier press must not keep stepping towards that press's point.
    stopWorker();
    m_move.store(false);
    m_postTick();
}

void SVPressRepeater::startRepeat()
{
    if (m_move.load() || m_worker.joinable())
        return;
    m_worker = std::jthread([this](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wake;
        while (!m_move.load()) {
            m_postTick();
            std::unique_lock lock(mutex);
            // Sleeps one interval; a stop request (press or destruction) wakes it at once.
            if (wake.wait_for(lock, stop, m_interval, [] { return false; }) || stop.stop_requested())
                return;
        }
    });
}

void SVPressRepeater::release()
{
    m_move.store(true);
}

void SVPressRepeater::stopWorker()
{
    m_move.store(true);
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
    m_worker = std::jthread();
}
