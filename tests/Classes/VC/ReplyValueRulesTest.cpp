// The same reply bytes read by the settings page and by the bus layer (the Motion and Robot pages,
// servoctl). The page shows a 16-bit reply as negative only for a high byte of 0xFF and the alarm
// byte by its leading binary digits; the bus reads a position as signed, a voltage or a limit as
// unsigned, and the alarm byte by its three low bits. A deviation reads the same on both.
#include "Api/Bus/ServoAccess.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

struct Case {
    // The servo's answers: every 16-bit value (position, voltage, both ends of both limits) carries
    // the bytes low, high.
    int low, high, deviationByte, alarmByte;
    // The settings page.
    const char* pageNumber;   // position and angle limits
    const char* pageVolts;    // voltage limits
    const char* pageVoltage;  // the live voltage, held at 15.0 V
    const char* pageAlarms;   // stall, over-voltage, over-temperature
    // The bus layer.
    int busPosition;
    int busWord;  // voltage and limits
    const char* busAlarms;
    int deviation;  // both
};

const Case cases[] = {
    {0x90, 0x00, 125, 0, "144", "0.1", "0.1V", "000", 144, 144, "000", 125},
    {0xFF, 0x7F, 126, 1, "32767", "32.8", "15.0V", "001", 32767, 32767, "001", -130},
    {0x00, 0x80, 255, 2, "32768", "32.8", "15.0V", "010", -32768, 32768, "010", -1},
    {0x00, 0x90, 0, 3, "36864", "36.9", "15.0V", "011", -28672, 36864, "011", 0},
    {0xFF, 0xFE, 0xFB, 4, "65279", "65.3", "15.0V", "100", -257, 65279, "100", -5},
    {0x9C, 0xFF, 0x83, 5, "-100", "-0.1", "-0.1V", "101", -100, 65436, "101", -125},
    {0xFF, 0xFF, 1, 6, "-1", "-0.0", "-0.0V", "110", -1, 65535, "110", 1},
    {0xE8, 0x03, 0x80, 7, "1000", "1.0", "1.0V", "111", 1000, 1000, "111", -128},
    {0x00, 0x00, 0, 0xF8, "0", "0.0", "0.0V", "111", 0, 0, "000", 0},
};

QString flags(bool stall, bool overVoltage, bool overTemperature)
{
    return QStringLiteral("%1%2%3").arg(int(stall)).arg(int(overVoltage)).arg(int(overTemperature));
}

}  // namespace

TEST(ReplyValueRules, OneReplyReadByThePageAndByTheBus)
{
    ControllerHarness harness(false);
    SVSettingViewController& page = harness.controller();
    VirtualServo& servo = harness.servo();
    ServoBus bus(ORSSerialPort::serialPortWithPath(servo.slavePath()));
    ASSERT_TRUE(bus.open()) << "the bus could not open the servo's line";

    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("bytes %1 %2, deviation byte %3, alarm byte %4")
                         .arg(c.low, 2, 16, QChar(u'0')).arg(c.high, 2, 16, QChar(u'0')).arg(c.deviationByte).arg(c.alarmByte)
                         .toStdString());
        const int word = c.low | c.high << 8;
        VirtualServoModel::Settings answers = servo.settings();
        answers.angleMin = answers.angleMax = answers.voltageMinMillivolts = answers.voltageMaxMillivolts = word;
        answers.deviation = c.deviationByte;
        answers.alarmBits = c.alarmByte;
        servo.setSettings(answers);
        servo.setPosition(word);
        servo.setVoltageMillivolts(word);
        servo.clearRecords();

        const Result<ServoSettings> settings = ServoAccess::readSettings(bus, 1);
        const Result<ServoAccess::LiveState> state = ServoAccess::readState(bus, 1);
        ASSERT_TRUE(settings && state) << "the servo did not answer the bus";
        EXPECT_EQ(state->position, c.busPosition);
        EXPECT_EQ(state->voltageMillivolts, c.busWord);
        EXPECT_EQ((QList<int>{settings->angleMin, settings->angleMax, settings->voltageMinMillivolts, settings->voltageMaxMillivolts}),
                  QList<int>(4, c.busWord));
        EXPECT_EQ(settings->deviation, c.deviation);
        EXPECT_EQ(flags(settings->alarmStall, settings->alarmOverVoltage, settings->alarmOverTemperature), c.busAlarms);

        QByteArray replies;
        for (const VirtualServo::Chunk& chunk : servo.writtenChunks())
            replies += chunk.bytes;
        page.serialPortDidReceiveData(nullptr, replies);
        EXPECT_EQ(page.textCurrentPosition()->text(), c.pageNumber);
        EXPECT_EQ(page.lableAngleBottom()->text(), c.pageNumber);
        EXPECT_EQ(page.lableAngleTop()->text(), c.pageNumber);
        EXPECT_EQ(page.lableVoltageRangeMin()->text(), c.pageVolts);
        EXPECT_EQ(page.lableVoltageRangeMax()->text(), c.pageVolts);
        EXPECT_EQ(page.textCurrentVoltage()->text(), c.pageVoltage);
        EXPECT_EQ(page.textDeviation()->text(), QString::number(c.deviation));
        EXPECT_EQ(flags(page.switchStall()->checked(), page.switchOverpressure()->checked(), page.switchOverTemperature()->checked()),
                  c.pageAlarms);
    }
}
