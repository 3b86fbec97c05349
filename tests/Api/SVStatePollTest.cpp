#include "Api/SVStatePoll.h"

#include "support/core/EventLoopWait.h"

#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

TEST(SVStatePoll, TicksFromTheEventLoopAtOnceAndRepeatedlyUntilTheConditionFailsThenLetsItGo)
{
    int ticks = 0;
    SVStatePoll poll([&] { ++ticks; }, 20ms);
    bool open = true;
    auto held = std::make_shared<int>(0);  // stands for the port the condition keeps alive
    poll.start([&open, held] { return open; });
    const std::weak_ptr<int> watched = held;
    held.reset();
    EXPECT_EQ(ticks, 0) << "the first pass ran inside start()";
    EXPECT_TRUE(poll.isRunning());
    ASSERT_TRUE(waitForCondition([&] { return ticks >= 3; })) << "the poll did not tick repeatedly";

    open = false;
    ASSERT_TRUE(waitForCondition([&] { return !poll.isRunning(); })) << "the loop did not end with the condition";
    EXPECT_TRUE(watched.expired()) << "the ended loop still holds its condition";
    const int ticksAtEnd = ticks;
    serveEventsFor(100);
    EXPECT_EQ(ticks, ticksAtEnd) << "ticks after the loop ended";
}

// A port closed and opened again while the loop sleeps: the same loop ticks at once for the new one.
// Once a loop has ended, the next start begins a new one.
TEST(SVStatePoll, RestartDuringAPauseKeepsOneLoopAndTicksAtOnceAfterAnEndedLoopANewOneStarts)
{
    int ticks = 0;
    SVStatePoll poll([&] { ++ticks; }, 1h);  // only a restart can make it tick again
    poll.start([] { return true; });
    ASSERT_TRUE(waitForCondition([&] { return ticks == 1; })) << "no first tick";
    poll.start([] { return true; });
    ASSERT_TRUE(waitForCondition([&] { return ticks == 2; })) << "the restart did not tick at once";
    EXPECT_EQ(poll.loopsStarted(), 1);
    serveEventsFor(50);
    EXPECT_EQ(ticks, 2) << "a second loop ticks beside the first";

    poll.start([] { return false; });
    ASSERT_TRUE(waitForCondition([&] { return !poll.isRunning(); })) << "a closed port kept the loop";
    poll.start([] { return true; });
    ASSERT_TRUE(waitForCondition([&] { return ticks == 3; })) << "the new opening did not poll";
    EXPECT_EQ(poll.loopsStarted(), 2);
}

TEST(SVStatePoll, StopBeforeTheFirstPassTicksNever)
{
    int ticks = 0;
    SVStatePoll poll([&] { ++ticks; }, 10ms);
    poll.start([] { return true; });
    poll.stop();
    serveEventsFor(50);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(poll.isRunning());
}
