// The hand-over from background threads to the main thread: order, waiting and release.
#include "Api/Source/ORSMainThreadGate.h"

#include "support/core/EventLoopWait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(ORSMainThreadGate, WorkPostedFromSeveralThreadsRunsOnTheMainThreadInEachThreadsOrder)
{
    constexpr int threads = 4;
    constexpr int postsPerThread = 500;
    std::vector<std::vector<int>> seen(threads);  // touched on the main thread only
    std::atomic<bool> offMainThread{false};
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < postsPerThread; ++i) {
                ORSMainThreadGate::post([&, t, i] {
                    if (!ORSMainThreadGate::isMainThread())
                        offMainThread = true;
                    seen[t].push_back(i);
                });
            }
        });
    }
    for (std::thread& poster : posters)
        poster.join();
    const auto allRan = [&] {
        for (const auto& list : seen) {
            if (list.size() < postsPerThread)
                return false;
        }
        return true;
    };
    ASSERT_TRUE(waitForCondition(allRan));
    EXPECT_FALSE(offMainThread);
    std::vector<int> expected(postsPerThread);
    for (int i = 0; i < postsPerThread; ++i)
        expected[i] = i;
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(seen[t], expected) << "thread " << t;
}

TEST(ORSMainThreadGate, RunAndWaitReturnsAfterTheWorkRanAndAtOnceOnTheMainThread)
{
    auto gate = std::make_shared<ORSMainThreadGate>();
    int ranOnMain = 0;
    gate->runAndWait([&] { ranOnMain += ORSMainThreadGate::isMainThread() ? 1 : 100; });
    EXPECT_EQ(ranOnMain, 1);

    std::atomic<bool> returned{false};
    bool ranBeforeReturn = false;
    std::thread worker([&] {
        bool ran = false;
        gate->runAndWait([&] { ran = ORSMainThreadGate::isMainThread(); });
        ranBeforeReturn = ran;
        returned = true;
    });
    EXPECT_TRUE(waitForCondition([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(ranBeforeReturn);
}

TEST(ORSMainThreadGate, ReleaseEndsAWaitThatTheMainThreadDoesNotServe)
{
    auto gate = std::make_shared<ORSMainThreadGate>();
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        gate->runAndWait([&] { ran = true; });
        returned = true;
    });
    gate->release();
    // No events are served while waiting here, so only the release can end the wait.
    const QDeadlineTimer deadline(5000);
    while (!returned && !deadline.hasExpired())
        std::this_thread::yield();
    EXPECT_TRUE(returned) << "the released wait did not end";
    EXPECT_FALSE(ran) << "the work ran although the main thread served nothing";
    // The work itself is not lost: it runs once the main thread serves its events.
    EXPECT_TRUE(waitForCondition([&] { return ran.load(); }));
    worker.join();
}

// Work that runs a nested event loop (a modal box does) must not hold up the work behind it: both what
// was queued before it and what is posted while it runs are run inside that loop.
TEST(ORSMainThreadGate, WorkWaitingBehindANestedEventLoopRunsInsideIt)
{
    bool queuedBehindRan = false;
    bool postedDuringRan = false;
    bool nestedLoopSawBoth = false;
    std::thread poster([&] {
        ORSMainThreadGate::post([&] {
            std::thread([&] { ORSMainThreadGate::post([&] { postedDuringRan = true; }); }).join();
            nestedLoopSawBoth = waitForCondition([&] { return queuedBehindRan && postedDuringRan; });
        });
        ORSMainThreadGate::post([&] { queuedBehindRan = true; });
    });
    poster.join();
    ASSERT_TRUE(waitForCondition([&] { return queuedBehindRan && postedDuringRan; }));
    EXPECT_TRUE(nestedLoopSawBoth) << "work waited for the nested loop to end";
}
