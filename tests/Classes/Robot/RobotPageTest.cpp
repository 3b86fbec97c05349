// The Robot page end to end, in the window, over a pseudo-terminal to a virtual bus of servos 1, 2
// and 7 whose stored settings differ: the scan and the read fill the table; after editing two servos,
// Write changes sends only their changed settings, after a backup of each, and marks the value that
// one of them read back otherwise; Record range switches the torque off and on again and offers the
// range seen, narrowed by the margin, as new angle limits.
#include "Api/Bus/Protocol.h"
#include "Api/Bus/SettingsFile.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/Robot/RobotModel.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/Robot/ServoNames.h"
#include "Tools/SVButton.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace SVProtocol;

const QList<int> busIds{1, 2, 7};
const QList<int> writeCommands{Move, WriteId, AdjustDeviation, SaveDeviation, WriteAngleLimit, WriteVoltageLimit,
                               WriteMaxTemperature, ModeAndSpeed, WriteMotorLoad, WriteLed, WriteLedAlarm};

class RobotPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
        const QList<VirtualServo::Settings> robot = VirtualServo::robotServosWithIds(busIds);
        for (int index = 0; index < busIds.size(); ++index)
            harness.servo().setSettings(robot[index], index);
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        harness.controller().showRobotPage();
        page()->buttonScan()->click();
        ASSERT_TRUE(waitForCondition([&] {
            return model()->rowCount() == 3 && model()->hasStored(1) && model()->hasStored(2) && model()->hasStored(7)
                && page()->buttonWrite()->isEnabled();
        }, 15000)) << "the scan and read did not fill the table: " << qPrintable(page()->statusLabel()->text());
    }
    void TearDown() override
    {
        qunsetenv("XDG_DATA_HOME");
        ServoNames::shared().setNames({});
    }

    RobotPage* page() { return harness.controller().viewRobot(); }
    RobotModel* model() { return page()->model(); }
    VirtualServo::Settings stored(int id) { return harness.servo().settings(int(busIds.indexOf(id))); }
    QModelIndex cell(int id, const QString& key) { return model()->index(model()->rowOf(id), RobotModel::columnOf(key)); }

    // The write frames each servo received since the records were cleared, as (ID, command).
    QSet<QPair<int, int>> writesSent() const
    {
        QSet<QPair<int, int>> writes;
        for (const QByteArray& frame : harness.receivedFrames())
            if (writeCommands.contains(commandOf(frame)))
                writes.insert({quint8(frame.at(2)), commandOf(frame)});
        return writes;
    }

    // The torque switch frames sent to id, on (true) or off, in order.
    QList<bool> torqueFrames(int id) const
    {
        QList<bool> switches;
        for (const QByteArray& frame : harness.receivedFramesWithCommand(WriteMotorLoad))
            if (quint8(frame.at(2)) == id)
                switches.append(switchIsOn(quint8(parametersOf(frame).at(0))));
        return switches;
    }

    QTemporaryDir dataHome;
    ControllerHarness harness{true, busIds};
};

