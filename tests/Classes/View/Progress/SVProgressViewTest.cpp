// The write progress bar: the step schedule, whole runs on a test clock (exact step counts), one run
// on the real timers (bounded waits, no timing assertions), a second start and a stop during a run.
#include "Classes/View/Progress/SVProgressView.h"
#include "Tools/SVLocalized.h"

#include <QTest>
#include <gtest/gtest.h>

#include <map>

namespace {

using std::chrono::microseconds;

// A clock of the test's own: tasks run in order of their due time, ties in order of scheduling.
class TestClock {
public:
    SVProgressView::Scheduler scheduler()
    {
        return [this](microseconds delay, std::function<void()> task) {
            m_tasks.emplace(std::make_pair(m_now + delay, m_sequence++), std::move(task));
        };
    }
    // Runs every task due up to the given time (or all of them).
    void runUntil(microseconds end = microseconds::max())
    {
        while (!m_tasks.empty() && m_tasks.begin()->first.first <= end) {
            auto next = m_tasks.extract(m_tasks.begin());
            m_now = next.key().first;
            next.mapped()();
        }
    }
    // Runs the tasks of the earliest due time.
    void runNextSlot()
    {
        if (!m_tasks.empty())
            runUntil(m_tasks.begin()->first.first);
    }
    microseconds now() const { return m_now; }
    bool idle() const { return m_tasks.empty(); }

private:
    std::multimap<std::pair<microseconds, long>, std::function<void()>> m_tasks;
    microseconds m_now { 0 };
    long m_sequence = 0;
};

// Texts show as "[key]" while the test runs, so that a looked-up text differs from its key.
struct BracketedTexts {
    BracketedTexts() { SVLocalized::setLookup([](const QString& key) { return "[" + key + "]"; }); }
    ~BracketedTexts() { SVLocalized::setLookup({}); }
};

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(161, 30);
        view.setScheduler(clock.scheduler());
    }

    // Runs the clock step by step and returns the time at which the title first says complete.
    std::optional<microseconds> runUntilComplete()
    {
        while (!clock.idle()) {
            clock.runNextSlot();
            if (view.title() == "[set_complete]")
                return clock.now();
        }
        return std::nullopt;
    }

    BracketedTexts texts;
    TestClock clock;
    SVProgressView view;
};

TEST(SVProgressViewSchedule, HasOneHundredSixtyTwoStepsSummedInSinglePrecision)
{
    const QList<float> delays = SVProgressView::stepDelays();
    ASSERT_EQ(delays.size(), 162);
    EXPECT_EQ(delays.first(), 0.0f);
    EXPECT_NEAR(delays.last(), 0.99999887, 1e-6);
    EXPECT_LT(delays.last(), 1.0f);
}

TEST_F(ProgressTest, ARunCompletesAtItsLastStepAndHidesHalfASecondLater)
{
    EXPECT_EQ(view.title(), "[setting]");
    view.setPro(0.1);
    EXPECT_TRUE(view.isVisible());
    const auto completedAt = runUntilComplete();
    ASSERT_TRUE(completedAt.has_value());
    // The completing step is the 162nd, the last: it found 161.1 and left 162.1.
    EXPECT_NEAR(view.pro(), 162.1, 1e-9);
    EXPECT_NEAR(completedAt->count(), 999999, 2);
    EXPECT_TRUE(view.isVisible());

    clock.runUntil(*completedAt + std::chrono::milliseconds(499));
    EXPECT_TRUE(view.isVisible());
    clock.runUntil();
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.pro(), 0);
    EXPECT_EQ(view.title(), "[setting]");
}

TEST_F(ProgressTest, TitleSaysSettingUntilTheStepThatFindsTheBarFull)
{
    view.setPro(0);  // steps called by hand from 0
    for (int step = 0; step < 161; ++step) {
        view.showProgress();
        ASSERT_EQ(view.title(), "[setting]") << "step " << step;
    }
    EXPECT_EQ(view.pro(), 161);
    view.showProgress();
    EXPECT_EQ(view.title(), "[set_complete]");
    EXPECT_EQ(view.pro(), 162);
    clock.runUntil();
    EXPECT_EQ(view.title(), "[setting]");
    EXPECT_EQ(view.pro(), 0);
}

