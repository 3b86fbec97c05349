#include "Api/SVFrameTools.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

QString text(const char* s) { return QString::fromUtf8(s); }

}  // namespace

TEST(SVFrameTools, TwoReplyBytesMakeA16BitNumberWithHighByteFFAsNegative)
{
    EXPECT_EQ(SVFrameTools::returnNum16ToNum10WithLow(text("232"), text("3")), 1000);
    EXPECT_EQ(SVFrameTools::returnNum16ToNum10WithLow(text("0"), text("0")), 0);
    EXPECT_EQ(SVFrameTools::returnNum16ToNum10WithLow(text("255"), text("255")), -1);
    EXPECT_EQ(SVFrameTools::returnNum16ToNum10WithLow(text("156"), text("255")), -100);
    EXPECT_EQ(SVFrameTools::returnNum16ToNum10WithLow(text("255"), text("254")), 65279);
    EXPECT_EQ(SVFrameTools::returnNum16ToNum10WithLow(text("148"), text("17")), 4500);
}

TEST(SVFrameTools, VoltagesConvertBetweenMillivoltsAndVoltTexts)
{
    EXPECT_EQ(QString::asprintf("%.1f", SVProtocol::voltsFromMillivolts(
                  int(SVFrameTools::returnNum16ToNum10WithLow(text("148"), text("17"))))), text("4.5"));
    EXPECT_EQ(SVFrameTools::millivoltsFromVoltText(text("4.5")), 4500);
    EXPECT_EQ(SVFrameTools::millivoltsFromVoltText(text("14")), 14000);
    EXPECT_EQ(SVFrameTools::millivoltsFromVoltText(text("12.0")), 12000);
    // 32-bit float arithmetic, truncated: 4.6f x 1000 is 4599.9995...
    EXPECT_EQ(SVFrameTools::millivoltsFromVoltText(text("4.6")), static_cast<int>(4.6f * 1000.0f));
    EXPECT_EQ(SVFrameTools::millivoltsFromVoltText(text("1e30")), std::numeric_limits<qint32>::max());
    EXPECT_EQ(SVFrameTools::millivoltsFromVoltText(text("volts")), 0);
}

TEST(SVFrameTools, AlarmByteBecomesBinaryDigits)
{
    EXPECT_EQ(SVFrameTools::convertBinarySystemFromDecimalSystem(text("5")), text("101"));
    EXPECT_EQ(SVFrameTools::convertBinarySystemFromDecimalSystem(text("0")), text("0"));
    EXPECT_EQ(SVFrameTools::convertBinarySystemFromDecimalSystem(text("255")), text("11111111"));
}

TEST(SVFrameTools, FlagsBecomeTheAlarmByteToWrite)
{
    using Flags = SVFrameTools::AlarmFlags;
    auto alarmValue = [](Flags flags) {
        return SVFrameTools::convertDecimalSystemFromBinarySystem(SVFrameTools::alarmDigitsFromFlags(flags));
    };
    EXPECT_EQ(alarmValue({true, true, true}), text("7"));
    EXPECT_EQ(alarmValue({false, false, true}), text("1"));
    EXPECT_EQ(alarmValue({true, false, false}), text("4"));
    EXPECT_EQ(alarmValue({false, false, false}), text("0"));
    EXPECT_EQ(SVFrameTools::convertDecimalSystemFromBinarySystem(text("")), text("0"));
    EXPECT_EQ(SVFrameTools::convertDecimalSystemFromBinarySystem(text("11111111")), text("255"));
    // Absurdly long digit strings saturate instead of overflowing.
    EXPECT_EQ(SVFrameTools::convertDecimalSystemFromBinarySystem(QString(200, u'1')),
              QString::number(std::numeric_limits<qint64>::max()));
}

TEST(SVFrameTools, ChecksumIsTheInvertedSumAfterTheHeader)
{
    const uint8_t readId[] = {0x55, 0x55, 0xFE, 0x03, 0x0E};
    EXPECT_EQ(SVFrameTools::checksum(readId, 5), 0xF0);
    const uint8_t readAngle[] = {0x55, 0x55, 0x01, 0x03, 0x15};
    EXPECT_EQ(SVFrameTools::checksum(readAngle, 5), 0xE6);
    // Bytes summing to a multiple of 256 give FF.
    const uint8_t wraps[] = {0x55, 0x55, 0xF9, 0x03, 0x04};
    EXPECT_EQ(SVFrameTools::checksum(wraps, 5), 0xFF);
    EXPECT_EQ(SVFrameTools::frameWithChecksum(QByteArray::fromHex("555503040e03")),
              QByteArray::fromHex("555503040e03e7"));
}

TEST(SVFrameTools, FrameLogHasDecimalThenHexadecimalLines)
{
    const uint8_t readId[] = {0x55, 0x55, 0xFE, 0x03, 0x0E, 0xF0};
    EXPECT_EQ(SVFrameTools::frameLogText(readId, 6),
              QByteArray("10进制\n[85 85 254 3 14 240 ]\n16进制\n[55 55 fe 3 e f0 ]\n"));
    EXPECT_EQ(SVFrameTools::frameLogText(readId, 0), QByteArray("10进制\n[]\n16进制\n[]\n"));
}
