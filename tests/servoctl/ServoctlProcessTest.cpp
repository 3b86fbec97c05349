// servoctl as a user runs it: the built program in a process of its own, on the pseudo-terminal of a
// virtual bus with servos 1, 2 and 7, once with the line paced at its real rate and once unpaced.
#include "servoctl/ServoctlRunner.h"
#include "support/core/LockHolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>

#include <sys/mount.h>
#include <sys/stat.h>

namespace {

using Settings = VirtualServo::Settings;
using Result = ServoctlRun;

class ServoctlProcess : public ::testing::TestWithParam<bool>, public ServoctlRunner {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        ASSERT_TRUE(bus.isValid()) << bus.errorString().toStdString();
        ASSERT_TRUE(dataHome.isValid());
        bus.setLinePacing(GetParam());
    }
};

QJsonArray servosIn(const QString& path)
{
    QFile in(path);
    in.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(in.readAll()).object().value(QLatin1String("servos")).toArray();
}

QList<int> idsOf(const QJsonArray& list)
{
    QList<int> ids;
    for (const QJsonValue& value : list)
        ids.append(value.toObject().value(QLatin1String("id")).toInt());
    return ids;
}

}  // namespace

TEST_P(ServoctlProcess, ScanFindsExactlyTheServosOnTheBus)
{
    const Result all = run({"scan", "--json"});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(idsOf(QJsonDocument::fromJson(all.out.toUtf8()).array()), busIds) << all.out.toStdString();

    const Result none = run({"--json", "scan", "--ids", "3-6,8"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("no servo answered")) << none.err.toStdString();
    EXPECT_EQ(bus.collisionCount(), 0) << "a scan must never ask the broadcast ID";
}

TEST_P(ServoctlProcess, DumpThenRestoreBringsBackEverySettingAndWritesAnEditedOne)
{
    const Result dump = run({"dump", "1", "2", "7", "-o", file("bus.json")});
    ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    ASSERT_EQ(idsOf(servosIn(file("bus.json"))), busIds);

    // Servo 2 drifts away from the file; servo 7's file entry is edited by hand.
    const Settings dumped = bus.settings(indexOf(2));
    Settings changed = dumped;
    changed.angleMax = 640;
    changed.ledOn = false;
    changed.alarmBits = 2;
    changed.deviation = -30;
    bus.setSettings(changed, indexOf(2));
    QFile in(file("bus.json"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray edited = in.readAll();
    const qsizetype seven = edited.lastIndexOf("\"angle_max\": 1000");
    edited.replace(seven, 17, "\"angle_max\": 900");
    writeFile("edited.json", edited);

    const Result restore = run({"restore", file("edited.json")});
    ASSERT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    Settings restored = dumped;
    restored.deviationSaved = true;  // a written deviation is also saved
    EXPECT_EQ(bus.settings(indexOf(2)), restored) << "servo 2 is back to the dumped settings";
    EXPECT_EQ(bus.settings(indexOf(7)).angleMax, 900);
    EXPECT_TRUE(restore.out.contains("servo 7: wrote angle_min, angle_max; read back and verified")) << restore.out.toStdString();
    EXPECT_TRUE(restore.out.contains("servo 1: already as asked, nothing written")) << restore.out.toStdString();
    // One backup per servo written, holding what it had before.
    ASSERT_EQ(backups().size(), 2);
    const QJsonObject backupOfTwo = servosIn(dataHome.path() + "/servodesk/backups/" + backups().filter("id2").value(0)).at(0).toObject();
    EXPECT_EQ(backupOfTwo.value("angle_max").toInt(), 640);
    EXPECT_EQ(backupOfTwo.value("deviation").toInt(), -30);
    EXPECT_FALSE(backupOfTwo.value("led").toBool());
}

TEST_P(ServoctlProcess, BadInputIsOneLineAndTheRightExitCodeWithNothingWritten)
{
    writeFile("broken.json", "{\"format\": \"servodesk-servo-settings\", ");
    writeFile("newer.json", R"({"format": "servodesk-servo-settings", "version": 2, "servos": [{"id": 1}]})");
    writeFile("range.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "voltage_min": 20}]})");
    writeFile("key.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "speed": 3}]})");
    writeFile("other-id.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 7, "led": false}]})");
    writeFile("new-id.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 9}]})");
    writeFile("twice.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "led": false}, {"id": 2}, {"id": 1, "led": true}]})");
    writeFile("key-twice.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "i\u0064": 2}]})");
    writeFile("fraction.json", R"({"format": "servodesk-servo-settings", "version": 1.0000000000000002, "servos": [{"id": 1}]})");
    ASSERT_EQ(mkfifo(qPrintable(file("fifo.json")), 0600), 0);
    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"set", "1", "angle_max=2000"}, 2, "angle_max: 2000 is out of range 1-1000"},
        {{"set", "1", "colour=red"}, 2, "unknown key \"colour\""},
        {{"set", "1", "angle_min=900", "angle_max=800"}, 2, "angle_min (900) must be below angle_max (800)"},
        {{"set", "1", "led"}, 2, "\"led\" is not key=value"},
        {{"restore", file("broken.json")}, 2, "not valid JSON"},
        {{"restore", file("newer.json")}, 2, "format version 2 is newer than this program reads (1)"},
        {{"restore", file("range.json")}, 2, "voltage_min: 20 is out of range 4.5-13.9"},
        {{"restore", file("key.json")}, 2, "unknown key \"speed\""},
        {{"restore", file("missing.json")}, 2, "missing.json"},
        {{"restore", file("other-id.json"), "--id", "1"}, 2, "add --allow-id-change"},
        {{"restore", file("other-id.json"), "--id", "1", "--allow-id-change"}, 1, "ID 7 is already taken"},
        {{"restore", file("other-id.json"), "--broadcast"}, 2, "--broadcast only goes with --allow-id-change"},
        {{"restore", file("new-id.json"), "--id", "1", "--allow-id-change", "--broadcast"}, 1, "--broadcast: several servos answer on this bus; nothing was sent"},
        {{"move", "1", "1001"}, 2, "1001"},
        {{"torque", "1", "maybe"}, 2, "maybe"},
        {{"info", "254"}, 2, "out of range 0-253"},
        {{"info", "5"}, 1, "servo 5 did not answer"},
        {{"led", "5", "on"}, 1, "servo 5 did not answer"},
        {{"scan", "--ids", "7-3"}, 2, "is not a list of IDs"},
        {{"restore", file("twice.json")}, 2, "servo #1 and servo #3 both name ID 1"},
        {{"restore", file("key-twice.json")}, 2, "the key \"id\" appears twice"},
        {{"restore", file("fraction.json")}, 2, "no format version"},
        {{"restore", "/dev/zero"}, 2, "/dev/zero: not a regular file"},
        {{"restore", file("fifo.json")}, 2, "fifo.json: not a regular file"},
        {{"restore", work.path()}, 2, "not a regular file"},
        {{"restore", file("one.json"), "--id", ""}, 2, "servo ID \"\" is not a whole number 0-253"},
        {{"restore", file("one.json"), "--id", "-3"}, 2, "servo ID \"-3\" is not"},
        {{"move", "", "900"}, 2, "servo ID \"\" is not"},
        {{"move", "1x", "900"}, 2, "servo ID \"1x\" is not"},
        {{"set", " 1", "led=off"}, 2, "servo ID \" 1\" is not"},
        {{"led", "+1", "off"}, 2, "servo ID \"+1\" is not"},
        {{"torque", "", "off"}, 2, "servo ID \"\" is not"},
        {{"motor", "0x1", "100"}, 2, "servo ID \"0x1\" is not"},
        {{"dump", "1", "", "-o", file("out.json")}, 2, "servo ID \"\" is not"},
        {{"set", "1", "led=off", "led=on"}, 2, "\"led\" is given twice"},
        {{"--demo", "move", "1", "900"}, 2, "--demo and --port cannot go together"},
        {{"dump", "1", "-o", ""}, 2, "-o: an empty name"},
        {{"monitor", "1", "--csv", ""}, 2, "--csv: an empty name"},
        {{"monitor", "1", "--rate", "1e-10"}, 2, "--rate: 1e-10 is out of range 0.01-1000"},
        {{"move", "1", "900", "--time", "0100"}, 2, "--time: \"0100\" starts with a zero: write 100"},
        {{"range", "2", "--margin", "0x10"}, 2, "--margin: \"0x10\" is not a whole decimal number"},
        {{"range", "2", "--margin", "abc"}, 2, "--margin: \"abc\" is not a whole decimal number"},
        {{"range", "2", "--margin", "010"}, 2, "--margin: \"010\" starts with a zero: write 10"},
        {{"range", "2", "-o", work.path()}, 1, "it is a folder; the torque stays on"},
        {{"range", "2", "-o", file("missing/limits.json")}, 1, "missing/limits.json: No such file or directory; the torque stays on"},
    };
    for (const auto& c : cases) {
        const Result result = run(c.arguments);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(result.exitCode, c.exitCode) << what << "\n" << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QLatin1String(c.message))) << what << ": " << result.err.toStdString();
        EXPECT_EQ(result.err.trimmed().count('\n'), 0) << what << ": more than one line:\n" << result.err.toStdString();
    }
    EXPECT_FALSE(busReceivedWrite()) << "a refused command sent a write";
    EXPECT_TRUE(backups().isEmpty());

    // A servo alone on the bus takes its new ID by broadcast as before.
    QProcess alone;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.path());
    alone.setProcessEnvironment(environment);
    alone.start(QStringLiteral(SERVOCTL_PROGRAM), {"--demo-servos", "1", "restore", file("new-id.json"), "--id", "1", "--allow-id-change", "--broadcast"});
    const Result written = finish(alone);
    EXPECT_EQ(written.exitCode, 0) << written.err.toStdString();
    EXPECT_TRUE(written.out.contains("servo 9: wrote id; read back and verified")) << written.out.toStdString();
}