TEST_F(RobotPageTest, WritesOnlyTheEditedServosChangedSettingsAfterBackupsAndMarksWhatReadsBackOtherwise)
{
    for (int id : busIds) {
        EXPECT_EQ(model()->value(id, "angle_max"), stored(id).angleMax) << "servo " << id;
        EXPECT_EQ(model()->value(id, "deviation"), stored(id).deviation) << "servo " << id;
        EXPECT_EQ(model()->value(id, "voltage_max"), stored(id).voltageMaxMillivolts) << "servo " << id;
    }
    const VirtualServo::Settings before2 = stored(2), before7 = stored(7);

    // Keyboard edits reach the model as these calls: servo 2's upper limit and LED, servo 7's upper
    // limit and voltage; a value out of range is refused.
    EXPECT_TRUE(model()->setData(cell(2, "angle_max"), 900));
    EXPECT_TRUE(model()->setData(cell(2, "led"), before2.ledOn ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model()->setData(cell(7, "angle_max"), 850));
    EXPECT_TRUE(model()->setData(cell(7, "voltage_max"), 8.8));
    EXPECT_FALSE(model()->setData(cell(7, "max_temperature"), 140));
    EXPECT_EQ(model()->data(cell(2, "angle_max"), Qt::BackgroundRole).value<QColor>(), RobotModel::editedColor());
    EXPECT_FALSE(model()->isEdited(1, "angle_max"));

    // Servo 7 takes its angle limits but keeps the old upper one, as a faulty servo would.
    QObject::connect(&harness.servo(), &VirtualServo::frameReceived, &harness.servo(), [&](const QByteArray& frame) {
        if (quint8(frame.at(2)) == 7 && commandOf(frame) == WriteAngleLimit) {
            const int index = int(busIds.indexOf(7));
            VirtualServo::Settings kept = harness.servo().settings(index);
            kept.angleMax = before7.angleMax;
            harness.servo().setSettings(kept, index);
        }
    }, Qt::DirectConnection);
    harness.servo().clearRecords();
    page()->buttonWrite()->click();
    ASSERT_TRUE(waitForCondition([&] { return !model()->differingKeys(7).isEmpty() && page()->buttonWrite()->isEnabled(); }, 10000))
        << qPrintable(page()->statusLabel()->text());

    const QSet<QPair<int, int>> expected{{2, WriteAngleLimit}, {2, WriteLed}, {7, WriteAngleLimit}, {7, WriteVoltageLimit}};
    EXPECT_EQ(writesSent(), expected) << "only the edited servos' changed settings go out, never to servo 1 or the broadcast ID";
    EXPECT_EQ(stored(2).angleMax, 900);
    EXPECT_EQ(stored(2).ledOn, !before2.ledOn);
    EXPECT_EQ(stored(7).voltageMaxMillivolts, 8800);

    // A backup of each changed servo, holding its settings from before.
    const QString folder = dataHome.path() + QStringLiteral("/servodesk/backups");
    QMap<int, SettingValues> backups;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        const auto values = SettingsFile::read(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(values) << qPrintable(values.failure().message);
        backups.insert(values->first().value("id"), values->first());
    }
    ASSERT_EQ(backups.keys(), (QList<int>{2, 7}));
    EXPECT_EQ(backups[2].value("angle_max"), before2.angleMax);
    EXPECT_EQ(backups[7].value("voltage_max"), before7.voltageMaxMillivolts);

    // Written values lose their marks; the one read back otherwise is marked and named.
    EXPECT_FALSE(model()->isEdited(2, "angle_max"));
    EXPECT_FALSE(model()->isEdited(7, "voltage_max"));
    EXPECT_EQ(model()->differingKeys(7), QStringList{"angle_max"});
    EXPECT_EQ(model()->data(cell(7, "angle_max"), Qt::BackgroundRole).value<QColor>(), RobotModel::differsColor());
    EXPECT_TRUE(page()->statusLabel()->text().contains("7 angle_max")) << qPrintable(page()->statusLabel()->text());
    EXPECT_EQ(harness.servo().collisionCount(), 0);
}

TEST_F(RobotPageTest, AFailedBackupSendsNothingAndAnUnplugMidWriteSaysWhatWasWritten)
{
    EXPECT_TRUE(model()->setData(cell(2, "angle_max"), 900));
    EXPECT_TRUE(model()->setData(cell(2, "led"), stored(2).ledOn ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model()->setData(cell(7, "angle_max"), 850));

    // The backup folder cannot be made: a file stands where it would go.
    QFile blocker(dataHome.filePath("servodesk"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    harness.servo().clearRecords();
    page()->buttonWrite()->click();
    ASSERT_TRUE(waitForCondition([&] { return page()->statusLabel()->text().contains(harness.localized("robot_write_refused").section('%', 0, 0)); }))
        << qPrintable(page()->statusLabel()->text());
    EXPECT_TRUE(writesSent().isEmpty()) << "a write went out without its backup";
    EXPECT_TRUE(model()->isEdited(2, "angle_max"));
    ASSERT_TRUE(blocker.remove());

    // The adapter goes once servo 2's LED frame, of the second round, is out.
    harness.servo().setUnplugOnCommand(WriteLed);
    page()->buttonWrite()->click();
    ASSERT_TRUE(waitForCondition([&] { return page()->statusLabel()->text().contains(harness.localized("robot_port_gone")); }, 10000))
        << qPrintable(page()->statusLabel()->text());
    const QString status = page()->statusLabel()->text();
    EXPECT_TRUE(status.contains("2 (angle_min, angle_max, led)")) << qPrintable(status);
    EXPECT_TRUE(status.contains("7 (angle_min, angle_max)")) << qPrintable(status);
    EXPECT_EQ(stored(2).angleMax, 900);
}

TEST_F(RobotPageTest, ATrimMovesAtOnceWriteStoresItAndCentreMovesEveryServoTo500)
{
    const int storedOffset = stored(2).deviation;
    harness.servo().clearRecords();
    EXPECT_TRUE(model()->setData(cell(2, "deviation"), -30));
    ASSERT_TRUE(harness.waitForFrames(AdjustDeviation, 1)) << "the trim was not sent at once";
    EXPECT_EQ(deviationFromByte(quint8(parametersOf(harness.receivedFramesWithCommand(AdjustDeviation).first()).at(0))), -30);
    EXPECT_TRUE(harness.receivedFramesWithCommand(SaveDeviation).isEmpty()) << "a trim is not stored before Write changes";

    page()->buttonWrite()->click();
    ASSERT_TRUE(harness.waitForFrames(SaveDeviation, 1)) << qPrintable(page()->statusLabel()->text());
    ASSERT_TRUE(waitForCondition([&] { return !model()->isEdited(2, "deviation"); })) << qPrintable(page()->statusLabel()->text());
    EXPECT_TRUE(stored(2).deviationSaved);
    EXPECT_EQ(stored(2).deviation, -30);
    const QString folder = dataHome.path() + QStringLiteral("/servodesk/backups");
    const QStringList backups = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(SettingsFile::read(folder + QLatin1Char('/') + backups.first())->first().value("deviation"), storedOffset)
        << "the backup holds the stored offset, not the trim";

    harness.servo().clearRecords();
    ASSERT_TRUE(waitForCondition([&] { return page()->buttonCentre()->isEnabled(); })) << "the write never ended";
    page()->buttonCentre()->click();
    ASSERT_TRUE(harness.waitForFrames(Move, 3));
    for (const QByteArray& frame : harness.receivedFramesWithCommand(Move)) {
        EXPECT_TRUE(busIds.contains(quint8(frame.at(2)))) << "a move went to ID " << int(quint8(frame.at(2)));
        EXPECT_EQ(wordFrom(quint8(parametersOf(frame).at(0)), quint8(parametersOf(frame).at(1))), 500);
    }
}

TEST_F(RobotPageTest, NamesShowOnTheMotionPageAndComeBackFromTheRobotFile)
{
    // The Robot page's scan listed the servos on the Motion page too.
    ServoListModel* motionList = harness.controller().viewMotion()->servoModel();
    ASSERT_EQ(motionList->ids(), busIds);
    EXPECT_TRUE(model()->setData(model()->index(model()->rowOf(2), RobotModel::NameColumn), "left knee"));
    EXPECT_EQ(motionList->data(motionList->index(motionList->rowOf(2), ServoListModel::IdColumn)).toString(), "2 left knee");
    SequenceModel* sequence = harness.controller().viewMotion()->sequenceModel();
    EXPECT_EQ(sequence->headerData(SequenceModel::FirstServoColumn + 1, Qt::Horizontal, Qt::ToolTipRole).toString(), "left knee");

    EXPECT_TRUE(model()->setData(cell(7, "angle_min"), 300));
    const QString path = dataHome.filePath("robot.json");
    page()->saveFile(path);
    const auto saved = SettingsFile::readEntries(path);
    ASSERT_TRUE(saved) << qPrintable(saved.failure().message);
    ASSERT_EQ(saved->size(), 3);
    EXPECT_EQ(saved->at(1).name, "left knee");
    EXPECT_EQ(saved->at(2).values.value("angle_min"), 300) << "the file holds the table as shown";

    model()->setNames({});
    model()->setEdit(7, "angle_min", stored(7).angleMin);
    EXPECT_FALSE(model()->isEdited(7, "angle_min"));
    page()->openFile(path);
    EXPECT_EQ(model()->name(2), "left knee");
    EXPECT_TRUE(model()->isEdited(7, "angle_min")) << "a file's value waits for Write changes";
}

TEST_F(RobotPageTest, RecordRangeSwitchesTheTorqueOffThenOnAndOffersTheNarrowedRangeAsLimits)
{
    harness.servo().clearRecords();
    page()->idView()->selectionModel()->select(model()->index(model()->rowOf(2), 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page()->idView()->selectionModel()->select(model()->index(model()->rowOf(7), 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page()->buttonRecord()->click();
    ASSERT_TRUE(waitForCondition([&] { return torqueFrames(2) == QList<bool>{false} && torqueFrames(7) == QList<bool>{false}; }))
        << "the torque of the chosen servos did not go off";

    // The joints are moved by hand to both ends.
    for (auto [id, low, high] : {std::tuple{2, 260, 730}, {7, 120, 880}}) {
        const int index = int(busIds.indexOf(id));
        harness.servo().setPosition(low, index);
        ASSERT_TRUE(waitForCondition([&, id = id, low = low] { return model()->ranges().value(id).lowest == low; })) << "servo " << id;
        harness.servo().setPosition(high, index);
        ASSERT_TRUE(waitForCondition([&, id = id, high = high] { return model()->ranges().value(id).highest == high; })) << "servo " << id;
    }
    page()->buttonRecord()->click();  // Stop
    ASSERT_TRUE(waitForCondition([&] { return !page()->isRecording(); })) << qPrintable(page()->statusLabel()->text());

    EXPECT_EQ(torqueFrames(2), (QList<bool>{false, true}));
    EXPECT_EQ(torqueFrames(7), (QList<bool>{false, true}));
    EXPECT_TRUE(torqueFrames(1).isEmpty()) << "servo 1 was not chosen";
    EXPECT_EQ(model()->value(2, "angle_min"), 270);
    EXPECT_EQ(model()->value(2, "angle_max"), 720);
    EXPECT_EQ(model()->value(7, "angle_min"), 130);
    EXPECT_EQ(model()->value(7, "angle_max"), 870);
    EXPECT_TRUE(model()->isEdited(7, "angle_min"));
    EXPECT_FALSE(writesSent().contains({7, WriteAngleLimit})) << "the limits wait for Write changes";
}

}  // namespace
