// The planned path of streamed steps: eases start and end at rest, through poses are passed without
// stopping and without overshoot, loops join smoothly, speed and rate scale the ticks, and the rate
// follows from what the wire carries.
#include "Api/Bus/MotionPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using MotionPlan::PathPoint;

// One servo's path from a plan: its points in time order.
QList<PathPoint> pathOf(const QList<PathPoint>& points, int servoId)
{
    QList<PathPoint> own;
    for (const PathPoint& point : points)
        if (point.servoId == servoId)
            own.append(point);
    return own;
}

// How far each tick moves.
QList<double> tickMoves(const QList<PathPoint>& own)
{
    QList<double> moves;
    for (qsizetype i = 1; i < own.size(); ++i)
        moves.append(own[i].position - own[i - 1].position);
    return moves;
}

double largestChange(const QList<double>& moves, qsizetype from, qsizetype to)
{
    double largest = 0;
    for (qsizetype i = std::max<qsizetype>(from, 1); i < std::min(to, moves.size()); ++i)
        largest = std::max(largest, std::abs(moves[i] - moves[i - 1]));
    return largest;
}

}  // namespace

TEST(MotionPlan, ThroughPosesArePassedWithoutStoppingOrOvershootAndAnEaseStartsAndEndsAtRest)
{
    // Servo 1 rises, turns back at 700 and falls; servo 2 rises all the way, slowly then steeply.
    const Motion motion{1, {{"a", 400, 0, {{1, 300}, {2, 100}}, MotionCurve::Through},
                            {"b", 600, 0, {{1, 700}, {2, 120}}, MotionCurve::Through},
                            {"c", 300, 0, {{1, 650}, {2, 800}}, MotionCurve::Through},
                            {"d", 500, 0, {{1, 200}, {2, 900}}, MotionCurve::Through},
                            {"e", 800, 0, {{1, 900}, {2, 100}}, MotionCurve::Ease}}};
    MotionPlan::Settings settings;
    settings.limits = {{1, {200, 900}}, {2, {100, 900}}};
    const QList<PathPoint> points = MotionPlan::path(motion, 1, {{1, 300}, {2, 100}}, settings);

    for (int id : {1, 2}) {
        const QList<PathPoint> own = pathOf(points, id);
        ASSERT_EQ(own.size(), 1 + (400 + 600 + 300 + 500 + 800) / 20) << "one point per 20 ms tick, and the start";
        // The poses are reached exactly at their step's end; in between, no point leaves the range of
        // the poses on either side of its segment.
        const double poseTimes[] = {0, 400, 1000, 1300, 1800, 2600};
        QList<int> poses{own.first().position};
        for (const MotionStep& step : motion.steps)
            poses.append(step.positions.value(id));
        qsizetype segment = 0;
        for (const PathPoint& point : own) {
            while (point.timeMs > poseTimes[segment + 1] + 1e-6)
                ++segment;
            if (std::abs(point.timeMs - poseTimes[segment + 1]) < 1e-6) {
                EXPECT_EQ(point.position, poses[segment + 1]) << "servo " << id << " at " << point.timeMs << " ms";
            }
            EXPECT_GE(point.position, std::min(poses[segment], poses[segment + 1])) << "servo " << id << " at " << point.timeMs << " ms";
            EXPECT_LE(point.position, std::max(poses[segment], poses[segment + 1])) << "servo " << id << " at " << point.timeMs << " ms";
        }
        // At each through pose the speed changes no more than it does inside the segments around it
        // (one unit of rounding aside); a pose between rising and falling is passed at rest.
        const QList<double> moves = tickMoves(own);
        for (const qsizetype pose : {20, 50, 65}) {
            const double atPose = std::abs(moves[pose] - moves[pose - 1]);
            const double inside = std::max(largestChange(moves, pose - 15, pose - 1), largestChange(moves, pose + 1, pose + 15));
            EXPECT_LE(atPose, inside + 1) << "servo " << id << " at tick " << pose;
        }
        if (id == 2) {
            EXPECT_GT(moves[49] * moves[50], 0) << "servo 2 passes 120 moving";
        }
        // The ease's first and last tick move at most a tenth of its fastest.
        const QList<double> ease = moves.mid(90);
        double fastest = 0;
        for (double move : ease)
            fastest = std::max(fastest, std::abs(move));
        EXPECT_LE(std::abs(ease.first()), 0.1 * fastest) << "servo " << id;
        EXPECT_LE(std::abs(ease.last()), 0.1 * fastest) << "servo " << id;
    }
}