TEST_P(ServoctlProcess, MissingOrBusyPortIsAFailureWithTheReason)
{
    QProcess process;
    process.start(QStringLiteral(SERVOCTL_PROGRAM), {"info", "1", "--port", work.filePath("ttyNONE")});
    const Result missing = finish(process);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("no such port")) << missing.err.toStdString();
    process.start(QStringLiteral(SERVOCTL_PROGRAM), {"info", "1", "--port", ""});
    const Result empty = finish(process);
    EXPECT_EQ(empty.exitCode, 2);
    EXPECT_TRUE(empty.err.contains("--port: an empty name")) << empty.err.toStdString();

    LockHolder holder(bus.slavePath());
    ASSERT_TRUE(holder.isHolding());
    const Result busy = run({"info", "1"});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_TRUE(busy.err.contains("in use by another program")) << busy.err.toStdString();
}

TEST_P(ServoctlProcess, OperatingCommandsReachTheServoTheyName)
{
    const struct {
        QStringList arguments;
        std::function<bool(const VirtualServo&)> reached;
    } cases[] = {
        {{"move", "7", "300", "--time", "0"}, [&](const VirtualServo& b) { return b.position(indexOf(7)) == 300; }},
        {{"motor", "2", "-300"}, [&](const VirtualServo& b) { return b.settings(indexOf(2)).mode == 1 && b.settings(indexOf(2)).speed == -300; }},
        {{"motor", "2", "0"}, [&](const VirtualServo& b) { return b.settings(indexOf(2)).mode == 0; }},
        {{"torque", "1", "on"}, [&](const VirtualServo& b) { return b.settings(indexOf(1)).motorLoaded; }},
        {{"led", "7", "off"}, [&](const VirtualServo& b) { return !b.settings(indexOf(7)).ledOn; }},
        {{"set", "2", "max_temperature=70", "voltage_max=11.5", "alarm_stall=off"},
         [&](const VirtualServo& b) {
             const Settings s = b.settings(indexOf(2));
             return s.maxTemperature == 70 && s.voltageMaxMillivolts == 11500 && s.alarmBits == 3;
         }},
    };
    for (const auto& c : cases) {
        const Result result = run(c.arguments);
        EXPECT_EQ(result.exitCode, 0) << c.arguments.join(' ').toStdString() << ": " << result.err.toStdString();
        EXPECT_TRUE(c.reached(bus)) << c.arguments.join(' ').toStdString();
    }
    EXPECT_EQ(bus.settings(indexOf(1)).ledOn, true) << "only the named servo changed";

    const Result info = run({"info", "2", "7", "--json"});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QJsonArray servos = QJsonDocument::fromJson(info.out.toUtf8()).array();
    ASSERT_EQ(idsOf(servos), (QList<int>{2, 7}));
    EXPECT_EQ(servos.at(0).toObject().value("max_temperature").toInt(), 70);
    EXPECT_EQ(servos.at(1).toObject().value("position").toInt(), 300);

    const Result ports = run({"ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_TRUE(ports.out.contains(bus.slavePath())) << ports.out.toStdString();
}

TEST_P(ServoctlProcess, UnplugMidRestoreFailsSaysWhatWasWrittenAndKeepsTheBackup)
{
    const Result dump = run({"dump", "1", "-o", file("one.json")});
    ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    Settings changed = bus.settings(indexOf(1));
    changed.deviation = 12;
    changed.angleMin = 100;
    changed.ledOn = false;
    changed.voltageMinMillivolts = 6000;
    changed.alarmBits = 0;
    changed.maxTemperature = 60;
    bus.setSettings(changed, indexOf(1));
    // Unplugged once the first setting (deviation: adjust, then save) has gone out.
    bus.setUnplugOnCommand(18);

    const Result restore = run({"restore", file("one.json")});

    EXPECT_EQ(restore.exitCode, 1);
    EXPECT_TRUE(restore.err.contains("written: deviation; not written: angle_min, angle_max, led, voltage_min, voltage_max, "
                                     "alarm_stall, alarm_over_voltage, alarm_over_temperature, max_temperature; the backup stays in"))
        << restore.err.toStdString();
    EXPECT_TRUE(restore.err.contains("the backup stays in")) << restore.err.toStdString();
    ASSERT_EQ(backups().size(), 1);
    const QJsonObject backup = servosIn(dataHome.path() + "/servodesk/backups/" + backups().first()).at(0).toObject();
    EXPECT_EQ(backup.value("deviation").toInt(), 12);
    EXPECT_EQ(backup.value("max_temperature").toInt(), 60);
}

TEST_P(ServoctlProcess, MonitorStoppedWithCtrlCLeavesACompleteCsv)
{
    QProcess process;
    start(process, {"monitor", "1", "7", "--rate", "200", "--csv", file("live.csv")});
    const auto samples = [&] {
        int count = 0;
        for (const VirtualServo::Chunk& frame : bus.receivedFrames())
            count += quint8(frame.bytes.at(4)) == 32;
        return count;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return samples() >= 20; }, 30000)) << "monitor does not sample";
    ::kill(pid_t(process.processId()), SIGINT);
    const Result result = finish(process);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();

    QFile csv(file("live.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    EXPECT_TRUE(text.endsWith('\n'));
    QStringList rows = text.trimmed().split('\n');
    EXPECT_EQ(rows.takeFirst(), "time,id,temperature,voltage,position,torque");
    ASSERT_GE(rows.size(), 10);
    for (const QString& row : rows) {
        const QStringList fields = row.split(',');
        ASSERT_EQ(fields.size(), 6) << row.toStdString();
        EXPECT_TRUE(fields[1] == "1" || fields[1] == "7") << row.toStdString();
        EXPECT_EQ(fields[2], "30") << row.toStdString();
        EXPECT_EQ(fields[3], "7.400") << row.toStdString();
    }
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), QStringList{"live.csv"}) << "a temporary file was left";
}

