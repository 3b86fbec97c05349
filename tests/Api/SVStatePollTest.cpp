#include "Api/SVStatePoll.h"

#include "support/core/EventLoopWait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <set>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A port stand-in: open or not, and which threads asked.
struct WatchedPort {
    std::atomic<bool> open{true};
    std::mutex mutex;
    std::set<std::thread::id> askingThreads;

    std::function<bool()> condition()
    {
        return [this] {
            std::lock_guard lock(mutex);
            askingThreads.insert(std::this_thread::get_id());
            return open.load();
        };
    }
    size_t askingThreadCount()
    {
        std::lock_guard lock(mutex);
        return askingThreads.size();
    }
};

}  // namespace

TEST(SVStatePoll, TicksOnTheMainThreadAtOnceAndRepeatedlyUntilTheConditionFails)
{
    int ticks = 0;
    bool offMainThread = false;
    SVStatePoll poll([&] {
        ++ticks;
        offMainThread = offMainThread || QThread::currentThread() != QCoreApplication::instance()->thread();
    }, 20ms);
    WatchedPort port;
    poll.start(port.condition());
    EXPECT_TRUE(poll.isRunning());
    ASSERT_TRUE(waitForCondition([&] { return ticks >= 3; })) << "the poll did not tick repeatedly";

    port.open = false;
    ASSERT_TRUE(waitForCondition([&] { return !poll.isRunning(); })) << "the loop did not end with the condition";
    QCoreApplication::processEvents();
    const int ticksAtEnd = ticks;
    serveEventsFor(100);
    EXPECT_EQ(ticks, ticksAtEnd) << "ticks after the loop ended";
    EXPECT_FALSE(offMainThread);
}

TEST(SVStatePoll, RestartDuringAPauseKeepsOneLoopAndTicksAtOnce)
{
    int ticks = 0;
    SVStatePoll poll([&] { ++ticks; }, 1h);  // only a restart can make it tick again
    WatchedPort first;
    poll.start(first.condition());
    ASSERT_TRUE(waitForCondition([&] { return ticks == 1; })) << "no first tick";

    // The port closes and opens again while the loop sleeps.
    first.open = false;
    WatchedPort second;
    poll.start(second.condition());
    ASSERT_TRUE(waitForCondition([&] { return ticks == 2; })) << "the restart did not tick at once";
    EXPECT_TRUE(poll.isRunning());
    EXPECT_EQ(poll.loopsStarted(), 1);
    EXPECT_EQ(first.askingThreadCount() + second.askingThreadCount(), 2u);
    {
        std::lock_guard lockFirst(first.mutex);
        std::lock_guard lockSecond(second.mutex);
        EXPECT_EQ(first.askingThreads, second.askingThreads) << "a second loop was started";
    }
    serveEventsFor(50);
    EXPECT_EQ(ticks, 2);
}

TEST(SVStatePoll, StartsANewLoopAfterTheOldOneEnded)
{
    int ticks = 0;
    SVStatePoll poll([&] { ++ticks; }, 10ms);
    WatchedPort port;
    port.open = false;
    poll.start(port.condition());
    ASSERT_TRUE(waitForCondition([&] { return !poll.isRunning(); })) << "a closed port kept the loop";
    serveEventsFor(30);
    EXPECT_EQ(ticks, 0);

    port.open = true;
    poll.start(port.condition());
    ASSERT_TRUE(waitForCondition([&] { return ticks >= 2; })) << "the second opening did not poll";
    EXPECT_EQ(poll.loopsStarted(), 2);
}

TEST(SVStatePoll, StopWakesASleepingLoopAndDestructionDropsTicksNotYetRun)
{
    int ticks = 0;
    WatchedPort port;
    {
        SVStatePoll poll([&] { ++ticks; }, 1h);
        poll.start(port.condition());
        ASSERT_TRUE(waitForCondition([&] { return port.askingThreadCount() == 1; })) << "the loop never ran";
        // The first tick is queued for the main thread but not run before the poll goes.
    }
    serveEventsFor(50);
    EXPECT_EQ(ticks, 0);
}

TEST(SVStatePoll, TheConditionIsReleasedOnTheMainThreadWhenTheLoopEnds)
{
    struct Release {
        std::mutex mutex;
        std::optional<std::thread::id> thread;
    } release;
    struct Held {
        explicit Held(Release& release) : release(release) {}
        ~Held()
        {
            std::lock_guard lock(release.mutex);
            release.thread = std::this_thread::get_id();
        }
        Release& release;
    };
    auto released = [&] {
        std::lock_guard lock(release.mutex);
        return release.thread;
    };
    SVStatePoll poll([] {}, 10ms);
    {
        auto held = std::make_shared<Held>(release);
        poll.start([held] { return false; });
    }
    ASSERT_TRUE(waitForCondition([&] { return released().has_value(); })) << "the condition was never released";
    EXPECT_EQ(*released(), std::this_thread::get_id());
}
