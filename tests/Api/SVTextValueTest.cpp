#include "Api/SVTextValue.h"

#include <gtest/gtest.h>

#include <limits>

using namespace SVTextValue;

TEST(SVTextValue, ReadsTheLeadingNumberAfterWhiteSpace)
{
    EXPECT_EQ(integerValue(QStringLiteral("85 ℃")), 85);
    EXPECT_EQ(integerValue(QStringLiteral("  \t-100")), -100);
    EXPECT_EQ(integerValue(QStringLiteral("+7x")), 7);
    EXPECT_EQ(integerValue(QStringLiteral("12.9")), 12);
    EXPECT_EQ(intValue(QStringLiteral("253")), 253);
}

TEST(SVTextValue, TextWithoutLeadingNumberIsZero)
{
    for (const char* text : {"", "   ", "abc", "-", "+", "℃85", "- 5"}) {
        EXPECT_EQ(integerValue(QString::fromUtf8(text)), 0) << text;
        EXPECT_EQ(floatValue(QString::fromUtf8(text)), 0.0f) << text;
    }
}

TEST(SVTextValue, NumbersBeyondTheRangeSaturate)
{
    EXPECT_EQ(integerValue(QStringLiteral("99999999999999999999999")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(integerValue(QStringLiteral("-99999999999999999999999")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(integerValue(QStringLiteral("-9223372036854775808")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(intValue(QStringLiteral("4294967296")), std::numeric_limits<int>::max());
    EXPECT_EQ(intValue(QStringLiteral("-4294967296")), std::numeric_limits<int>::min());
    EXPECT_EQ(floatValue(QStringLiteral("1e400")), std::numeric_limits<float>::max());
    EXPECT_EQ(floatValue(QStringLiteral("-1e40")), std::numeric_limits<float>::lowest());
}

TEST(SVTextValue, FloatReadsFractionAndStopsAtTheFirstNonNumber)
{
    EXPECT_FLOAT_EQ(floatValue(QStringLiteral("4.5")), 4.5f);
    EXPECT_FLOAT_EQ(floatValue(QStringLiteral(" 12V")), 12.0f);
    EXPECT_FLOAT_EQ(floatValue(QStringLiteral(".5")), 0.5f);
    EXPECT_FLOAT_EQ(floatValue(QStringLiteral("-13.9 volts")), -13.9f);
    EXPECT_FLOAT_EQ(floatValue(QStringLiteral("2e")), 2.0f);
    EXPECT_FLOAT_EQ(floatValue(QStringLiteral("1.5e1")), 15.0f);
}
