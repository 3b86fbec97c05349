// The servo workflows end to end: the controller and its window drive a virtual servo over a
// pseudo-terminal through the same calls a click makes.
#include "Api/SVStatePoll.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Progress/SVProgressView.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVButton.h"
#include "Tools/SVLocalized.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/core/ByteList.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Tag = SVSettingViewController::Tag;

namespace {

bool isPollRead(const QByteArray& frame)
{
    const int command = commandOf(frame);
    return command == 26 || command == 27 || command == 28 || command == 32;
}

QList<int> commandsOf(const QList<QByteArray>& frames)
{
    QList<int> commands;
    for (const QByteArray& frame : frames)
        commands.append(commandOf(frame));
    return commands;
}

// The read time-out and some margin: long enough for a "read_fail" tip that was not cancelled.
constexpr int pastReadTimeOutMs = 2600;

VirtualServoModel::Settings servoSeven()
{
    VirtualServoModel::Settings settings;
    settings.id = 7;
    settings.deviation = -5;
    settings.angleMin = 100;
    settings.angleMax = 900;
    settings.voltageMinMillivolts = 5000;
    settings.voltageMaxMillivolts = 11000;
    settings.maxTemperature = 70;
    settings.ledOn = false;
    settings.alarmBits = 5;
    return settings;
}

class Workflows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.servo().isValid()) << qPrintable(harness.servo().errorString());
        ASSERT_TRUE(harness.choosePort());
    }
    void openAndClear()
    {
        ASSERT_TRUE(harness.openPort()) << "the port did not open";
        // The poll's first reads go out at once; they are not what these tests look at.
        ASSERT_TRUE(harness.waitForFrames(32, 1)) << "no poll after opening";
        harness.servo().clearRecords();
    }
    // What the servo received apart from the state poll's reads.
    QList<QByteArray> framesBesidesPoll() const
    {
        QList<QByteArray> frames = harness.receivedFrames();
        frames.removeIf(isPollRead);
        return frames;
    }
    QStringList tips() { return harness.tips().messages; }
    QString tip(const char* key) const { return ControllerHarness::localized(QString::fromLatin1(key)); }
    bool waitForTips(int count, int timeoutMs = 5000)
    {
        return waitForCondition([&] { return harness.tips().messages.size() >= count; }, timeoutMs);
    }

    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
};

}  // namespace

TEST_F(Workflows, ReadDetectsTheServoAndFillsTheParameterPage)
{
    harness.servo().setSettings(servoSeven());
    openAndClear();
    harness.press(Tag::TagButtonRead);
    ASSERT_TRUE(waitForTips(1)) << "no tip after the read";
    EXPECT_EQ(tips(), QStringList{tip("connect_success")});
    EXPECT_EQ(vc.textID()->text(), "7");
    EXPECT_EQ(vc.textDeviation()->text(), "-5");
    EXPECT_EQ(vc.sliderDeviation()->value(), -5);
    EXPECT_EQ(vc.lableAngleBottom()->text(), "100");
    EXPECT_EQ(vc.lableAngleTop()->text(), "900");
    EXPECT_EQ(vc.lableVoltageRangeMin()->text(), "5.0");
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), "11.0");
    EXPECT_EQ(vc.lableTemperatureRange()->text(), "70 ℃");
    EXPECT_FALSE(vc.switchLed()->checked());
    EXPECT_TRUE(vc.switchStall()->checked());
    EXPECT_FALSE(vc.switchOverpressure()->checked());
    EXPECT_TRUE(vc.switchOverTemperature()->checked());

    // The look for a lone servo read the position and voltage of the ID found; then the block read went
    // to that ID: angle and voltage limits, maximum temperature, LED, LED alarm, deviation.
    QList<QByteArray> reads;
    for (const QByteArray& frame : harness.receivedFrames()) {
        if (quint8(frame.at(2)) == 7)
            reads.append(frame);
    }
    EXPECT_EQ(commandsOf(reads), QList<int>({28, 27, 21, 23, 25, 34, 36, 19}));

    serveEventsFor(pastReadTimeOutMs);
    EXPECT_EQ(tips(), QStringList{tip("connect_success")}) << "a time-out fired after a successful read";
}

