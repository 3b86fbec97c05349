// A script's control loop over the Python module against the same loop in C++ on the core: read the
// position of every servo, then move every servo, again and again, on a virtual bus of 6 or 18
// servos paced at 115200 bit/s in a process of its own. Prints loops per second of each, the loops
// per second the line's bytes allow (a read of 6 bytes and its reply of 8, a move of 10, per servo:
// the servos' replies take no time of their own), and the ratios; then the import time and resident
// memory of `import servodesk` (medians over the rounds, C++ and Python alternating).
// Usage: python_loop_bench [seconds per round] [rounds]   (default 5 and 3)
#include "Api/Bus/ServoAccess.h"
#include "VirtualServo/VirtualServo.h"

#include "BenchStats.h"
#include "BusProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>
#include <cstdlib>

namespace {

QList<int> idsUpTo(int count)
{
    QList<int> ids;
    for (int id = 1; id <= count; ++id)
        ids.append(id);
    return ids;
}

// The loop in C++ on the core, as BusSession does it: positions one servo at a time, one move each.
double cppLoopsPerSecond(const QString& path, int count, double seconds)
{
    ServoBus bus(ORSSerialPort::serialPortWithPath(path));
    if (const Result<void> opened = bus.open(); !opened) {
        std::fprintf(stderr, "python_loop_bench: %s\n", qPrintable(opened.failure().message));
        std::exit(1);
    }
    const QList<int> ids = idsUpTo(count);
    QElapsedTimer timer;
    timer.start();
    long loops = 0;
    while (double(timer.nsecsElapsed()) / 1e9 < seconds) {
        for (int id : ids)
            if (!ServoAccess::readPositions(bus, {id})) {
                std::fprintf(stderr, "python_loop_bench: servo %d did not answer\n", id);
                std::exit(1);
            }
        for (int id : ids)
            if (!ServoAccess::moveTo(bus, {id}, 500 + 10 * int(loops % 2), 20))
                std::exit(1);
        ++loops;
    }
    return double(loops) / (double(timer.nsecsElapsed()) / 1e9);
}

QJsonObject pythonRound(const QString& path, int count, double seconds)
{
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(PYTHON_MODULE_PATH));
    python.setProcessEnvironment(environment);
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(PYTHON_LOOP_SCRIPT), path, QString::number(count), QString::number(seconds)});
    if (!python.waitForFinished(int(seconds * 1000) + 60000) || python.exitCode() != 0) {
        std::fprintf(stderr, "python_loop_bench: the Python loop failed: %s\n", python.readAllStandardError().constData());
        std::exit(1);
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

double median(const std::vector<double>& samples)
{
    return BenchStats::of(samples).median;
}

}  // namespace

int main(int argc, char* argv[])
{
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 5;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    // The buses' processes start while this one has a single thread.
    const auto serve = [](int count) {
        return [count](BusProcess::Child& child) {
            int childArgc = 1;
            char name[] = "virtual-bus";
            char* childArgv[] = {name, nullptr};
            QCoreApplication childApp(childArgc, childArgv);
            VirtualServo servos(VirtualServo::servosWithIds(idsUpTo(count)));
            servos.setLinePacing(true);
            child.announce(servos.slavePath());
            child.parentDone(std::chrono::milliseconds(-1));
        };
    };
    BusProcess six(serve(6));
    BusProcess eighteen(serve(18));
    QCoreApplication app(argc, argv);
    std::vector<double> importMs, residentMiB;
    for (const auto& [count, line] : {std::pair<int, BusProcess*>{6, &six}, {18, &eighteen}}) {
        std::vector<double> cpp, python;
        for (int round = 0; round < rounds; ++round) {
            cpp.push_back(cppLoopsPerSecond(line->slavePath(), count, seconds));
            const QJsonObject py = pythonRound(line->slavePath(), count, seconds);
            python.push_back(py.value(QStringLiteral("loops_per_s")).toDouble());
            importMs.push_back(py.value(QStringLiteral("import_ms")).toDouble());
            residentMiB.push_back((py.value(QStringLiteral("resident_kib_after")).toDouble()
                                   - py.value(QStringLiteral("resident_kib_before")).toDouble()) / 1024);
        }
        const double bytesPerLoop = count * (6 + 8 + 10);
        const double wire = 1e9 / (bytesPerLoop * double(VirtualServo::lineByteTime.count()));
        std::printf("%2d servos: the line allows %.1f loops/s; C++ %.1f (%.2f of the line); Python %.1f (%.2f of the line, %.2f of C++)\n",
                    count, wire, median(cpp), median(cpp) / wire, median(python), median(python) / wire, median(python) / median(cpp));
        std::fflush(stdout);
    }
    std::printf("import servodesk: median %.0f ms; resident memory it adds: median %.1f MiB\n", median(importMs), median(residentMiB));
    return 0;
}
