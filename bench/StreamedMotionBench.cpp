// Streamed motion on the wire: servoctl play of a looping run of "through" steps over 3, 6 and 18
// servos on a virtual bus paced at 115200 bit/s. The bus notes every move frame and position read;
// from them: the set-points per second each servo got, how late each tick's first frame came (its
// arrival minus its place in the schedule, the origin put where the earliest tick lies exactly on
// time), ticks skipped, and the position reads per second per servo beside the set-points.
// Then the smoothness of the planned path itself (no bus): at each through pose the largest change
// of speed from one tick to the next against the largest inside the segments around it, and an ease
// step's first and last tick against its fastest.
// Usage: streamed_motion_bench [seconds per bus]   (default 20)
#include "VirtualServo/VirtualServo.h"

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/MotionPlan.h"
#include "Api/Bus/Protocol.h"

#include "BenchStats.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>

using Clock = std::chrono::steady_clock;

namespace {

// Four through steps of 300-600 ms, no pause: one smooth path that loops.
Motion throughLoop(const QList<int>& ids)
{
    Motion motion;
    const int times[] = {300, 500, 400, 600};
    const int poses[] = {300, 450, 700, 520};
    for (int i = 0; i < 4; ++i) {
        MotionStep step{QStringLiteral("t%1").arg(i + 1), times[i], 0, {}, MotionCurve::Through};
        for (qsizetype k = 0; k < ids.size(); ++k)
            step.positions.insert(ids[k], k % 2 == 0 ? poses[i] : 1000 - poses[i]);
        motion.steps.append(step);
    }
    return motion;
}

double msBetween(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The planned tick times of loops of motion at rate, in ms from the first tick.
std::vector<double> tickSchedule(const Motion& motion, int loops, double rate)
{
    std::vector<double> schedule;
    double offset = 0;
    for (int loop = 0; loop < loops; ++loop)
        for (const MotionStep& step : motion.steps) {
            const int ticks = std::max(1, int(std::floor(step.timeMs * rate / 1000 + 1e-9)));
            for (int tick = 0; tick < ticks; ++tick)
                schedule.push_back(offset + double(step.timeMs) * tick / ticks);
            offset += step.timeMs + step.pauseMs;
        }
    return schedule;
}

bool playOn(int servoCount, double seconds)
{
    QList<int> ids;
    for (int id = 1; id <= servoCount; ++id)
        ids.append(id);
    VirtualServo bus(VirtualServo::servosWithIds(ids));
    bus.setLinePacing(true);
    const Motion motion = throughLoop(ids);
    for (qsizetype k = 0; k < ids.size(); ++k)
        bus.setPosition(motion.steps.first().positions.value(ids[k]), int(k));  // no first move to slow down
    const double loopMs = 1800;
    const int loops = std::max(1, int(std::lround(seconds * 1000 / loopMs)));
    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("through.json"));
    if (!MotionFile::write(path, motion))
        return false;

    std::mutex mutex;
    std::vector<Clock::time_point> markerMoves;
    int moves = 0;
    int reads = 0;
    QObject::connect(&bus, &VirtualServo::frameReceived, &bus, [&](const QByteArray& frame) {
        const int command = quint8(frame.at(SVProtocol::commandOffset));
        std::lock_guard lock(mutex);
        if (command == SVProtocol::Move) {
            ++moves;
            if (quint8(frame.at(2)) == 1)
                markerMoves.push_back(Clock::now());
        } else if (command == SVProtocol::ReadPosition) {
            ++reads;
        }
    }, Qt::DirectConnection);

    QProcess play;
    play.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    play.start(QStringLiteral(SERVOCTL_PROGRAM), {"--port", bus.slavePath(), "play", path, "--loop", QString::number(loops)});
    if (!play.waitForFinished(int(seconds * 1000) + 60000) || play.exitCode() != 0) {
        std::fprintf(stderr, "servoctl play failed (exit %d)\n", play.exitCode());
        return false;
    }

    std::lock_guard lock(mutex);
    const double rate = MotionPlan::chosenRate(servoCount);
    const std::vector<double> schedule = tickSchedule(motion, loops, rate);
    if (markerMoves.size() < 2)
        return false;
    // Each arrival is the earliest tick not yet matched that it is not before (a skipped tick leaves a gap).
    std::vector<double> lateness;
    size_t tick = 0;
    for (const Clock::time_point arrival : markerMoves) {
        const double at = msBetween(markerMoves.front(), arrival);
        while (tick + 1 < schedule.size() && schedule[tick + 1] <= at)
            ++tick;
        lateness.push_back(at - schedule[tick]);
        ++tick;
    }
    const double earliest = *std::min_element(lateness.begin(), lateness.end());
    for (double& late : lateness)
        late -= earliest;
    const double spanS = msBetween(markerMoves.front(), markerMoves.back()) / 1000;
    std::printf("%2d servos: rate chosen %.1f/s, %d loops of %.1f s\n", servoCount, rate, loops, loopMs / 1000);
    std::printf("   %-41s %9.1f /s per servo (planned %.1f)\n", "set-points sent", double(markerMoves.size() - 1) / spanS,
                double(schedule.size() - 1) / (schedule.back() / 1000));
    std::printf("   %-41s %9zu of %zu\n", "ticks skipped", schedule.size() - markerMoves.size(), schedule.size());
    BenchStats::of(lateness).print("   tick's first frame after its schedule", "ms");
    std::printf("   %-41s %9.1f /s per servo\n", "position reads", reads / spanS / servoCount);
    std::printf("   %-41s %9.1f %%\n", "line busy with frames and reads",
                100 * (moves * 10 + reads * 14) * MotionPlan::lineByteMs / (spanS * 1000));
    return true;
}

void smoothness()
{
    const QList<int> ids{1, 2};
    Motion motion = throughLoop(ids);
    motion.steps.append({QStringLiteral("ease"), 800, 0, {{1, 900}, {2, 100}}, MotionCurve::Ease});
    MotionPlan::Settings settings;
    MotionPlan::State state;  // as a loop before left them
    state.targets = {{1, 520}, {2, 480}};
    QMap<int, QList<int>> path{{1, {520}}, {2, {480}}};
    QList<int> poseTicks;
    for (qsizetype i = 0; i < motion.steps.size(); ++i) {
        const MotionPlan::StepPlan plan = MotionPlan::planStep(motion, i, i + 1 < motion.steps.size() ? i + 1 : -1, state, settings);
        for (int id : ids)
            path[id] += plan.setPoints[id];
        poseTicks.append(int(path[1].size()) - 1);
    }
    for (int id : ids) {
        QList<double> speed;
        for (qsizetype k = 1; k < path[id].size(); ++k)
            speed.append(path[id][k] - path[id][k - 1]);
        const auto largestChange = [&](qsizetype from, qsizetype to) {
            double largest = 0;
            for (qsizetype k = std::max<qsizetype>(from, 1); k < std::min(to, speed.size()); ++k)
                largest = std::max(largest, std::abs(speed[k] - speed[k - 1]));
            return largest;
        };
        for (int pose = 0; pose < 3; ++pose) {
            const qsizetype at = poseTicks[pose];
            std::printf("servo %d, through pose %d: speed change %.0f units/tick at the pose, %.0f largest inside the segments around it\n",
                        id, pose + 1, std::abs(speed[at] - speed[at - 1]),
                        std::max(largestChange(poseTicks.value(pose - 1, 0) + 1, at - 1), largestChange(at + 1, poseTicks[pose + 1])));
        }
        const QList<double> ease = speed.mid(poseTicks[3]);
        double fastest = 0;
        for (double move : ease)
            fastest = std::max(fastest, std::abs(move));
        std::printf("servo %d, ease of 800 ms: first tick %.0f %%, last tick %.0f %% of the fastest\n", id,
                    100 * std::abs(ease.first()) / fastest, 100 * std::abs(ease.last()) / fastest);
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20;
    for (int servos : {3, 6, 18})
        if (!playOn(servos, seconds))
            return 1;
    smoothness();
    return 0;
}
