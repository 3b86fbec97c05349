// Slider actions and value entry: the range rule of the paired sliders, the live sliders' commands
// as the servo receives them, and Enter in the numeric fields.
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "Classes/View/Slider/SVSlider.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/core/ByteList.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

using Tag = SVSettingViewController::Tag;

namespace {

class Sliders : public ::testing::Test {
protected:
    // A move of the slider as the user makes it: the value changes, then the slider sends its action.
    void drag(SVSlider* slider, double value)
    {
        slider->setValue(value);
        vc.sliderClick(slider);
    }
    void enter(BRNumberField* field, const QString& text)
    {
        field->setText(text);
        vc.buttonClick(field);
    }

    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
};

// The sliders that command the servo at once, against the virtual servo.
class LiveSliders : public Sliders {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        ASSERT_TRUE(harness.waitForFrames(32, 1)) << "no poll after opening";
        harness.servo().clearRecords();
    }
    // The one frame with this command the servo received, waited for.
    QByteArray onlyFrame(int command)
    {
        if (!harness.waitForFrames(command, 1))
            return {};
        serveEventsFor(50);
        const QList<QByteArray> frames = harness.receivedFramesWithCommand(command);
        return frames.size() == 1 ? frames.first() : QByteArray();
    }
};

}  // namespace

TEST_F(Sliders, AngleEndsNeverCrossEachOther)
{
    vc.lableAngleBottom()->setText("0");
    drag(vc.sliderAngleOne(), 0);  // its range starts at 1
    EXPECT_EQ(vc.lableAngleTop()->text(), "1");
    EXPECT_EQ(vc.sliderAngleOne()->value(), 1);

    vc.lableAngleTop()->setText("1000");
    drag(vc.sliderAngleTwo(), 1000);  // its range ends at 999
    EXPECT_EQ(vc.lableAngleBottom()->text(), "999");
    EXPECT_EQ(vc.sliderAngleTwo()->value(), 999);

    vc.lableAngleTop()->setText("500");
    drag(vc.sliderAngleTwo(), 600);
    EXPECT_EQ(vc.lableAngleBottom()->text(), "499");
    EXPECT_EQ(vc.sliderAngleTwo()->value(), 499);

    vc.lableAngleBottom()->setText("300");
    drag(vc.sliderAngleOne(), 300);
    EXPECT_EQ(vc.lableAngleTop()->text(), "301");
    EXPECT_EQ(vc.sliderAngleOne()->value(), 301);
}

TEST_F(Sliders, VoltageEndsSettleOnTheTenthTheirLabelShows)
{
    vc.lableVoltageRangeMax()->setText("12.0");
    drag(vc.sliderVoltageOne(), 12.3);
    EXPECT_EQ(vc.lableVoltageRangeMin()->text(), "11.9");
    EXPECT_DOUBLE_EQ(vc.sliderVoltageOne()->value(), 11.9);

    // The partner is read in single precision: 7.4 reads as 7.4000001, so the lower end standing at
    // exactly 7.4 is not clamped, while the upper end at 7.4 is.
    vc.lableVoltageRangeMax()->setText("7.4");
    drag(vc.sliderVoltageOne(), 7.4);
    EXPECT_EQ(vc.lableVoltageRangeMin()->text(), "7.4");
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), "7.4");

    vc.lableVoltageRangeMin()->setText("7.4");
    drag(vc.sliderVoltageTwo(), 7.4);
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), "7.5");
    EXPECT_DOUBLE_EQ(vc.sliderVoltageTwo()->value(), 7.5);
}

TEST_F(Sliders, TemperatureAndTimeShowTheWholeValue)
{
    drag(vc.sliderTemperature(), 85.7);
    EXPECT_EQ(vc.lableTemperatureRange()->text(), "85 ℃");
    drag(vc.sliderTime(), 1234.9);
    EXPECT_EQ(vc.textDebuggingtime()->text(), "1234");
    vc.sliderTime()->setValue(0);
    enter(vc.textDebuggingtime(), "2500");
    EXPECT_EQ(vc.sliderTime()->value(), 2500);
    serveEventsFor(50);
    EXPECT_TRUE(harness.servo().receivedChunks().isEmpty()) << "the time entry sent something";
}

TEST_F(LiveSliders, SpeedSliderSendsNegativeSpeedsInTheirHexadecimalForm)
{
    vc.textIDOperator()->setText("1");
    drag(vc.sliderSpeed(), -100);
    EXPECT_EQ(vc.textSpeed()->text(), "-100");
    const QByteArray frame = onlyFrame(29);
    EXPECT_EQ(frame.at(2), 1);
    EXPECT_EQ(parametersOf(frame), bytes({1, 0xFF, 0x9C, 0xFF}));
    EXPECT_TRUE(waitForCondition([&] { return harness.servo().settings().speed == -100; }));
    EXPECT_EQ(harness.servo().settings().mode, 1);

    harness.servo().clearRecords();
    drag(vc.sliderSpeed(), 250);
    EXPECT_EQ(parametersOf(onlyFrame(29)), bytes({1, 0xFF, 0xFA, 0x00}));
}