TEST(MotionPlan, RestsWhereTheRunEndsAndJoinsTheLoopSeamWhenTheLastStepDoesNotPause)
{
    const struct {
        const char* what;
        int lastPauseMs;
        MotionCurve firstCurve;
        int loops;
        bool smoothSeam;
    } cases[] = {
        {"a looping run of through steps", 0, MotionCurve::Through, 2, true},
        {"a run that loops until stopped", 0, MotionCurve::Through, 0, true},
        {"a pause at the end of the loop", 100, MotionCurve::Through, 2, false},
        {"a loop that starts with an ease", 0, MotionCurve::Ease, 2, false},
    };
    for (const auto& c : cases) {
        // Around the seam servo 1 rises from 200 through 500 (the last pose) to 800 (the first).
        const Motion motion{2, {{"a", 200, 0, {{1, 800}}, c.firstCurve},
                                {"b", 200, 0, {{1, 200}}, MotionCurve::Through},
                                {"c", 200, c.lastPauseMs, {{1, 500}}, MotionCurve::Through}}};
        MotionPlan::Settings settings;
        settings.speed = 0.5;  // each step takes 400 ms: 20 ticks of 20 ms
        MotionPlan::State state;
        state.newest = {{1, 800}};  // already at the first pose: no approach
        QList<double> moves;
        int previous = 800;
        double seamSpeed = -1;
        for (int loop = 1; loop <= 2; ++loop) {
            for (qsizetype i = 0; i < motion.steps.size(); ++i) {
                const MotionPlan::StepPlan plan = MotionPlan::planStep(motion, i, MotionPlan::nextStep(motion, i, loop, c.loops), state, settings);
                EXPECT_EQ(plan.ticks, 20) << c.what;
                EXPECT_EQ(plan.moveTimeMs, 20) << c.what;
                for (int point : plan.setPoints[1])
                    moves.append(point - std::exchange(previous, point));
                if (loop == 1 && i == 2)
                    seamSpeed = state.speeds[1];
            }
        }
        if (c.smoothSeam) {
            EXPECT_GT(seamSpeed, 0) << c.what;
            const double atSeam = std::abs(moves[60] - moves[59]);
            EXPECT_GT(moves[59], 0) << c.what;
            EXPECT_LE(atSeam, std::max(largestChange(moves, 45, 59), largestChange(moves, 61, 75)) + 1) << c.what;
        } else {
            EXPECT_EQ(seamSpeed, 0) << c.what;
        }
        EXPECT_EQ(previous, 500) << c.what;
        if (c.loops != 0) {
            EXPECT_EQ(state.speeds[1], 0) << c.what << ": the last loop ends at rest";
        }
    }
}

TEST(MotionPlan, TheRateLeavesTheWireRoomForTheReadsAndAnAskedRateIsCheckedAgainstIt)
{
    EXPECT_EQ(MotionPlan::chosenRate(6), 50);
    EXPECT_GE(MotionPlan::chosenRate(18), 30);
    for (int servos : {1, 3, 6, 12, 18}) {
        // What a second of line carries: the chosen rate's move frames and ten reads per servo.
        const double lineMs = servos * (MotionPlan::chosenRate(servos) * 10 * MotionPlan::lineByteMs
                                        + 10 * (14 * MotionPlan::lineByteMs + MotionPlan::servoTurnaroundMs));
        EXPECT_LE(lineMs, 1000) << servos << " servos";
        // At least 80 % of what the whole line carries beside the reads is used where the rate is not capped.
        const double besideReads = (1000.0 / servos - 10 * (14 * MotionPlan::lineByteMs + MotionPlan::servoTurnaroundMs))
            / (10 * MotionPlan::lineByteMs);
        EXPECT_GE(MotionPlan::chosenRate(servos), std::min(MotionPlan::defaultRate, 0.8 * besideReads)) << servos << " servos";
    }
    for (int servos : {1, 3, 6, 12, 18})
        EXPECT_TRUE(MotionPlan::checkedRate(MotionPlan::chosenRate(servos), servos)) << servos << " servos";
    const Result<double> tooFast = MotionPlan::checkedRate(60, 18);
    ASSERT_FALSE(tooFast);
    EXPECT_EQ(tooFast.failure().kind, Failure::Kind::Usage);
    EXPECT_TRUE(tooFast.failure().message.contains("the highest is 35.2/s")) << tooFast.failure().message.toStdString();
    EXPECT_TRUE(MotionPlan::checkedRate(100, 3));
    EXPECT_TRUE(MotionPlan::checkedRate(101, 3).failure().message.contains("the highest is 100/s"));
    EXPECT_FALSE(MotionPlan::checkedRate(0.5, 3));
    EXPECT_TRUE(MotionPlan::checkedRate(MotionPlan::chosenRate(60), 60).failure().message.contains("cannot carry set-points for 60 servos"));
}

TEST(MotionPlan, AFirstStreamedMoveGoesNoFasterThanTheApproachSpeedFromTheNewestPosition)
{
    for (const MotionCurve curve : {MotionCurve::Ease, MotionCurve::Through}) {
        const Motion motion{1, {{"reach", 200, 0, {{1, 700}}, curve}, {"on", 200, 0, {{1, 800}}, curve}}};
        MotionPlan::Settings settings;
        settings.approachSpeed = 0.5;
        MotionPlan::State state;
        state.newest = {{1, 100}};
        const MotionPlan::StepPlan first = MotionPlan::planStep(motion, 0, 1, state, settings);
        int previous = 100;
        double fastest = 0;
        for (int point : first.setPoints[1])
            fastest = std::max(fastest, std::abs(point - std::exchange(previous, point)) / first.tickMs());
        EXPECT_LE(fastest, settings.approachSpeed * 1.05) << "curve " << int(curve) << ": units per ms, rounding aside";
        EXPECT_GE(fastest, settings.approachSpeed * 0.9) << "curve " << int(curve) << ": slower than it needs to be";
        EXPECT_EQ(previous, 700);
        EXPECT_EQ(state.speeds[1], 0) << "an approach ends at rest";
        const MotionPlan::StepPlan second = MotionPlan::planStep(motion, 1, -1, state, settings);
        EXPECT_EQ(second.moveMs, 200) << "the servo has moved: its next step keeps its own time";
    }
}
