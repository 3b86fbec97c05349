// servoctl range as a user runs it, from a terminal, on a virtual bus of servos 1, 2 and 7: however
// the recording ends (a key alone, a signal, a range no limit can hold, an output that fails), the
// torque comes back on, the terminal gets its settings back and the limits taught are not lost.
#include "servoctl/ServoctlRunner.h"
#include "support/core/EventLoopWait.h"
#include "support/core/PseudoTerminalPair.h"

#include "Api/Bus/Protocol.h"

#include <gtest/gtest.h>

#include <csignal>

#include <sys/stat.h>

namespace {

using namespace SVProtocol;

class RangeProcess : public ::testing::Test, public ServoctlRunner {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        ASSERT_TRUE(bus.isValid()) << bus.errorString().toStdString();
    }
};

TEST_F(RangeProcess, EveryEndingOfARecordingGivesTheTorqueBackAndTheTerminalItsSettingsAndLosesNoLimits)
{
    const QString fifo = file("limits.fifo");
    ASSERT_EQ(::mkfifo(qPrintable(fifo), 0600), 0);
    const QString taught = QStringLiteral("servo 2: moved 200-700, angle_min 210, angle_max 690");
    const struct {
        const char* name;
        QStringList options;
        QList<int> positions;  // servo 2's: the first before range starts, the others while it records
        QByteArray keys;       // typed on the terminal once the positions are recorded
        int signal;            // sent then, or once the torque is back on after the keys
        int exitCode;
        QString message;
        QString printed;
    } endings[] = {
        {"q alone", {}, {200, 700}, "q", 0, 0, {}, taught},
        {"Ctrl-D alone", {}, {200, 700}, "\x04", 0, 0, {}, taught},
        {"Enter", {"--json"}, {200, 700}, "\n", 0, 0, {}, "\"angle_max\": 690"},
        {"SIGUSR2", {}, {200, 700}, {}, SIGUSR2, 130, "SIGUSR2: the recording stopped; the torque is back on", taught},
        {"SIGALRM", {}, {200, 700}, {}, SIGALRM, 130, "SIGALRM: the recording stopped", taught},
        {"SIGVTALRM", {}, {200, 700}, {}, SIGVTALRM, 130, "SIGVTALRM: the recording stopped", taught},
        {"SIGPROF", {}, {200, 700}, {}, SIGPROF, 130, "SIGPROF: the recording stopped", taught},
        {"a range below 0", {}, {-100, -50}, "\n", 0, 1, "servo 2: moved from -100 to -50, outside the positions 0-1000 that angle limits take", {}},
        {"a range above 1000", {}, {1050, 1200}, "\n", 0, 1, "servo 2: moved from 1050 to 1200, outside the positions 0-1000", {}},
        {"a full disk", {"-o", "/dev/full"}, {200, 700}, "\n", 0, 1,
         "cannot write /dev/full: No space left on device; the limits are printed instead", taught},
        {"a FIFO nobody reads, then Ctrl-C", {"-o", fifo}, {200, 700}, "\n", SIGINT, 130,
         "Ctrl-C (SIGINT): cannot write " + fifo + ": no process reads it; the limits are printed instead", taught},
    };
    for (const auto& e : endings) {
        SCOPED_TRACE(e.name);
        PseudoTerminalPair terminal;
        ASSERT_TRUE(terminal.isValid());
        const termios before = terminal.slaveAttributes();
        bus.setPosition(e.positions.first(), indexOf(2));
        bus.clearRecords();
        QProcess process;
        process.setStandardInputFile(terminal.slavePath());
        start(process, QStringList{"range", "2"} + e.options);
        ASSERT_TRUE(waitForCondition([&] { return torqueSwitches(2) == QList<bool>{false}; }, 20000))
            << "the torque did not go off: " << process.readAllStandardError().toStdString();
        for (int position : e.positions.mid(1)) {
            bus.setPosition(position, indexOf(2));
            const qsizetype seen = framesOf({ReadPosition}).size();
            ASSERT_TRUE(waitForCondition([&] { return framesOf({ReadPosition}).size() >= seen + 2; }, 10000)) << "no position read";
        }
        ASSERT_TRUE(terminal.writeToMaster(e.keys));
        if (e.signal != 0 && !e.keys.isEmpty()) {
            ASSERT_TRUE(waitForCondition([&] { return torqueSwitches(2).size() == 2; }, 20000)) << "the recording did not end";
        }
        if (e.signal != 0)
            ::kill(pid_t(process.processId()), e.signal);
        const ServoctlRun result = finish(process);
        EXPECT_EQ(result.exitCode, e.exitCode) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(e.message)) << result.err.toStdString();
        EXPECT_EQ(torqueSwitches(2), (QList<bool>{false, true})) << "the torque did not come back on";
        EXPECT_TRUE(e.printed.isEmpty() ? result.out.isEmpty() : result.out.contains(e.printed)) << result.out.toStdString();
        const termios after = terminal.slaveAttributes();
        EXPECT_EQ(after.c_lflag, before.c_lflag) << "the terminal was left without line editing or echo";
        EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);
    }
}

}  // namespace
