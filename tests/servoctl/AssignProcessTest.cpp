// servoctl assign as a user runs it, against a virtual bus that starts empty: the test plugs in a new
// servo each time a JSON line says the run waits, and the servos end up numbered in the order given
// (the factory ID last); a stop signal while it waits ends the run with the done and the not done.
#include "ServoctlRunner.h"
#include "VirtualServo/DemoServoBox.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>

namespace {

class AssignProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        runner.bus.setLinePacing(true);
    }

    // Follows the JSON lines of a running assign; act sees each event and may end the following by
    // returning false. False when the process ended or nothing came for a long while.
    bool follow(QProcess& process, const std::function<bool(const QJsonObject&)>& act)
    {
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired()) {
            while (process.canReadLine()) {
                const QByteArray line = process.readLine();
                const QJsonObject event = QJsonDocument::fromJson(line).object();
                EXPECT_FALSE(event.isEmpty()) << "not a JSON object: " << line.toStdString();
                events.append(event);
                if (!act(event))
                    return true;
            }
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
        }
        ADD_FAILURE() << "servoctl said nothing for a minute";
        return false;
    }

    // The end of a process that follow() has watched, maybe to its end.
    static ServoctlRun ended(QProcess& process)
    {
        if (process.state() != QProcess::NotRunning) {
            EXPECT_TRUE(process.waitForFinished(60000)) << "servoctl did not end";
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList names() const
    {
        QStringList list;
        for (const QJsonObject& event : events)
            list.append(event.value("event").toString());
        return list;
    }

    QJsonObject last(const QString& name) const
    {
        for (qsizetype i = events.size() - 1; i >= 0; --i)
            if (events[i].value("event").toString() == name)
                return events[i];
        return {};
    }

    QList<int> busIds() const
    {
        QList<int> ids;
        for (int i = 0; i < runner.bus.servoCount(); ++i)
            ids.append(runner.bus.settings(i).id);
        return ids;
    }

    ServoctlRunner runner;
    DemoServoBox box{runner.bus, 10};
    QList<QJsonObject> events;
};

TEST_F(AssignProcessTest, NumbersEachServoPluggedInWhenAsked)
{
    runner.writeFile("robot.json", R"({"format": "servodesk-servo-settings", "version": 1,
        "servos": [{"id": 3, "name": "left knee"}]})");
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    runner.start(process, {"assign", "1-3", "--names", runner.file("robot.json"), "--json"});
    follow(process, [&](const QJsonObject& event) {
        if (event.value("event") == "waiting")
            box.connectNext();
        return true;
    });
    const ServoctlRun result = ended(process);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(busIds(), (QList<int>{2, 3, 1}));
    EXPECT_EQ(names(), (QStringList{"started", "waiting", "found", "written", "verified", "done",
                                    "waiting", "found", "written", "verified", "done",
                                    "waiting", "found", "verified", "done", "finished"}));
    EXPECT_EQ(events.first().value("ids").toArray(), (QJsonArray{2, 3, 1}));
    EXPECT_TRUE(events.first().value("factory_id_last").toBool());
    EXPECT_EQ(events[6].value("name").toString(), QStringLiteral("left knee"));
    EXPECT_EQ(events[5].value("next").toObject().value("id").toInt(), 3);
    EXPECT_TRUE(events[5].value("wiggled").toBool());
    for (const VirtualServo::Chunk& frame : runner.bus.receivedFrames()) {
        EXPECT_NE(quint8(frame.bytes.at(2)), 0xFE) << "a frame went to the broadcast ID";
    }
}

TEST_F(AssignProcessTest, AStopSignalEndsTheRunWithWhatIsDone)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        events.clear();
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        runner.start(process, {"assign", "5", "6", "--json"});
        int waits = 0;
        follow(process, [&](const QJsonObject& event) {
            if (event.value("event") != "waiting")
                return true;
            if (++waits == 1 && signal == SIGINT) {
                box.connectNext();  // one joint done before the stop
                return true;
            }
            ::kill(pid_t(process.processId()), signal);
            return true;
        });
        const ServoctlRun result = ended(process);
        EXPECT_EQ(result.exitCode, 130) << result.err.toStdString();
        const QJsonObject stopped = last("stopped");
        EXPECT_EQ(stopped.value("reason").toString(), QStringLiteral("request"));
        const QJsonArray done = signal == SIGINT ? QJsonArray{5} : QJsonArray{};
        EXPECT_EQ(stopped.value("done").toArray(), done);
        EXPECT_EQ(stopped.value("not_done").toArray(), signal == SIGINT ? QJsonArray{6} : (QJsonArray{5, 6}));
        EXPECT_TRUE(result.err.contains(QStringLiteral("not done: "))) << result.err.toStdString();
        // The next run resumes: the servo given 5 counts as done.
        if (signal == SIGINT) {
            EXPECT_TRUE(busIds().contains(5));
        }
    }
}

}  // namespace