TEST_F(Workflows, ThreeQuickReadsGiveThreeSuccessesAndNoFailure)
{
    harness.servo().setSettings(servoSeven());
    openAndClear();
    for (int i = 0; i < 3; ++i)
        harness.press(Tag::TagButtonRead);
    ASSERT_TRUE(waitForTips(3)) << "fewer than three tips";
    serveEventsFor(pastReadTimeOutMs);
    EXPECT_EQ(tips(), QStringList(3, tip("connect_success")));
}

TEST_F(Workflows, ReadFromASilentServoFailsAfterTheTimeOutAndChangesNothing)
{
    openAndClear();
    harness.servo().setSilent(true);
    const QString voltageMaxBefore = vc.lableVoltageRangeMax()->text();
    harness.press(Tag::TagButtonRead);
    ASSERT_TRUE(waitForTips(1, 5000)) << "no tip after the time-out";
    EXPECT_EQ(tips(), QStringList{tip("read_fail")});
    EXPECT_EQ(vc.textID()->text(), "1");
    EXPECT_EQ(vc.lableAngleTop()->text(), "1000");
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), voltageMaxBefore);
    // The look for a lone servo, then the read itself.
    EXPECT_EQ(commandsOf(harness.receivedFramesWithCommand(14)), QList<int>({14, 14}));
}

// One reply of the block read is spoilt on the line (a bad checksum: the frame reader drops it). The
// read must end in "read_fail", once, and never claim success; what did arrive is on the page.
struct LostReply {
    const char* name;
    int command;
    bool deviationArrives;
    const char* tipKey = "read_fail";
};

class ReadWithALostReply : public Workflows, public ::testing::WithParamInterface<LostReply> {};

TEST_P(ReadWithALostReply, FailsOnceAndKeepsWhatArrived)
{
    harness.servo().setSettings(servoSeven());
    openAndClear();
    harness.servo().setCorruptReplies(GetParam().command);
    harness.press(Tag::TagButtonRead);
    ASSERT_TRUE(waitForTips(1)) << "no tip after the read";
    serveEventsFor(pastReadTimeOutMs);
    EXPECT_EQ(tips(), QStringList{tip(GetParam().tipKey)});
    if (GetParam().deviationArrives) {
        EXPECT_EQ(vc.textID()->text(), "7");
        EXPECT_EQ(vc.textDeviation()->text(), "-5") << "a reply that arrived was not shown";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lost, ReadWithALostReply,
    // Every ID reply spoilt looks like servos answering at once: nothing is read, and the user hears why.
    ::testing::Values(LostReply{"Id", 14, false, "several_servos"}, LostReply{"AngleLimits", 21, true},
                      LostReply{"VoltageLimits", 23, true}, LostReply{"MaxTemperature", 25, true},
                      LostReply{"Led", 34, true}, LostReply{"LedAlarm", 36, true},
                      LostReply{"Deviation", 19, false}),
    [](const ::testing::TestParamInfo<LostReply>& info) { return std::string(info.param.name); });

TEST_F(Workflows, ReadAndWriteNeedAnOpenPort)
{
    harness.press(Tag::TagButtonRead);
    harness.press(Tag::TagButtonSet);
    EXPECT_EQ(tips(), QStringList(2, tip("connect_tips")));
    QWidget* writeButton = vc.viewWithTag(Tag::TagButtonSet);
    ASSERT_NE(writeButton, nullptr);
    EXPECT_TRUE(writeButton->isEnabled());
    serveEventsFor(200);
    EXPECT_TRUE(harness.servo().receivedChunks().isEmpty()) << "bytes were sent with the port closed";
    EXPECT_EQ(vc.pendingDelayedCallCount(), 0) << "a time-out was scheduled for a refused read";
}

// The bus misbehaves as real ones do: an echo of every command, replies in two pieces, two replies
// in one write, noise between frames.
struct BusFault {
    const char* name;
    std::function<void(VirtualServo&)> apply;
};

class ReadOverAFaultyBus : public Workflows, public ::testing::WithParamInterface<BusFault> {};

TEST_P(ReadOverAFaultyBus, StillSucceeds)
{
    harness.servo().setSettings(servoSeven());
    openAndClear();
    GetParam().apply(harness.servo());
    harness.press(Tag::TagButtonRead);
    ASSERT_TRUE(waitForTips(1)) << "no tip after the read";
    EXPECT_EQ(tips(), QStringList{tip("connect_success")});
    EXPECT_EQ(vc.textID()->text(), "7");
    EXPECT_EQ(vc.textDeviation()->text(), "-5");
    EXPECT_EQ(vc.lableAngleBottom()->text(), "100");
    EXPECT_EQ(vc.lableAngleTop()->text(), "900");
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), "11.0");
    EXPECT_EQ(vc.lableTemperatureRange()->text(), "70 ℃");
    EXPECT_FALSE(vc.switchLed()->checked());
    // No block read of the broadcast address (what decoding the ID read's echo would start).
    for (const QByteArray& frame : harness.receivedFrames())
        EXPECT_FALSE(quint8(frame.at(2)) == 0xFE && commandOf(frame) != 14) << "frame to the broadcast ID";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReadOverAFaultyBus,
    ::testing::Values(BusFault{"Echo", [](VirtualServo& servo) { servo.setEchoCommands(true); }},
                      BusFault{"Split", [](VirtualServo& servo) { servo.setSplitReplies(true, 5ms); }},
                      BusFault{"Joined", [](VirtualServo& servo) { servo.setPairReplies(true, 40ms); }},
                      BusFault{"Noise",
                               [](VirtualServo& servo) {
                                   servo.setEchoCommands(true);
                                   servo.sendNoise(37);
                               }}),
    [](const ::testing::TestParamInfo<BusFault>& info) { return std::string(info.param.name); });

