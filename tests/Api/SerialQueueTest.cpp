#include "Api/SerialQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(SerialQueue, RunsTasksOneAtATimeInSubmissionOrderOffTheCallersThread)
{
    SerialQueue queue("org.servodesk.test");
    std::vector<int> order;  // only touched by the worker until waitUntilIdle returns
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::thread::id workerId;
    for (int i = 0; i < 100; ++i) {
        queue.async([&, i] {
            if (running.fetch_add(1) != 0)
                overlapped = true;
            order.push_back(i);
            workerId = std::this_thread::get_id();
            running.fetch_sub(1);
        });
    }
    ASSERT_TRUE(queue.waitUntilIdle(10s)) << "the queue did not drain";
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_FALSE(overlapped);
    EXPECT_NE(workerId, std::this_thread::get_id());
}

TEST(SerialQueue, IsNotIdleWhileATaskRuns)
{
    SerialQueue queue("org.servodesk.test");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    queue.async([released] { released.wait(); });
    EXPECT_FALSE(queue.waitUntilIdle(10ms));
    release.set_value();
    EXPECT_TRUE(queue.waitUntilIdle(10s));
}

TEST(SerialQueue, DestructionRunsWhatWasSubmittedThenJoins)
{
    std::atomic<int> ran{0};
    {
        SerialQueue queue("org.servodesk.test");
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        queue.async([released, &ran] { released.wait(); ++ran; });
        for (int i = 0; i < 10; ++i)
            queue.async([&ran] { ++ran; });
        release.set_value();
    }
    EXPECT_EQ(ran, 11);
}

// The pause a task asks for delays the next task, whenever it comes, and leaves the queue idle
// meanwhile: nothing waits on a queue that has nothing to run.
TEST(SerialQueue, AHoldDelaysTheNextTaskWithoutKeepingTheQueueBusy)
{
    SerialQueue queue("org.servodesk.test");
    using Clock = std::chrono::steady_clock;
    Clock::time_point held, started;
    queue.async([&] {
        held = Clock::now();
        queue.holdNextTask(200ms);
    });
    ASSERT_TRUE(queue.waitUntilIdle(10s));
    queue.async([&] { started = Clock::now(); });
    ASSERT_TRUE(queue.waitUntilIdle(10s));
    EXPECT_GE(started - held, 200ms);

    // Bookkeeping behind a held task runs at once; the hold stays for the task after it.
    std::atomic<bool> bookkept{false}, next{false};
    queue.async([&] { queue.holdNextTask(2s); });
    queue.asyncUnpaced([&] { bookkept = true; });
    queue.async([&] { next = true; });
    while (!bookkept)
        std::this_thread::yield();
    EXPECT_FALSE(next) << "the hold did not hold back the task behind the bookkeeping";
    ASSERT_TRUE(queue.waitUntilIdle(10s));
    EXPECT_TRUE(next);
}
