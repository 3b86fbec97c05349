#include "Api/Bus/MotionPlan.h"

#include <algorithm>
#include <cmath>

namespace MotionPlan {

namespace {

// Fastest speed of a rest-to-rest curve over its average: the quintic ease, and the cubic a through
// step has when it starts and ends at rest.
constexpr double easePeak = 1.875;
constexpr double restCubicPeak = 1.5;

double smootherStep(double u)
{
    return u * u * u * (u * (u * 6 - 15) + 10);
}

// The cubic from p0 to p1 over a unit of time, leaving with slope m0 and arriving with m1 (both per unit).
double hermite(double p0, double m0, double p1, double m1, double u)
{
    const double u2 = u * u;
    const double u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * p0 + (u3 - 2 * u2 + u) * m0 + (-2 * u3 + 3 * u2) * p1 + (u3 - u2) * m1;
}

// The speed at a pose between a segment of slope before (over hBefore ms) and one of slope after:
// 0 where they differ in sign or one is flat, else their weighted harmonic mean, which is at most
// three times the smaller slope, so that neither segment overshoots its poses.
double speedAtPose(double before, double hBefore, double after, double hAfter)
{
    if (before * after <= 0)
        return 0;
    return 3 * (hBefore + hAfter) / ((2 * hAfter + hBefore) / before + (hAfter + 2 * hBefore) / after);
}

// A start speed that keeps the segment of slope within its two poses.
double monotoneStart(double speed, double slope)
{
    if (speed * slope <= 0)
        return 0;
    return std::abs(speed) > 3 * std::abs(slope) ? 3 * slope : speed;
}

// Whether every servo of step has been moved before: then no first move stretches it.
bool movesOnlyMovedServos(const MotionStep& step, const QMap<int, int>& targets)
{
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
        if (!targets.contains(it.key()))
            return false;
    return true;
}

StepPlan planLinear(const MotionStep& step, State& state, const Settings& settings)
{
    StepPlan plan;
    double timeMs = step.timeMs / settings.speed;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it) {
        if (!state.targets.contains(it.key()))
            timeMs = std::max(timeMs, std::abs(it.value() - state.newest.value(it.key())) / settings.approachSpeed);
        state.targets.insert(it.key(), it.value());
        state.speeds.insert(it.key(), 0);
        plan.setPoints.insert(it.key(), {it.value()});
    }
    plan.moveTimeMs = std::min(int(std::ceil(timeMs - 1e-9)), MotionFile::maximumTimeMs);
    plan.moveMs = plan.moveTimeMs;
    plan.pauseMs = step.pauseMs / settings.speed;
    return plan;
}

}  // namespace

double highestRate(int servoCount)
{
    const int servos = std::max(servoCount, 1);
    return (1000 * usableShare / servos - readsPerServo * positionReadMs) / moveFrameMs;
}

double chosenRate(int servoCount)
{
    return std::min(defaultRate, highestRate(servoCount));
}

Result<double> checkedRate(double rate, int servoCount)
{
    const double highest = std::min(fastestRate, highestRate(servoCount));
    if (highest < slowestRate)
        return Failure::usage(QStringLiteral("the wire cannot carry set-points for %1 servos beside their position reads; make the steps linear")
                                  .arg(servoCount));
    if (!(rate >= slowestRate))
        return Failure::usage(QStringLiteral("rate %1/s is below the slowest, %2/s").arg(rate).arg(slowestRate));
    if (!(rate <= highest))
        return Failure::usage(QStringLiteral("rate %1/s is more than the wire carries for %2 servos beside their position reads; the highest is %3/s")
                                  .arg(rate).arg(servoCount).arg(std::floor(highest * 10) / 10));
    return rate;
}

qsizetype nextStep(const Motion& motion, qsizetype index, int loop, int loops)
{
    if (index + 1 < motion.steps.size())
        return index + 1;
    return loops == 0 || loop < loops ? 0 : -1;
}

