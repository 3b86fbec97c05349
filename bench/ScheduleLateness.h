// The 20-step motion over servos 1, 2 and 7 (or 1 to N) that the schedule benchmarks play, and how late each
// step's first move frame came: its arrival minus its place in the schedule, the schedule's origin
// put where the earliest step lies exactly on time.
#pragma once

#include "Api/Bus/MotionFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace ScheduleLateness {

using Clock = std::chrono::steady_clock;

inline const QList<int> servoIds{1, 2, 7};
// The servo whose move frames mark the start of each step: the first each step sends to.
constexpr int markerServo = 1;

// The servos of a bus of count servos: 1, 2 and 7 for three, as the demo has them; 1 to count otherwise.
inline QList<int> servoIdsFor(int count)
{
    if (count == int(servoIds.size()))
        return servoIds;
    QList<int> ids;
    for (int id = 1; id <= count; ++id)
        ids.append(id);
    return ids;
}

// 20 steps, 100-290 ms of move and 0-40 ms of pause each: about 4.3 s a loop. The servos swing in
// three patterns, the first three servos one each.
inline Motion benchMotion(const QList<int>& ids = servoIds)
{
    Motion motion;
    for (int i = 0; i < 20; ++i) {
        const int swing = (i % 2 == 0) ? 300 : 700;
        const int patterns[] = {swing, 1000 - swing, swing / 2 + 250};
        QMap<int, int> positions;
        for (qsizetype k = 0; k < ids.size(); ++k)
            positions.insert(ids[k], patterns[k % 3]);
        motion.steps.append({QStringLiteral("s%1").arg(i + 1), 100 + 10 * i, 10 * (i % 5), positions});
    }
    return motion;
}

inline double stepMs(const MotionStep& step)
{
    return step.timeMs + step.pauseMs;
}

inline double loopMs(const Motion& motion)
{
    double total = 0;
    for (const MotionStep& step : motion.steps)
        total += stepMs(step);
    return total;
}

// Whole loops that fill about this many seconds, at least one.
inline int loopsFor(double seconds, const Motion& motion)
{
    return std::max(1, int(std::lround(seconds * 1000 / loopMs(motion))));
}

// Milliseconds after its schedule for each arrival, the k-th arrival being step k of the looped motion.
inline std::vector<double> of(const std::vector<Clock::time_point>& arrivals, const Motion& motion)
{
    std::vector<double> scheduleMs;
    double offset = 0;
    for (size_t k = 0; k < arrivals.size(); ++k) {
        scheduleMs.push_back(offset);
        offset += stepMs(motion.steps[qsizetype(k % size_t(motion.steps.size()))]);
    }
    const auto sinceFirst = [&](size_t k) { return std::chrono::duration<double, std::milli>(arrivals[k] - arrivals[0]).count(); };
    double origin = 1e300;
    for (size_t k = 0; k < arrivals.size(); ++k)
        origin = std::min(origin, sinceFirst(k) - scheduleMs[k]);
    std::vector<double> lateness;
    for (size_t k = 0; k < arrivals.size(); ++k)
        lateness.push_back(sinceFirst(k) - scheduleMs[k] - origin);
    return lateness;
}

}  // namespace ScheduleLateness
