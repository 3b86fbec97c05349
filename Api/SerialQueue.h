// A serial task queue: one worker thread runs the submitted tasks one at a time, in submission
// order. Destruction lets the tasks already submitted finish, then joins the worker.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class SerialQueue {
public:
    using Task = std::function<void()>;

    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return m_label; }

    // Submits a task and returns at once.
    void async(Task task);
    // Submits a task that writes nothing (bookkeeping behind earlier tasks): it runs in order but does
    // not wait for a hold, which stays for the task after it.
    void asyncUnpaced(Task task);
    // From a running task: the next task starts no sooner than pause from now. The queue pauses only
    // when there is a next task, so an idle queue sleeps without waking at the pause's end.
    void holdNextTask(std::chrono::steady_clock::duration pause);
    // Waits until every task submitted so far has run, at most for timeout. True when idle.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

private:
    struct Queued {
        Task task;
        bool paced = true;  // waits for a hold
    };
    void submit(Queued queued);
    void run();

    const std::string m_label;
    std::mutex m_mutex;
    std::condition_variable m_taskAdded;
    std::condition_variable m_idle;
    std::deque<Queued> m_tasks;
    bool m_running = false;  // a task is being run
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_nextTaskNotBefore{};  // worker thread only
    std::thread m_worker;  // last: started once everything above exists
};
