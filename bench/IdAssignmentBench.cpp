// Numbering 18 new servos on a virtual bus paced at 115200 bit/s, through the step machine the window
// and servoctl use: the bus starts empty and a new servo at the factory ID is plugged in the moment
// the run asks for the next one, so that no time goes to a user. For each servo:
//   found  its plug-in until the run has found it (the scan rounds that wait for a newcomer)
//   share  the run's own part: found until it asks for the next servo (ID written, read back, the
//          servo moved a little and back, the done joints checked)
// Usage: id_assignment_bench [runs]   (default 3)
#include "Api/Bus/IdAssignment.h"
#include "VirtualServo/DemoServoBox.h"
#include "VirtualServo/VirtualServo.h"

#include "BenchStats.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int servoCount = 18;
using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QList<int> ids;
    for (int id = 1; id <= servoCount; ++id)
        ids.append(id);
    const Result<IdAssignment::Plan> plan = IdAssignment::makePlan(ids);

    std::vector<double> foundMs, shareMs;
    for (int run = 0; run < runs; ++run) {
        VirtualServo line;
        line.setLinePacing(true);
        DemoServoBox box(line, servoCount);
        ServoBus bus(ORSSerialPort::serialPortWithPath(line.slavePath()));
        if (const Result<void> opened = bus.open(); !opened) {
            std::fprintf(stderr, "id_assignment_bench: %s\n", qPrintable(opened.failure().message));
            return 1;
        }
        Clock::time_point plugged, found;
        bool counting = false;
        IdAssignment::Hooks hooks;
        hooks.report = [&](const IdAssignment::Event& event) {
            const Clock::time_point now = Clock::now();
            if (std::holds_alternative<IdAssignment::Found>(event)) {
                foundMs.push_back(msBetween(plugged, now));
                found = now;
                counting = true;
            } else if (std::holds_alternative<IdAssignment::Waiting>(event) || std::holds_alternative<IdAssignment::Finished>(event)) {
                if (counting)
                    shareMs.push_back(msBetween(found, now));
                counting = false;
                box.connectNext();
                plugged = Clock::now();
            }
        };
        if (const Result<QList<IdAssignment::Joint>> done = IdAssignment::run(bus, *plan, hooks); !done) {
            std::fprintf(stderr, "id_assignment_bench: %s\n", qPrintable(done.failure().message));
            return 1;
        }
    }
    const BenchStats found = BenchStats::of(foundMs);
    const BenchStats share = BenchStats::of(shareMs);
    std::printf("%d servos, %d runs, paced bus\n", servoCount, runs);
    std::printf("found after plug-in: median %.0f ms, max %.0f ms (target 1000 ms)\n", found.median, found.max);
    std::printf("run's share per servo: median %.0f ms, max %.0f ms (target 500 ms)\n", share.median, share.max);
    return 0;
}
