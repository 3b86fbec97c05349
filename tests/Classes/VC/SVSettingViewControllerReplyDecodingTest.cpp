// Reply decoding: bytes as the port hands them to the controller become the texts, gauges and
// switches of the window; only whole, valid replies count, however the bytes are cut.
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVButton.h"
#include "Tools/SVImageView.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/core/ByteList.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

QByteArray reply(uint8_t command, const QByteArray& parameters, int id = 1)
{
    return VirtualServoModel::replyFrame(id, command, parameters);
}

// The replies of a block read before its deviation reply: the ID, then angle and voltage limits,
// maximum temperature, LED and LED alarm.
QByteArray blockReadBeforeDeviation()
{
    return reply(14, bytes({1})) + reply(21, bytes({0x64, 0x00, 0x84, 0x03})) + reply(23, bytes({0x94, 0x11, 0xF8, 0x2A}))
        + reply(25, bytes({70})) + reply(34, bytes({0})) + reply(36, bytes({7}));
}

QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(QSize(32, 32)).toImage();
}

QImage namedPicture(const QString& name)
{
    return pictureOf(QIcon(QStringLiteral(":/images/%1.svg").arg(name)));
}

class ReplyDecoding : public ::testing::Test {
protected:
    ReplyDecoding()
        : harness(false)
        , vc(harness.controller())
    {
    }

    void receive(const QByteArray& data) { vc.serialPortDidReceiveData(nullptr, data); }

    ControllerHarness harness;
    SVSettingViewController& vc;
};

}  // namespace

TEST_F(ReplyDecoding, IdReplyShowsTheId)
{
    receive(bytes({0x55, 0x55, 0x03, 0x04, 0x0E, 0x03, 0xE7}));
    EXPECT_EQ(vc.textID()->text(), "3");
    EXPECT_EQ(vc.dataReturns(), QStringList({"85", "85", "3", "4", "14", "3", "231"}));
}

TEST_F(ReplyDecoding, DeviationReplyShowsTheSignedValueTellsSuccessAndEndsTheReadTimeOut)
{
    bool timedOut = false;
    vc.performAfterDelay(60000, [&] { timedOut = true; });
    receive(blockReadBeforeDeviation() + reply(19, bytes({0xFB})));
    EXPECT_EQ(vc.textDeviation()->text(), "-5");
    EXPECT_EQ(vc.sliderDeviation()->value(), -5);
    EXPECT_EQ(harness.tips().messages, QStringList{ControllerHarness::localized("connect_success")});
    EXPECT_EQ(vc.pendingDelayedCallCount(), 0);
    EXPECT_FALSE(timedOut);

    receive(reply(19, bytes({0x7D})));
    EXPECT_EQ(vc.textDeviation()->text(), "125");
}

// The success tip waits until every frame of the read is decoded: a tip runs an event loop, and a
// frame decoded after it would put back a value older than one that arrived while it was shown.
TEST_F(ReplyDecoding, FramesOfOneReadAreAllDecodedBeforeTheTipSoNoStaleValueComesBack)
{
    QString temperatureWhileShown;
    harness.tips().whilePresented = [&] {
        temperatureWhileShown = vc.textCurrentTemperature()->text();
        receive(reply(32, bytes({1})) + reply(26, bytes({40})));
    };
    receive(blockReadBeforeDeviation() + reply(19, bytes({0xFB})) + reply(26, bytes({30})));
    EXPECT_EQ(harness.tips().messages, QStringList{ControllerHarness::localized("connect_success")});
    EXPECT_EQ(temperatureWhileShown, "30℃") << "the tip came before the rest of the read was decoded";
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "40℃") << "a frame read before the tip overwrote a newer value";
    EXPECT_EQ(vc.textDeviation()->text(), "-5");
    EXPECT_EQ(vc.sliderDeviation()->value(), -5);
}

TEST_F(ReplyDecoding, LiveValuesGoToGaugesAndTexts)
{
    SVDashBoardPostionView positionGauge;
    SVDashBoardView voltageGauge;

    receive(reply(28, bytes({0xE8, 0x03})));
    EXPECT_EQ(vc.textCurrentPosition()->text(), "1000");
    EXPECT_EQ(vc.currentPosition(), 1000);
    positionGauge.progress(100);
    EXPECT_EQ(vc.dashPostion()->needleAngle(), positionGauge.needleAngle());

    receive(reply(28, bytes({0xFF, 0xFF})));
    EXPECT_EQ(vc.textCurrentPosition()->text(), "-1");
    EXPECT_EQ(vc.currentPosition(), 0);
    positionGauge.progress(0);
    EXPECT_EQ(vc.dashPostion()->needleAngle(), positionGauge.needleAngle());

    receive(reply(27, bytes({0x80, 0x3E})));  // 16000 mV
    EXPECT_EQ(vc.textCurrentVoltage()->text(), "15.0V");
    EXPECT_EQ(vc.currentVoltage(), 15.0f);
    voltageGauge.progress(15.0);
    EXPECT_EQ(vc.dash()->needleAngle(), voltageGauge.needleAngle());

    receive(reply(27, bytes({0xE8, 0x1C})));  // 7400 mV
    EXPECT_EQ(vc.textCurrentVoltage()->text(), "7.4V");

    receive(reply(26, bytes({40})));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "40℃");
    EXPECT_EQ(vc.currentTemperature(), 40);
    EXPECT_EQ(vc.dashTemperature()->pro(), 50.0);
}