// A file system of a few kilobytes, full; none when the machine does not let this test mount one.
class FullFileSystem {
public:
    explicit FullFileSystem(const QString& path)
        : m_path(path)
    {
        QDir().mkpath(path);
        if (::mount("tmpfs", qPrintable(path), "tmpfs", 0, "size=16k") != 0)
            return;
        m_mounted = true;
        QFile filler(path + QStringLiteral("/filler"));
        if (filler.open(QIODevice::WriteOnly))
            while (filler.write(QByteArray(1024, 'x')) > 0 && filler.flush()) {
            }
    }
    ~FullFileSystem()
    {
        if (m_mounted)
            ::umount(qPrintable(m_path));
    }
    bool isMounted() const { return m_mounted; }

private:
    QString m_path;
    bool m_mounted = false;
};

TEST_P(ServoctlProcess, AFullDiskKeepsThePreviousFileFailsNamingItAndSendsNothing)
{
    const Result dumpToFull = run({"dump", "1", "2", "-o", "/dev/full"});
    EXPECT_EQ(dumpToFull.exitCode, 1);
    EXPECT_TRUE(dumpToFull.err.contains("/dev/full: No space left on device")) << dumpToFull.err.toStdString();

    QProcess toFullOutput;
    toFullOutput.setStandardOutputFile(QStringLiteral("/dev/full"));
    start(toFullOutput, {"info", "1", "--json"});
    const Result info = finish(toFullOutput);
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(info.err.contains("standard output: No space left on device")) << info.err.toStdString();

    const Result monitor = run({"monitor", "1", "--csv", "/dev/full"});
    EXPECT_EQ(monitor.exitCode, 1);
    EXPECT_TRUE(monitor.err.contains("/dev/full")) << monitor.err.toStdString();

    FullFileSystem full(file("full"));
    if (!full.isMounted()) {
        EXPECT_FALSE(busReceivedWrite());
        GTEST_SKIP() << "cannot mount a small file system here (needs root); /dev/full was checked";
    }
    QFile previous(file("full/arm.json"));
    const bool previousWritten = previous.open(QIODevice::WriteOnly) && previous.write("{}") == 2 && previous.flush();
    previous.close();
    const Result dump = run({"dump", "1", "2", "7", "-o", file("full/arm.json")});
    EXPECT_EQ(dump.exitCode, 1);
    EXPECT_TRUE(dump.err.contains(file("full/arm.json"))) << dump.err.toStdString();
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    EXPECT_EQ(previous.readAll(), previousWritten ? QByteArray("{}") : QByteArray()) << "the previous file changed";

    // set and restore keep their backups on the full disk: nothing may reach the servo.
    QProcess set;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), file("full"));
    set.setProcessEnvironment(environment);
    set.start(QStringLiteral(SERVOCTL_PROGRAM), {"set", "1", "led=off", "--port", bus.slavePath()});
    const Result setResult = finish(set);
    EXPECT_EQ(setResult.exitCode, 1);
    EXPECT_TRUE(setResult.err.contains(file("full/servodesk/backups/"))) << setResult.err.toStdString();
    EXPECT_FALSE(busReceivedWrite()) << "a write went out without its backup";
    EXPECT_TRUE(bus.settings(indexOf(1)).ledOn);
}

