// The press repeat on its own: one tick per press, ticks from the worker until release, and a
// worker that never outlives its owner.
#include "Classes/View/Slider/SVPressRepeater.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Polls a condition for at most `limit`.
template<typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 3000ms)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

}  // namespace

TEST(SVPressRepeater, PressPostsExactlyOneTickAndRepeatRunsUntilRelease)
{
    std::atomic<int> ticks{0};
    SVPressRepeater repeater([&] { ++ticks; }, 10ms);
    repeater.press();
    EXPECT_EQ(ticks.load(), 1);
    EXPECT_FALSE(repeater.move());

    repeater.startRepeat();
    ASSERT_TRUE(eventually([&] { return ticks.load() >= 5; })) << "the repeat run posted no ticks";
    repeater.release();
    EXPECT_TRUE(repeater.move());
    const int atRelease = ticks.load();
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(ticks.load(), atRelease + 1) << "at most the tick already under way may follow the release";
}

TEST(SVPressRepeater, RepeatDoesNotStartAfterRelease)
{
    std::atomic<int> ticks{0};
    SVPressRepeater repeater([&] { ++ticks; }, 10ms);
    repeater.press();
    repeater.release();
    repeater.startRepeat();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ticks.load(), 1);
}

TEST(SVPressRepeater, NewPressEndsTheEarlierRun)
{
    std::atomic<int> ticks{0};
    SVPressRepeater repeater([&] { ++ticks; }, 10ms);
    repeater.press();
    repeater.startRepeat();
    ASSERT_TRUE(eventually([&] { return ticks.load() >= 3; })) << "the repeat run posted no ticks";
    repeater.release();
    repeater.press();  // before the old worker has noticed the release
    const int afterPress = ticks.load();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(ticks.load(), afterPress) << "the earlier run kept ticking into the new press";
}

TEST(SVPressRepeater, DestructionStopsARunningRepeat)
{
    std::atomic<int> ticks{0};
    {
        SVPressRepeater repeater([&] { ++ticks; }, 1000ms);
        repeater.press();
        repeater.startRepeat();
        ASSERT_TRUE(eventually([&] { return ticks.load() >= 2; })) << "the repeat run posted no ticks";
    }
    const int afterDestruction = ticks.load();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks.load(), afterDestruction);
}