TEST_F(ReplyDecoding, ResetOfTheGaugesGoesBackToZero)
{
    receive(reply(26, bytes({40})) + reply(27, bytes({0xE8, 0x1C})) + reply(28, bytes({0xF4, 0x01})));
    ASSERT_EQ(vc.textCurrentPosition()->text(), "500");

    vc.reSetDash();
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃");
    EXPECT_EQ(vc.dashTemperature()->pro(), 10.0);
    EXPECT_EQ(vc.textCurrentVoltage()->text(), "0.0V");
    EXPECT_EQ(vc.currentVoltage(), 0.0f);
    EXPECT_EQ(vc.textCurrentPosition()->text(), "0");
    EXPECT_EQ(vc.currentPosition(), 0);
}

TEST_F(ReplyDecoding, ParameterRepliesFillThePage)
{
    receive(reply(21, bytes({0x64, 0x00, 0x84, 0x03})));  // 100 .. 900
    EXPECT_EQ(vc.lableAngleBottom()->text(), "100");
    EXPECT_EQ(vc.lableAngleTop()->text(), "900");
    EXPECT_EQ(vc.sliderAngleTwo()->value(), 100) << "the range slider does not follow its label";
    EXPECT_EQ(vc.sliderAngleOne()->value(), 900);

    receive(reply(23, bytes({0x94, 0x11, 0xF8, 0x2A})));  // 4500 .. 11000 mV
    EXPECT_EQ(vc.lableVoltageRangeMin()->text(), "4.5");
    EXPECT_EQ(vc.lableVoltageRangeMax()->text(), "11.0");

    receive(reply(25, bytes({70})));
    EXPECT_EQ(vc.lableTemperatureRange()->text(), "70 ℃");
    EXPECT_EQ(vc.sliderTemperature()->value(), 70);

    receive(reply(34, bytes({1})));
    EXPECT_FALSE(vc.switchLed()->checked());
    EXPECT_EQ(vc.labelLED()->text(), "Off");
    receive(reply(34, bytes({0})));
    EXPECT_TRUE(vc.switchLed()->checked());
    EXPECT_EQ(vc.labelLED()->text(), "On");

    receive(reply(36, bytes({6})));
    EXPECT_TRUE(vc.switchStall()->checked());
    EXPECT_TRUE(vc.switchOverpressure()->checked());
    EXPECT_FALSE(vc.switchOverTemperature()->checked());
    receive(reply(36, bytes({0})));
    EXPECT_FALSE(vc.switchStall()->checked());
    EXPECT_FALSE(vc.switchOverpressure()->checked());
    EXPECT_FALSE(vc.switchOverTemperature()->checked());
    EXPECT_TRUE(harness.tips().messages.isEmpty());
}

TEST_F(ReplyDecoding, MotorPowerReplySetsTheFlagAndTheButtonImage)
{
    receive(reply(32, bytes({0})));
    EXPECT_TRUE(vc.motorLoad());
    EXPECT_EQ(pictureOf(vc.buttonMotor()->image()), namedPicture("motoroff"));
    receive(reply(32, bytes({1})));
    EXPECT_FALSE(vc.motorLoad());
    EXPECT_EQ(pictureOf(vc.buttonMotor()->image()), namedPicture("motoron"));
}

TEST_F(ReplyDecoding, SplitJoinedAndNoisyRepliesAreEachDecodedOnce)
{
    const QByteArray temperature = reply(26, bytes({33}));
    const QByteArray position = reply(28, bytes({0x2C, 0x01}));  // 300

    receive(temperature.left(3));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃") << "a partial reply was decoded";
    receive(temperature.mid(3));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "33℃");

    receive(bytes({0x00, 0x55, 0x13, 0xAA, 0x55}) + reply(26, bytes({44})) + bytes({0x55}) + position);
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "44℃");
    EXPECT_EQ(vc.textCurrentPosition()->text(), "300");
}

TEST_F(ReplyDecoding, AReplyWithSpareBytesIsShownAsTheReplyWithoutThem)
{
    receive(reply(26, bytes({50, 0})));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "50℃");
    receive(reply(21, bytes({0x64, 0x00, 0x84, 0x03, 0xAA})));
    EXPECT_EQ(vc.lableAngleBottom()->text(), "100");
    EXPECT_EQ(vc.lableAngleTop()->text(), "900");
}

TEST_F(ReplyDecoding, EchoesWrongLengthsBadChecksumsAndShortChunksChangeNothing)
{
    receive(reply(14, {}, 0xFE));                 // the echo of the ID read
    receive(reply(26, {}));                       // the echo of a temperature read
    receive(reply(28, bytes({0x2C})));            // a position reply too short for its value
    QByteArray corrupted = reply(28, bytes({0x2C, 0x01}));
    corrupted[corrupted.size() - 1] = char(corrupted.back() ^ 0x01);
    receive(corrupted);
    receive(bytes({0x55, 0x55, 0x01, 0x04}));
    receive(reply(19, bytes({0xFB})).left(4));

    EXPECT_EQ(vc.textID()->text(), "1");
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃");
    EXPECT_EQ(vc.textCurrentPosition()->text(), "0");
    EXPECT_EQ(vc.textDeviation()->text(), "0");
    EXPECT_TRUE(harness.tips().messages.isEmpty());
}

TEST_F(ReplyDecoding, APartialReplyLeftStandingIsDropped)
{
    const QByteArray temperature = reply(26, bytes({33}));
    receive(temperature.left(5));
    serveEventsFor(250);  // far longer than a reply takes to arrive whole
    receive(temperature.mid(5));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃") << "a stale start was joined with later bytes";
    receive(reply(26, bytes({21})));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "21℃");
}
