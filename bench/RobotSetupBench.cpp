// The Robot page's bus work on a virtual bus of 18 servos (IDs 1-18) with the line paced at
// 115200 bit/s, through the same bus layer the page's jobs use:
//   read   every stored setting of the 18 servos (six reads each), as Scan and Read do
//   write  one changed setting (the upper angle limit) of each of the 18 servos, as Write changes
//          does: present settings read, a backup saved per servo, the frames sent, everything read back
// Usage: robot_setup_bench [runs]   (default 10)
#include "Api/Bus/RobotWrite.h"
#include "VirtualServo/VirtualServo.h"

#include "BenchStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int servoCount = 18;

QList<int> servoIds()
{
    QList<int> ids;
    for (int id = 1; id <= servoCount; ++id)
        ids.append(id);
    return ids;
}

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir dataHome;  // the backups go here, not to the user's folder
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());

    VirtualServo line(VirtualServo::servosWithIds(servoIds()));
    line.setLinePacing(true);
    ServoBus bus(ORSSerialPort::serialPortWithPath(line.slavePath()));
    if (const Result<void> opened = bus.open(); !opened) {
        std::fprintf(stderr, "robot_setup_bench: %s\n", qPrintable(opened.failure().message));
        return 1;
    }

    std::vector<double> readMs, writeMs;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int id : servoIds())
            if (const Result<ServoSettings> settings = ServoAccess::readSettings(bus, id); !settings) {
                std::fprintf(stderr, "read failed: %s\n", qPrintable(settings.failure().message));
                return 1;
            }
        readMs.push_back(msSince(timer));

        QList<RobotWrite::Change> changes;
        for (int id : servoIds())
            changes.append({id, {{QStringLiteral("angle_max"), run % 2 == 0 ? 900 : 950}}, std::nullopt});
        timer.restart();
        const Result<RobotWrite::Outcome> written = RobotWrite::write(bus, changes);
        writeMs.push_back(msSince(timer));
        if (!written || !written->complete() || written->servos.size() != servoCount) {
            std::fprintf(stderr, "write failed: %s\n", written ? "incomplete" : qPrintable(written.failure().message));
            return 1;
        }
    }
    BenchStats::of(readMs).print("read every setting of 18 servos, paced", "ms");
    BenchStats::of(writeMs).print("write one setting to each of 18, backups, read-back", "ms");
    return 0;
}
