// servoctl against a virtual bus of three servos (IDs 1, 2 and 7) with the line paced at 115200 bit/s:
//   scan     the whole range 0-253, several runs: the process from start to end, and the scan proper
//            on the line (first probe received to last reply written)
//   monitor  one servo at the highest rate it reaches: samples a second over a few seconds
// Usage: servoctl_bench [scan|monitor|all] [runs or seconds]
#include "VirtualServo/VirtualServo.h"

#include "BenchStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>

namespace {

QList<VirtualServo::Settings> threeServos()
{
    QList<VirtualServo::Settings> servos;
    for (int id : {1, 2, 7}) {
        VirtualServo::Settings settings;
        settings.id = id;
        servos.append(settings);
    }
    return servos;
}

int framesWithCommand(const VirtualServo& bus, int command)
{
    int count = 0;
    for (const VirtualServo::Chunk& frame : bus.receivedFrames())
        count += quint8(frame.bytes.at(4)) == command;
    return count;
}

void benchScan(VirtualServo& bus, int runs)
{
    std::vector<double> processMs;
    std::vector<double> lineMs;
    for (int run = 0; run < runs; ++run) {
        bus.clearRecords();
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(SERVOCTL_PROGRAM), {"--port", bus.slavePath(), "scan"});
        process.waitForFinished(30000);
        processMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        const QList<VirtualServo::Chunk> received = bus.receivedFrames();
        const QList<VirtualServo::Chunk> written = bus.writtenChunks();
        if (process.exitCode() != 0 || received.isEmpty() || written.isEmpty()) {
            std::fprintf(stderr, "scan failed: %s\n", process.readAllStandardError().constData());
            return;
        }
        lineMs.push_back(std::chrono::duration<double, std::milli>(written.last().time - received.first().time).count());
        if (run == 0)
            std::printf("%s", process.readAllStandardOutput().constData());
    }
    BenchStats::of(processMs).print("scan 0-253, paced, 3 servos: whole process", "ms");
    BenchStats::of(lineMs).print("scan 0-253, paced, 3 servos: on the line", "ms");
}

void benchMonitor(VirtualServo& bus, int seconds)
{
    QTemporaryDir dir;
    QProcess process;
    process.start(QStringLiteral(SERVOCTL_PROGRAM),
                  {"--port", bus.slavePath(), "monitor", "1", "--rate", "1000", "--csv", dir.filePath("m.csv")});
    QThread::msleep(500);  // started and sampling
    const int before = framesWithCommand(bus, 32);  // the last read of each sample
    QElapsedTimer timer;
    timer.start();
    QThread::sleep(seconds);
    const int after = framesWithCommand(bus, 32);
    const double rate = (after - before) / (double(timer.nsecsElapsed()) / 1e9);
    ::kill(pid_t(process.processId()), SIGINT);
    process.waitForFinished(10000);
    std::printf("%-44s %.1f samples/s over %d s (exit %d)\n", "monitor 1 servo, paced, --rate 1000", rate, seconds,
                process.exitCode());
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
    const int amount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    VirtualServo bus(threeServos());
    bus.setLinePacing(true);
    if (!bus.isValid()) {
        std::fprintf(stderr, "no virtual bus: %s\n", qPrintable(bus.errorString()));
        return 1;
    }
    if (what == QLatin1String("scan") || what == QLatin1String("all"))
        benchScan(bus, amount);
    if (what == QLatin1String("monitor") || what == QLatin1String("all"))
        benchMonitor(bus, amount);
    return 0;
}
