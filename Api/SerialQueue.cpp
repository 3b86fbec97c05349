#include "Api/SerialQueue.h"

#include <pthread.h>

SerialQueue::SerialQueue(std::string label)
    : m_label(std::move(label))
    , m_worker([this] { run(); })
{
    // Thread names are limited to 15 characters; the tail of a reverse-DNS label says the most.
    const std::string name = m_label.size() > 15 ? m_label.substr(m_label.size() - 15) : m_label;
    pthread_setname_np(m_worker.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_taskAdded.notify_one();
    m_worker.join();
}

void SerialQueue::async(Task task)
{
    submit({std::move(task), true});
}

void SerialQueue::asyncUnpaced(Task task)
{
    submit({std::move(task), false});
}

void SerialQueue::submit(Queued queued)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(queued));
    }
    m_taskAdded.notify_one();
}

void SerialQueue::holdNextTask(std::chrono::steady_clock::duration pause)
{
    m_nextTaskNotBefore = std::chrono::steady_clock::now() + pause;
}

bool SerialQueue::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, timeout, [this] { return m_tasks.empty() && !m_running; });
}

void SerialQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_taskAdded.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_tasks.empty()) {
            return;  // stopping, and everything submitted has run
        }
        if (m_tasks.front().paced && std::chrono::steady_clock::now() < m_nextTaskNotBefore) {
            lock.unlock();
            std::this_thread::sleep_until(m_nextTaskNotBefore);
            lock.lock();
            continue;
        }
        Task task = std::move(m_tasks.front().task);
        m_tasks.pop_front();
        m_running = true;
        lock.unlock();
        task();
        task = nullptr;  // release what the task holds before reporting idle
        lock.lock();
        m_running = false;
        if (m_tasks.empty())
            m_idle.notify_all();
    }
}