TEST_F(Workflows, WriteSendsTheEightFramesAndTheServoTakesThePage)
{
    openAndClear();
    vc.textID()->setText("1");
    vc.textDeviation()->setText("-7");
    vc.lableAngleBottom()->setText("120");
    vc.lableAngleTop()->setText("880");
    vc.switchLed()->setChecked(false);
    vc.lableVoltageRangeMin()->setText("5.5");
    vc.lableVoltageRangeMax()->setText("12.5");
    vc.switchStall()->setChecked(true);
    vc.switchOverpressure()->setChecked(false);
    vc.switchOverTemperature()->setChecked(false);
    vc.lableTemperatureRange()->setText("75 ℃");

    QWidget* writeButton = vc.viewWithTag(Tag::TagButtonSet);
    harness.press(Tag::TagButtonSet);
    EXPECT_FALSE(writeButton->isEnabled());
    ASSERT_TRUE(harness.waitForFrames(24, 1)) << "the last write frame never came";
    EXPECT_TRUE(vc.myprogress()->isVisible());

    // The look for a lone servo (an ID read from the broadcast address; its position and voltage
    // reads are left out with the poll's), then the write.
    const QList<QByteArray> writes = framesBesidesPoll();
    EXPECT_EQ(commandsOf(writes), QList<int>({14, 13, 17, 18, 20, 33, 22, 35, 24}));
    ASSERT_EQ(writes.size(), 9);
    EXPECT_EQ(quint8(writes.at(1).at(2)), 0xFE);

    const VirtualServoModel::Settings held = harness.servo().settings();
    EXPECT_EQ(held.id, 1);
    EXPECT_EQ(held.deviation, -7);
    EXPECT_TRUE(held.deviationSaved);
    EXPECT_EQ(held.angleMin, 120);
    EXPECT_EQ(held.angleMax, 880);
    EXPECT_FALSE(held.ledOn);
    EXPECT_EQ(held.voltageMinMillivolts, 5500);
    EXPECT_EQ(held.voltageMaxMillivolts, 12500);
    EXPECT_EQ(held.alarmBits, 4);
    EXPECT_EQ(held.maxTemperature, 75);

    EXPECT_TRUE(waitForCondition([&] { return writeButton->isEnabled(); })) << "the write button stayed disabled";
    EXPECT_TRUE(waitForCondition([&] { return vc.myprogress()->title() == SVLocalized::text("set_complete"); }))
        << "a whole write did not end in set_complete";
    EXPECT_TRUE(tips().isEmpty());
}