TEST_F(ProgressTest, ASecondStartFillsTheSameBarTwiceAsFast)
{
    view.setPro(0.1);
    view.setPro(0.1);
    const auto completedAt = runUntilComplete();
    ASSERT_TRUE(completedAt.has_value());
    // 162 steps of both runs together: 81 time slots, about half a second.
    EXPECT_NEAR(view.pro(), 162.1, 1e-9);
    EXPECT_NEAR(completedAt->count(), 80 * 6211.18, 100);
    clock.runUntil();
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.title(), "[setting]");
}

TEST_F(ProgressTest, AStopHidesTheBarWhileScheduledStepsStillRun)
{
    view.setPro(0.1);
    view.setPro(0);  // before any step has run
    EXPECT_FALSE(view.isVisible());
    // The steps still run from 0: the 162nd finds 161, completes and schedules the hide.
    const auto completedAt = runUntilComplete();
    ASSERT_TRUE(completedAt.has_value());
    EXPECT_NEAR(view.pro(), 162, 1e-9);
    EXPECT_FALSE(view.isVisible());
    clock.runUntil();
    EXPECT_EQ(view.title(), "[setting]");
    EXPECT_EQ(view.pro(), 0);
}

TEST_F(ProgressTest, AStopLateInARunNeverCompletes)
{
    view.setPro(0.1);
    clock.runUntil(microseconds(500000));
    view.setPro(0);
    EXPECT_FALSE(runUntilComplete().has_value());
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.title(), "[setting]");
}

// A run whose work reports later: "set_complete" waits for the confirmation however late it comes,
// and a stop (the work failed) ends the run without it, before or after the bar is full.
TEST_F(ProgressTest, CompletionWaitsForTheConfirmationAndAStopEndsTheRunWithoutIt)
{
    struct Case {
        const char* name;
        microseconds outcomeAt;
        bool confirmed;
    };
    for (const Case& c : {Case{"confirmed early", microseconds(300000), true},
                          Case{"confirmed after the last step", microseconds(1200000), true},
                          Case{"stopped early", microseconds(300000), false},
                          Case{"stopped after the last step", microseconds(1200000), false}}) {
        SCOPED_TRACE(c.name);
        SVProgressView bar;
        TestClock runClock;
        bar.setScheduler(runClock.scheduler());
        bar.awaitConfirmation();
        bar.setPro(0.1);
        bool completeBeforeOutcome = false;
        while (!runClock.idle() && runClock.now() < c.outcomeAt) {
            runClock.runNextSlot();
            completeBeforeOutcome = completeBeforeOutcome || bar.title() == "[set_complete]";
        }
        EXPECT_FALSE(completeBeforeOutcome);
        if (c.confirmed)
            bar.confirm();
        else
            bar.stop();
        bool completeAfterOutcome = bar.title() == "[set_complete]";
        while (!runClock.idle()) {
            runClock.runNextSlot();
            completeAfterOutcome = completeAfterOutcome || bar.title() == "[set_complete]";
        }
        EXPECT_EQ(completeAfterOutcome, c.confirmed);
        EXPECT_FALSE(bar.isVisible());
        EXPECT_EQ(bar.title(), "[setting]");
    }
}

TEST_F(ProgressTest, NonPositiveValuesOnlyHide)
{
    view.show();
    view.setPro(-3);
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.pro(), -3);
    EXPECT_TRUE(clock.idle());
}

TEST_F(ProgressTest, PaintsTheGreenBarOverTheGreyTrack)
{
    view.setPro(100);
    const QImage image = view.grab().toImage();
    EXPECT_EQ(image.pixelColor(QPoint(50, 3) * image.devicePixelRatio()), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(QPoint(150, 3) * image.devicePixelRatio()), QColor(170, 170, 170));
}

// The same run on the application's own timers, waited for with a deadline.
TEST(SVProgressViewTimers, ARunOnRealTimersEndsHiddenAndReset)
{
    SVProgressView view;
    view.resize(161, 30);
    bool sawComplete = false;
    view.setPro(0.1);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        sawComplete = sawComplete || view.title() == "set_complete";
        return !view.isVisible();
    }, 10000)) << "the bar never hid itself";
    EXPECT_TRUE(sawComplete);
    EXPECT_EQ(view.pro(), 0);
    EXPECT_EQ(view.title(), "setting");
}

}  // namespace