TEST_P(ServoctlProcess, UnplugDuringMonitorEndsItSayingThePortIsGone)
{
    QProcess process;
    start(process, {"monitor", "1", "--rate", "50"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bus.receivedFrames().isEmpty(); }, 30000)) << "monitor does not sample";
    bus.vanish();
    const Result result = finish(process);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("the port is gone")) << result.err.toStdString();
    EXPECT_LE(result.err.count("did not answer"), 1) << result.err.toStdString();
}

TEST_P(ServoctlProcess, StopSignalsEndRestoreBetweenFramesAndLeaveMonitorsCsvWhole)
{
    writeFile("far.json", R"({"format": "servodesk-servo-settings", "version": 1, "servos": [
        {"id": 1, "deviation": 20, "angle_min": 100, "led": false, "voltage_min": 6, "alarm_stall": false, "max_temperature": 60}]})");
    const auto writeFrames = [&] {
        int count = 0;
        for (const VirtualServo::Chunk& frame : bus.receivedFrames())
            count += writeCommands.contains(quint8(frame.bytes.at(4)));
        return count;
    };
    QProcess restore;
    std::atomic<pid_t> restorePid{0};
    // Killed from the bus's own thread the moment the first write arrives, well before the next.
    QObject::connect(&bus, &VirtualServo::frameReceived, &bus, [&](const QByteArray& frame) {
        if (writeCommands.contains(quint8(frame.at(4))) && restorePid != 0)
            ::kill(restorePid.exchange(0), SIGTERM);
    }, Qt::DirectConnection);
    start(restore, {"restore", file("far.json")});
    restorePid = pid_t(restore.processId());
    const Result stopped = finish(restore);
    ASSERT_GT(writeFrames(), 0) << "restore wrote nothing";
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err.toStdString();
    EXPECT_TRUE(stopped.err.contains("stopped (interrupted); written: ")) << stopped.err.toStdString();
    EXPECT_TRUE(stopped.err.contains("max_temperature; the backup stays in")) << "the last group is not written: " << stopped.err.toStdString();
    EXPECT_EQ(bus.settings(indexOf(1)).maxTemperature, 85);

    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR2, SIGALRM}) {
        const QString csvPath = file(QStringLiteral("live-%1.csv").arg(signal));
        QProcess monitor;
        start(monitor, {"monitor", "1", "--rate", "100", "--csv", csvPath});
        bus.clearRecords();
        ASSERT_TRUE(QTest::qWaitFor([&] { return bus.receivedFrames().size() >= 12; }, 30000)) << "monitor does not sample";
        ::kill(pid_t(monitor.processId()), signal);
        const Result result = finish(monitor);
        EXPECT_EQ(result.exitCode, 0) << strsignal(signal) << ": " << result.err.toStdString();
        QFile csv(csvPath);
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << strsignal(signal) << ": no CSV";
        const QList<QByteArray> rows = csv.readAll().split('\n');
        EXPECT_GE(rows.size(), 3) << strsignal(signal);
        EXPECT_TRUE(rows.last().isEmpty()) << strsignal(signal) << ": the last row is cut";
        for (const QByteArray& row : rows.mid(1, rows.size() - 2))
            EXPECT_EQ(row.count(','), 5) << strsignal(signal) << ": " << row.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Line, ServoctlProcess, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Paced" : "Unpaced"; });