// The adapter goes right after the first frame of a write (the new ID, to every servo on the bus):
// the bar must not claim success, and the user must hear that the servo may be half written.
TEST_F(Workflows, WriteCutShortStopsTheBarAndSaysSo)
{
    openAndClear();
    harness.servo().setUnplugOnCommand(13);
    harness.press(Tag::TagButtonSet);
    ASSERT_TRUE(waitForTips(1)) << "no tip after the write was cut short";
    EXPECT_EQ(tips(), QStringList{tip("write_fail")});
    EXPECT_EQ(commandsOf(framesBesidesPoll()), QList<int>({14, 13}));
    bool completeShown = false;
    waitForCondition([&] {
        completeShown = completeShown || vc.myprogress()->title() == SVLocalized::text("set_complete");
        return false;
    }, 1500);  // past the end of the bar's run
    EXPECT_FALSE(completeShown) << "the bar said set_complete for a write that did not reach the servo";
    EXPECT_FALSE(vc.myprogress()->isVisible()) << "the bar was not stopped";
}

TEST_F(Workflows, RestoreDefaultsThenWriteGivesTheServoItsDefaults)
{
    VirtualServoModel::Settings changed = servoSeven();
    changed.id = 1;
    harness.servo().setSettings(changed);
    openAndClear();
    vc.textID()->setText("9");
    vc.textDeviation()->setText("30");
    vc.sliderDeviation()->setValue(30);
    vc.switchLed()->setChecked(false);
    vc.switchOverTemperature()->setChecked(false);
    vc.lableTemperatureRange()->setText("60 ℃");

    harness.press(Tag::TagButtonDefault);
    EXPECT_EQ(vc.textID()->text(), "1");
    EXPECT_EQ(vc.lableAngleTop()->text(), "1000");
    EXPECT_EQ(vc.lableAngleBottom()->text(), "0");
    EXPECT_EQ(vc.lableVoltageRangeMin()->text(), "4.5");
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), "12");
    EXPECT_EQ(vc.lableTemperatureRange()->text(), "85 ℃");
    EXPECT_EQ(vc.textDeviation()->text(), "0");
    EXPECT_EQ(vc.sliderDeviation()->value(), 0);
    EXPECT_TRUE(vc.switchLed()->checked());
    serveEventsFor(100);
    EXPECT_TRUE(framesBesidesPoll().isEmpty()) << "restoring defaults sent something";

    harness.press(Tag::TagButtonSet);
    ASSERT_TRUE(harness.waitForFrames(24, 1)) << "the write did not finish";
    const VirtualServoModel::Settings held = harness.servo().settings();
    EXPECT_EQ(held.id, 1);
    EXPECT_EQ(held.deviation, 0);
    EXPECT_EQ(held.angleMin, 0);
    EXPECT_EQ(held.angleMax, 1000);
    EXPECT_TRUE(held.ledOn);
    EXPECT_EQ(held.voltageMinMillivolts, 4500);
    EXPECT_EQ(held.voltageMaxMillivolts, 12000);
    EXPECT_EQ(held.alarmBits, 7);
    EXPECT_EQ(held.maxTemperature, 85);
}

