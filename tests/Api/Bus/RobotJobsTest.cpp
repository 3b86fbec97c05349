// The Robot page's jobs on the bus thread, over a pseudo-terminal to a paced virtual bus of servos 1,
// 2 and 7 with settings of their own (also run under ThreadSanitizer): every setting read, a change
// written with its backup and read back, a range recorded with the torque off and on again.
#include "Api/Bus/BusWorker.h"
#include "Api/Bus/Protocol.h"
#include "support/core/BusWorkerRig.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QList<int> busIds{1, 2, 7};

class RobotJobsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        ASSERT_TRUE(rig.open()) << qPrintable(bus.errorString());
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    // The torque switches servo id received, on (true) or off, in order.
    QList<bool> torqueSwitches(int id) const
    {
        QList<bool> switches;
        for (const VirtualServo::Chunk& frame : bus.receivedFrames())
            if (quint8(frame.bytes.at(2)) == id && quint8(frame.bytes.at(4)) == SVProtocol::WriteMotorLoad)
                switches.append(SVProtocol::switchIsOn(quint8(frame.bytes.at(5))));
        return switches;
    }

    QTemporaryDir dataHome;
    BusWorkerRig rig{VirtualServo::robotServosWithIds(busIds)};
    VirtualServo& bus = rig.bus;
    std::unique_ptr<BusWorker>& worker = rig.worker;
};

TEST_F(RobotJobsTest, ReadsWritesWithABackupAndRecordsARange)
{
    QMap<int, ServoSettings> read;
    QObject::connect(worker.get(), &BusWorker::settingsRead, [&](int id, const ServoSettings& settings) { read.insert(id, settings); });
    worker->readSettings(busIds);
    ASSERT_TRUE(waitForCondition([&] { return read.size() == 3; }));
    for (int index = 0; index < busIds.size(); ++index) {
        EXPECT_EQ(read[busIds[index]].angleMin, bus.settings(index).angleMin);
        EXPECT_EQ(read[busIds[index]].deviation, bus.settings(index).deviation);
    }

    std::optional<Result<RobotWrite::Outcome>> written;
    QObject::connect(worker.get(), &BusWorker::settingsWritten, [&](const Result<RobotWrite::Outcome>& outcome) { written = outcome; });
    worker->writeSettings({{7, {{"angle_max", 850}}, std::nullopt}});
    ASSERT_TRUE(waitForCondition([&] { return written.has_value(); }));
    ASSERT_TRUE(*written) << qPrintable(written->failure().message);
    EXPECT_TRUE((*written)->complete());
    EXPECT_EQ(bus.settings(2).angleMax, 850);
    EXPECT_EQ(QDir(dataHome.path() + "/servodesk/backups").entryList(QDir::Files).size(), 1);

    QMap<int, int> seen;
    std::optional<Result<void>> ended;
    QObject::connect(worker.get(), &BusWorker::rangePositions, [&](const BusWorker::Positions& positions) { seen.insert(positions); });
    QObject::connect(worker.get(), &BusWorker::rangeEnded, [&](const Result<void>& result) { ended = result; });
    bus.clearRecords();
    worker->recordRange({2, 7});
    ASSERT_TRUE(waitForCondition([&] { return torqueSwitches(7) == QList<bool>{false}; }));
    bus.setPosition(321, 1);
    ASSERT_TRUE(waitForCondition([&] { return seen.value(2) == 321; }));
    worker->stop();
    ASSERT_TRUE(waitForCondition([&] { return ended.has_value(); }));
    EXPECT_TRUE(*ended);
    EXPECT_EQ(torqueSwitches(2), (QList<bool>{false, true}));
    EXPECT_EQ(torqueSwitches(7), (QList<bool>{false, true}));
}

}  // namespace
