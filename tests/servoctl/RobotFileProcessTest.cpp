// The robot file with the servos' names through servoctl, as a user runs it on a virtual bus of
// servos 1, 2 and 7: "range" teaches limits by hand with the torque off and on again and writes them
// as a file; "restore" writes a robot file with names, sending nothing for a name, and takes the
// names the Robot page takes.
#include "servoctl/ServoctlRunner.h"
#include "support/core/EventLoopWait.h"
#include "support/core/ServoNameCases.h"

#include "Api/Bus/Protocol.h"
#include "Api/Bus/SettingsFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using namespace SVProtocol;

class RobotFileProcess : public ::testing::Test, public ServoctlRunner {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        ASSERT_TRUE(bus.isValid()) << bus.errorString().toStdString();
        ASSERT_TRUE(dataHome.isValid());
    }
};

TEST_F(RobotFileProcess, RangeRecordsWithTheTorqueOffThenOnAndWritesTheNarrowedLimits)
{
    QProcess process;
    start(process, {"range", "2", "7", "--margin", "20", "-o", file("limits.json")});
    ASSERT_TRUE(waitForCondition([&] { return torqueSwitches(2) == QList<bool>{false} && torqueSwitches(7) == QList<bool>{false}; }, 20000))
        << "the torque did not go off: " << process.readAllStandardError().toStdString();
    const int readsBefore = int(framesOf({ReadPosition}).size());
    for (auto [id, position] : {std::pair{2, 200}, {7, 950}, {2, 640}, {7, 300}}) {
        bus.setPosition(position, indexOf(id));
        const int seen = int(framesOf({ReadPosition}).size());
        ASSERT_TRUE(waitForCondition([&] { return framesOf({ReadPosition}).size() >= seen + 4; }, 10000)) << "no position read";
    }
    EXPECT_GT(framesOf({ReadPosition}).size(), readsBefore);
    process.write("\n");
    const ServoctlRun done = finish(process);
    ASSERT_EQ(done.exitCode, 0) << done.err.toStdString();
    EXPECT_EQ(torqueSwitches(2), (QList<bool>{false, true}));
    EXPECT_EQ(torqueSwitches(7), (QList<bool>{false, true}));

    const auto limits = SettingsFile::read(file("limits.json"));
    ASSERT_TRUE(limits) << limits.failure().message.toStdString();
    // The servos started at 500: servo 2 went from 200 to 640, servo 7 from 300 to 950.
    const QList<SettingValues> expected{{{"id", 2}, {"angle_min", 220}, {"angle_max", 620}},
                                        {{"id", 7}, {"angle_min", 320}, {"angle_max", 930}}};
    EXPECT_EQ(*limits, expected);

    const ServoctlRun restored = run({"restore", file("limits.json")});
    ASSERT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    EXPECT_EQ(bus.settings(indexOf(7)).angleMax, 930);
}

TEST_F(RobotFileProcess, RestoreTakesARobotFileWithNamesAndSendsNothingForThem)
{
    ServoSettings knee;
    knee.id = 2;
    knee.angleMin = 150;
    knee.deviation = -12;
    ServoSettings hip;
    hip.id = 7;
    writeFile("robot.json", SettingsFile::document({knee, hip}, {{2, "left knee"}, {7, "right hip"}}));

    const auto entries = SettingsFile::readEntries(file("robot.json"));
    ASSERT_TRUE(entries) << entries.failure().message.toStdString();
    EXPECT_EQ(entries->at(0).name, "left knee");
    EXPECT_EQ(entries->at(1).name, "right hip");

    bus.clearRecords();
    const ServoctlRun restored = run({"restore", file("robot.json")});
    ASSERT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    EXPECT_EQ(bus.settings(indexOf(2)).angleMin, 150);
    EXPECT_EQ(bus.settings(indexOf(2)).deviation, -12);
    // Servo 7 already holds the file's values: no write reaches it.
    for (const VirtualServo::Chunk& frame : framesOf(writeCommands))
        EXPECT_EQ(quint8(frame.bytes.at(2)), 2) << "a write went to servo " << int(quint8(frame.bytes.at(2)));

    writeFile("bad.json", QByteArray(R"({"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 2, "name": 5}]})"));
    const ServoctlRun refused = run({"restore", file("bad.json")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("name:")) << refused.err.toStdString();
}

// The cases the Robot page's test types, saves and opens.
TEST_F(RobotFileProcess, RestoreTakesTheNamesTheRobotPageTakes)
{
    for (const ServoNameCase& named : servoNameCases()) {
        const QJsonObject servo{{"id", 2}, {"name", named.name}};
        const QJsonObject root{{"format", "servodesk-servo-settings"}, {"version", 1}, {"servos", QJsonArray{servo}}};
        writeFile("named.json", QJsonDocument(root).toJson());
        const ServoctlRun restored = run({"restore", file("named.json")});
        EXPECT_EQ(restored.exitCode, named.taken ? 0 : 2) << named.what << ": " << restored.err.toStdString();
        if (!named.taken) {
            EXPECT_TRUE(restored.err.contains("name:")) << named.what << ": " << restored.err.toStdString();
        }
    }
}

}  // namespace