TEST_F(Workflows, MotorPowerTogglesAndReadsBack)
{
    openAndClear();
    vc.textIDOperator()->setText("1");
    harness.press(Tag::TagButtonMotor);
    ASSERT_TRUE(waitForCondition([&] { return vc.motorLoad() && harness.servo().settings().motorLoaded; }))
        << "the first press did not load the motor";
    harness.press(Tag::TagButtonMotor);
    ASSERT_TRUE(waitForCondition([&] {
        const QList<QByteArray> frames = harness.receivedFrames();  // one look at the line for both tests
        const auto isLoad = [](const QByteArray& f) { return commandOf(f) == 31; };
        return std::count_if(frames.begin(), frames.end(), isLoad) == 2 && !isLoad(frames.last());
    })) << "the second load command and its read never came";
    ASSERT_TRUE(waitForCondition([&] { return !vc.motorLoad(); })) << "the read-back did not clear the flag";
    EXPECT_FALSE(harness.servo().settings().motorLoaded);

    const QList<QByteArray> frames = harness.receivedFrames();
    QList<QByteArray> loads;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        if (commandOf(frames[i]) != 31)
            continue;
        loads.append(parametersOf(frames[i]));
        ASSERT_LT(i + 1, frames.size()) << "no read after a load command";
        EXPECT_EQ(commandOf(frames[i + 1]), 32) << "a load command was not followed by its read";
    }
    EXPECT_EQ(loads, QList<QByteArray>({bytes({0}), bytes({1})}));
}

TEST_F(Workflows, LedSwitchCommandsTheServoOfTheParameterPage)
{
    openAndClear();
    vc.switchLed()->setCheckedByUser(false);
    ASSERT_TRUE(harness.waitForFrames(33, 1)) << "the switch sent no LED command";
    EXPECT_TRUE(waitForCondition([&] { return !harness.servo().settings().ledOn; }));
    vc.switchLed()->setCheckedByUser(true);
    ASSERT_TRUE(harness.waitForFrames(33, 2));
    EXPECT_TRUE(waitForCondition([&] { return harness.servo().settings().ledOn; }));
}

TEST_F(Workflows, PollReadsTheOperationPageServoOnceASecondWhileOpen)
{
    VirtualServoModel::Settings settings;
    settings.id = 3;
    harness.servo().setSettings(settings);
    harness.servo().setTemperature(40);
    harness.servo().setVoltageMillivolts(16000);
    vc.textIDOperator()->setText("3");
    ASSERT_TRUE(harness.openPort());
    ASSERT_TRUE(harness.waitForFrames(32, 3, 5000)) << "fewer than three poll rounds";
    const QList<QByteArray> frames = harness.receivedFrames();
    ASSERT_GE(frames.size(), 12);
    for (qsizetype i = 0; i < 12; ++i) {
        EXPECT_EQ(commandOf(frames[i]), QList<int>({26, 27, 28, 32})[i % 4]) << "frame " << i;
        EXPECT_EQ(quint8(frames[i].at(2)), 3) << "frame " << i;
    }
    EXPECT_TRUE(waitForCondition([&] { return vc.textCurrentVoltage()->text() == "15.0V"; }));
    EXPECT_TRUE(waitForCondition([&] { return vc.textCurrentTemperature()->text() == "40℃"; }));

    ASSERT_TRUE(harness.closePort());
    ASSERT_NE(vc.statePoll(), nullptr);
    EXPECT_TRUE(waitForCondition([&] { return !vc.statePoll()->isRunning(); })) << "the poll outlived the port";
    EXPECT_EQ(vc.textCurrentVoltage()->text(), "0.0V") << "closing did not reset the gauges";
}

TEST_F(Workflows, CloseAndReopenWithinAPauseKeepsOnePoll)
{
    vc.setStatePollInterval(std::chrono::milliseconds(60000));  // the reopening surely falls in the pause
    ASSERT_TRUE(harness.openPort());
    ASSERT_TRUE(harness.waitForFrames(32, 1));
    ASSERT_TRUE(harness.closePort());
    ASSERT_TRUE(harness.openPort());
    ASSERT_TRUE(harness.waitForFrames(32, 2)) << "the reopening did not poll at once";
    EXPECT_EQ(vc.statePoll()->loopsStarted(), 1) << "a second poll loop was started";
    serveEventsFor(200);
    EXPECT_EQ(harness.receivedFramesWithCommand(26).size(), 2);
}
