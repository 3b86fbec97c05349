// Is the bus healthy? servoctl's ping, scan and monitor against a virtual bus that loses replies,
// has a silent ID or two servos sharing one ID; and monitor's JSON lines as other programs take them.
#include "servoctl/ServoctlRunner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

class BusHealth : public ::testing::Test, public ServoctlRunner {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        ASSERT_TRUE(bus.isValid()) << bus.errorString().toStdString();
        bus.setLinePacing(true);
    }
};

}  // namespace

TEST_F(BusHealth, PingAndScanTellLostGarbledAndSharedIds)
{
    const struct {
        const char* what;
        std::function<void(VirtualServo&)> fault;
        QStringList arguments;
        int exitCode;
        int answered;
        int garbled;
    } cases[] = {
        {"a sound servo", [](VirtualServo&) {}, {"ping", "1", "-c", "10", "-i", "2", "--json"}, 0, 10, 0},
        {"one reply in five lost", [](VirtualServo& b) { b.setDropEveryNthReply(5); }, {"ping", "1", "-c", "20", "-i", "2", "--json"}, 1, 16, 0},
        {"a silent ID", [](VirtualServo&) {}, {"ping", "5", "-c", "3", "-i", "2", "--json"}, 1, 0, 0},
        {"two servos on ID 2", [](VirtualServo& b) { b.addServoSharingId(2); }, {"ping", "2", "-c", "4", "-i", "2", "--json"}, 1, 0, 4},
    };
    for (const auto& c : cases) {
        c.fault(bus);
        const ServoctlRun ping = run(c.arguments);
        EXPECT_EQ(ping.exitCode, c.exitCode) << c.what << ": " << ping.err.toStdString();
        const QJsonObject summary = QJsonDocument::fromJson(ping.out.toUtf8()).object();
        const int sent = c.arguments.at(3).toInt();
        EXPECT_EQ(summary.value("sent").toInt(), sent) << c.what << ": " << ping.out.toStdString();
        EXPECT_EQ(summary.value("answered").toInt(), c.answered) << c.what;
        EXPECT_EQ(summary.value("lost").toInt(), sent - c.answered) << c.what;
        EXPECT_EQ(summary.value("garbled").toInt(), c.garbled) << c.what;
        const double median = summary.value("round_trip_ms").toObject().value("median").toDouble();
        EXPECT_EQ(median > 0, c.answered > 0) << c.what << ": a round trip without a reply, or none with one";
        bus.setDropEveryNthReply(0);
    }

    const ServoctlRun lines = run({"ping", "5", "-c", "2", "-i", "2"});
    EXPECT_TRUE(lines.out.startsWith("no reply from servo 5: seq=1\nno reply from servo 5: seq=2\n")) << lines.out.toStdString();
    EXPECT_TRUE(lines.out.contains("2 sent, 0 answered, 2 lost (100.0 %), 0 garbled")) << lines.out.toStdString();

    // Servo 2 still has its twin from the last case. The replies come late, after their short
    // probe gave up, so that the garbage of ID 2 arrives while ID 3 is being asked.
    bus.setReplyDelay(std::chrono::milliseconds(5));
    const ServoctlRun scan = run({"scan", "--ids", "0-9", "--json"});
    EXPECT_EQ(scan.exitCode, 1);
    EXPECT_TRUE(scan.err.contains("two servos may share ID 2: connect them one at a time and give one a new ID with `servoctl set 2 id=N`"))
        << scan.err.toStdString();
    QList<int> sound;
    QList<int> conflicts;
    for (const QJsonValue& entry : QJsonDocument::fromJson(scan.out.toUtf8()).array())
        (entry.toObject().value("conflict").toBool() ? conflicts : sound).append(entry.toObject().value("id").toInt());
    EXPECT_EQ(sound, (QList<int>{1, 7})) << scan.out.toStdString();
    EXPECT_EQ(conflicts, QList<int>{2}) << scan.out.toStdString();

    // Later still, as on a busy machine, the garbage arrives four probes on; its header still names
    // ID 2. The commands that address the ID say why it does not answer.
    bus.setReplyDelay(std::chrono::milliseconds(12));
    writeFile("two.json", R"({"format": "servodesk-motion", "version": 1, "steps": [{"time_ms": 500, "positions": {"2": 300}}]})");
    const QList<QStringList> commands{{"scan", "--ids", "0-20"}, {"info", "2"}, {"pose", "2"}, {"play", file("two.json")}};
    for (const QStringList& command : commands) {
        const ServoctlRun result = run(command);
        EXPECT_EQ(result.exitCode, 1) << command.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("two servos may share ID 2")) << command.join(' ').toStdString() << ": " << result.err.toStdString();
    }
    EXPECT_FALSE(busReceivedWrite()) << "a servo on a shared ID was moved";
}

TEST_F(BusHealth, MonitorLinesReachAPipeAndAUdpListenerAsTheyAreWritten)
{
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, 0));
    QProcess monitor;
    start(monitor, {"monitor", "1", "7", "--rate", "50", "--json", "--udp", QStringLiteral("127.0.0.1:%1").arg(listener.localPort())});
    QList<QByteArray> datagrams;
    QByteArray piped;
    // Lines arrive while monitor runs: each is flushed as it is written, not when it ends.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        while (listener.hasPendingDatagrams())
            datagrams.append(listener.receiveDatagram().data());
        piped += monitor.readAllStandardOutput();
        return datagrams.size() >= 6 && piped.count('\n') >= 6;
    }, 30000)) << datagrams.size() << " datagrams, " << piped.count('\n') << " lines";
    ::kill(pid_t(monitor.processId()), SIGINT);
    const ServoctlRun ended = finish(monitor);
    EXPECT_EQ(ended.exitCode, 0) << ended.err.toStdString();

    const QList<QByteArray> lines = piped.split('\n').mid(0, 6);
    for (const QList<QByteArray>& received : {datagrams, lines}) {
        for (const QByteArray& line : received) {
            QJsonParseError error;
            const QJsonObject sample = QJsonDocument::fromJson(line, &error).object();
            ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            EXPECT_TRUE(sample.value("id").toInt() == 1 || sample.value("id").toInt() == 7) << line.toStdString();
            EXPECT_EQ(sample.value("temperature").toInt(), 30) << line.toStdString();
            EXPECT_EQ(sample.value("position").toInt(), 500) << line.toStdString();
            EXPECT_FALSE(sample.value("time").toString().isEmpty()) << line.toStdString();
        }
    }
    EXPECT_EQ(run({"monitor", "1", "--udp", "nowhere"}).exitCode, 2);
}
