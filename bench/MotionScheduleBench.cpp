// How exactly servoctl play keeps its schedule: a 20-step sequence over three servos (IDs 1, 2 and 7)
// on a virtual bus paced at 115200 bit/s, looped for a while. The bus notes when the first move
// frame of each step arrives; each step's lateness is that time minus its place in the schedule,
// the schedule's origin put where the earliest step lies exactly on time.
// Usage: motion_schedule_bench [seconds]   (default 60)
#include "VirtualServo/VirtualServo.h"

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/Protocol.h"

#include "BenchStats.h"
#include "ScheduleLateness.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <mutex>

using Clock = std::chrono::steady_clock;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    VirtualServo bus(VirtualServo::servosWithIds(ScheduleLateness::servoIds));
    bus.setLinePacing(true);
    const Motion motion = ScheduleLateness::benchMotion();
    // The servos start where the first step goes, so that no first move is slowed down.
    for (auto it = motion.steps.first().positions.begin(); it != motion.steps.first().positions.end(); ++it)
        bus.setPosition(it.value(), int(ScheduleLateness::servoIds.indexOf(it.key())));
    const double loopMs = ScheduleLateness::loopMs(motion);
    const int loops = ScheduleLateness::loopsFor(seconds, motion);

    QTemporaryDir work;
    const QString path = work.filePath(QStringLiteral("bench.json"));
    if (!MotionFile::write(path, motion)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }

    // Arrival of every move frame to servo 1, the first of each step's frames.
    std::mutex mutex;
    std::vector<Clock::time_point> arrivals;
    QObject::connect(&bus, &VirtualServo::frameReceived, &bus, [&](const QByteArray& frame) {
        if (quint8(frame.at(SVProtocol::commandOffset)) == SVProtocol::Move && quint8(frame.at(2)) == ScheduleLateness::markerServo) {
            std::lock_guard lock(mutex);
            arrivals.push_back(Clock::now());
        }
    }, Qt::DirectConnection);

    std::printf("servoctl play: %d loops of %lld steps, %.1f s a loop, 3 servos, paced line\n", loops,
                qlonglong(motion.steps.size()), loopMs / 1000);
    QProcess play;
    play.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    play.start(QStringLiteral(SERVOCTL_PROGRAM), {"--port", bus.slavePath(), "play", path, "--loop", QString::number(loops)});
    if (!play.waitForFinished(int(seconds * 1000) + 60000) || play.exitCode() != 0) {
        std::fprintf(stderr, "servoctl play failed (exit %d)\n", play.exitCode());
        return 1;
    }

    std::lock_guard lock(mutex);
    const size_t expected = size_t(loops) * size_t(motion.steps.size());
    if (arrivals.size() != expected) {
        std::fprintf(stderr, "%zu step starts seen, %zu expected\n", arrivals.size(), expected);
        return 1;
    }
    const std::vector<double> lateness = ScheduleLateness::of(arrivals, motion);
    BenchStats::of(lateness).print("step start after its schedule", "ms");
    std::printf("%-44s %9.2f ms\n", "last step of the last loop after its schedule", lateness.back());
    return 0;
}