StepPlan planStep(const Motion& motion, qsizetype index, qsizetype nextIndex, State& state, const Settings& settings)
{
    const MotionStep& step = motion.steps[index];
    if (step.curve == MotionCurve::Linear)
        return planLinear(step, state, settings);
    StepPlan plan;
    plan.curve = step.curve;
    plan.pauseMs = step.pauseMs / settings.speed;
    const bool approach = !movesOnlyMovedServos(step, state.targets);
    double moveMs = step.timeMs / settings.speed;
    QMap<int, double> from;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it) {
        const bool first = !state.targets.contains(it.key());
        from.insert(it.key(), first ? state.newest.value(it.key(), it.value()) : state.targets.value(it.key()));
        if (first)
            moveMs = std::max(moveMs, (step.curve == MotionCurve::Ease ? easePeak : restCubicPeak) * std::abs(it.value() - from[it.key()])
                                          / settings.approachSpeed);
    }
    plan.moveMs = moveMs;
    plan.ticks = std::max(1, int(std::floor(moveMs * settings.rate / 1000 + 1e-9)));
    plan.moveTimeMs = int(std::lround(plan.tickMs()));

    // A through step flows into the next one when nothing brings it to rest.
    const MotionStep* next = nextIndex >= 0 ? &motion.steps[nextIndex] : nullptr;
    QMap<int, int> after = state.targets;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
        after.insert(it.key(), it.value());
    const bool flows = step.curve == MotionCurve::Through && step.pauseMs == 0 && !approach && moveMs > 0 && next
        && next->curve == MotionCurve::Through && next->timeMs > 0 && movesOnlyMovedServos(*next, after);
    const double nextMs = next ? next->timeMs / settings.speed : 0;

    for (auto it = step.positions.begin(); it != step.positions.end(); ++it) {
        const double p0 = from[it.key()];
        const double p1 = it.value();
        const double slope = moveMs > 0 ? (p1 - p0) / moveMs : 0;
        const double v0 = step.curve == MotionCurve::Through && !approach ? monotoneStart(state.speeds.value(it.key()), slope) : 0;
        const double v1 = flows ? speedAtPose(slope, moveMs, (next->positions.value(it.key(), it.value()) - p1) / nextMs, nextMs) : 0;
        const Limits limits = settings.limits.value(it.key());
        QList<int> points;
        for (int tick = 1; tick <= plan.ticks; ++tick) {
            const double u = double(tick) / plan.ticks;
            const double position = step.curve == MotionCurve::Ease ? p0 + (p1 - p0) * smootherStep(u)
                                                                    : hermite(p0, v0 * moveMs, p1, v1 * moveMs, u);
            points.append(std::clamp(int(std::lround(position)), limits.minimum, limits.maximum));
        }
        plan.setPoints.insert(it.key(), points);
        state.speeds.insert(it.key(), v1);
    }
    state.targets = after;
    return plan;
}

QList<PathPoint> path(const Motion& motion, int loops, const QMap<int, int>& startPositions, const Settings& settings)
{
    QList<PathPoint> points;
    for (auto it = startPositions.begin(); it != startPositions.end(); ++it)
        points.append({0, it.key(), it.value()});
    State state;
    state.newest = startPositions;
    double offsetMs = 0;
    for (int loop = 1; loop <= std::max(loops, 1); ++loop) {
        for (qsizetype i = 0; i < motion.steps.size(); ++i) {
            const StepPlan plan = planStep(motion, i, nextStep(motion, i, loop, loops), state, settings);
            const int ticks = std::max(plan.ticks, 1);
            for (int tick = 1; tick <= ticks; ++tick)
                for (auto it = plan.setPoints.begin(); it != plan.setPoints.end(); ++it)
                    points.append({offsetMs + plan.moveMs * tick / ticks, it.key(), it.value()[tick - 1]});
            offsetMs += plan.moveMs + plan.pauseMs;
        }
    }
    return points;
}

}  // namespace MotionPlan