TEST_F(LiveSliders, SpeedEntryOfMinus1000GoesOutAsTheSliderWould)
{
    enter(vc.textSpeed(), "-1000");
    EXPECT_EQ(vc.sliderSpeed()->value(), -1000);
    const QByteArray fromField = parametersOf(onlyFrame(29));
    EXPECT_EQ(fromField, bytes({1, 0xFF, 0x18, 0xFC}));

    harness.servo().clearRecords();
    vc.sliderSpeed()->setValue(0);
    drag(vc.sliderSpeed(), -1000);
    EXPECT_EQ(parametersOf(onlyFrame(29)), fromField);
}

TEST_F(LiveSliders, PositionSliderAddressesTheOperationPageAndThePositionFieldTheParameterPage)
{
    vc.textIDOperator()->setText("4");
    vc.textID()->setText("9");
    vc.textDebuggingtime()->setText("700");
    drag(vc.sliderPostion(), 640.6);
    EXPECT_EQ(vc.textDebuggingPostion()->text(), "640");
    QByteArray frame = onlyFrame(1);
    EXPECT_EQ(frame.at(2), 4);
    EXPECT_EQ(parametersOf(frame), bytes({0x80, 0x02, 0xBC, 0x02}));

    harness.servo().clearRecords();
    enter(vc.textDebuggingPostion(), "300");
    EXPECT_EQ(vc.sliderPostion()->value(), 300);
    frame = onlyFrame(1);
    EXPECT_EQ(frame.at(2), 9);
    EXPECT_EQ(parametersOf(frame), bytes({0x2C, 0x01, 0xBC, 0x02}));
}

TEST_F(LiveSliders, PositionSliderMovesTheServo)
{
    vc.textIDOperator()->setText("1");
    vc.textDebuggingtime()->setText("0");
    drag(vc.sliderPostion(), 800);
    EXPECT_TRUE(waitForCondition([&] { return harness.servo().position() == 800; })) << "the servo did not move";
}

TEST_F(LiveSliders, DeviationSliderAndEntryAdjustTheServoOfTheParameterPage)
{
    vc.textID()->setText("1");
    drag(vc.sliderDeviation(), -12.5);
    EXPECT_EQ(vc.textDeviation()->text(), "-12");
    QByteArray frame = onlyFrame(17);
    EXPECT_EQ(frame.at(2), 1);
    EXPECT_EQ(parametersOf(frame), bytes({0xF4}));
    EXPECT_TRUE(waitForCondition([&] { return harness.servo().settings().deviation == -12; }));

    harness.servo().clearRecords();
    enter(vc.textDeviation(), "40");
    EXPECT_EQ(vc.sliderDeviation()->value(), 40);
    EXPECT_EQ(parametersOf(onlyFrame(17)), bytes({40}));
    EXPECT_TRUE(harness.receivedFramesWithCommand(18).isEmpty()) << "the adjustment was saved";
}

TEST_F(LiveSliders, MotorModeAndBackSendsOneStopInServoMode)
{
    vc.textIDOperator()->setText("1");
    SVSegmentedControl* mode = vc.sege();
    ASSERT_GE(mode->segmentSpans().size(), 2);
    const auto centreOf = [&](int segment) {
        const SVSegmentSpan span = mode->segmentSpans().at(segment);
        return QPoint(int(span.left + span.width / 2), mode->height() / 2);
    };
    QTest::mouseClick(mode, Qt::LeftButton, {}, centreOf(1));
    ASSERT_EQ(mode->index(), 1);
    EXPECT_TRUE(vc.viewMotorSpeed()->isVisible());
    drag(vc.sliderSpeed(), 300);
    ASSERT_TRUE(harness.waitForFrames(29, 1));
    harness.servo().clearRecords();

    QTest::mouseClick(mode, Qt::LeftButton, {}, centreOf(0));
    ASSERT_EQ(mode->index(), 0);
    EXPECT_EQ(vc.textSpeed()->text(), "0");
    EXPECT_EQ(vc.sliderSpeed()->value(), 0);
    EXPECT_EQ(parametersOf(onlyFrame(29)), bytes({0, 0xFF, 0, 0}));
    EXPECT_TRUE(waitForCondition([&] { return harness.servo().settings().mode == 0; }));
}
