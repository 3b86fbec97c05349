// The reply decoder over every read command: the value each reply carries, the same reply with a
// spare byte, and the frames that are not replies (echo, too short, broken, unknown command).
#include "Api/Bus/SVReplyDecoder.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/core/ByteList.h"

#include <QString>

#include <gtest/gtest.h>

namespace {

using namespace SVReplyValue;

// A readable form of a value, so that a mismatch shows what was decoded.
QString describe(const Value& value)
{
    return std::visit(
        [](const auto& v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Id>) return QStringLiteral("id %1").arg(v.id);
            else if constexpr (std::is_same_v<T, Deviation>) return QStringLiteral("deviation %1").arg(v.deviation);
            else if constexpr (std::is_same_v<T, AngleLimits>) return QStringLiteral("angle %1..%2").arg(v.minimum).arg(v.maximum);
            else if constexpr (std::is_same_v<T, VoltageLimits>) return QStringLiteral("voltage %1..%2 mV").arg(v.minimumMillivolts).arg(v.maximumMillivolts);
            else if constexpr (std::is_same_v<T, MaxTemperature>) return QStringLiteral("max %1 C").arg(v.celsius);
            else if constexpr (std::is_same_v<T, Temperature>) return QStringLiteral("temperature %1 C").arg(v.celsius);
            else if constexpr (std::is_same_v<T, Voltage>) return QStringLiteral("voltage %1 mV").arg(v.millivolts);
            else if constexpr (std::is_same_v<T, Position>) return QStringLiteral("position %1").arg(v.position);
            else if constexpr (std::is_same_v<T, MotorPower>) return QStringLiteral("loaded %1").arg(v.loaded);
            else if constexpr (std::is_same_v<T, Led>) return QStringLiteral("led on %1").arg(v.on);
            else return QStringLiteral("alarm %1 stall %2 voltage %3 temperature %4")
                .arg(v.byte).arg(v.flags.stall).arg(v.flags.overVoltage).arg(v.flags.overTemperature);
        },
        value);
}

struct Case {
    int command;
    QByteArray parameters;
    QString expected;
};

const Case cases[] = {
    {14, bytes({3}), "id 9"},  // the frame's ID byte, which is what the window shows
    {19, bytes({0xFB}), "deviation -5"},
    {19, bytes({0x7D}), "deviation 125"},
    {19, bytes({0x7E}), "deviation -130"},
    {21, bytes({0x00, 0x00, 0xE8, 0x03}), "angle 0..1000"},
    {23, bytes({0x94, 0x11, 0xE0, 0x2E}), "voltage 4500..12000 mV"},
    {25, bytes({85}), "max 85 C"},
    {26, bytes({40}), "temperature 40 C"},
    {27, bytes({0x80, 0x3E}), "voltage 16000 mV"},
    {28, bytes({0xE8, 0x03}), "position 1000"},
    {28, bytes({0xFF, 0xFF}), "position -1"},
    {28, bytes({0x9C, 0xFF}), "position -100"},
    {32, bytes({0}), "loaded 1"},
    {32, bytes({1}), "loaded 0"},
    {34, bytes({0}), "led on 1"},
    {34, bytes({1}), "led on 0"},
    {36, bytes({6}), "alarm 6 stall 1 voltage 1 temperature 0"},
    {36, bytes({1}), "alarm 1 stall 0 voltage 0 temperature 1"},
    {36, bytes({0}), "alarm 0 stall 0 voltage 0 temperature 0"},
};

}  // namespace

TEST(SVReplyDecoder, EveryReadReplyAlsoWithSpareBytes)
{
    for (const Case& c : cases) {
        for (const QByteArray& spare : {QByteArray(), bytes({0xAA}), bytes({0x00, 0x11, 0x22})}) {
            const QByteArray frame = VirtualServoModel::replyFrame(9, uint8_t(c.command), c.parameters + spare);
            const std::optional<SVReply> reply = SVReplyDecoder::decode(frame);
            ASSERT_TRUE(reply) << c.command << " with " << spare.size() << " spare bytes";
            EXPECT_EQ(reply->servoId, 9);
            EXPECT_EQ(reply->command, c.command);
            EXPECT_EQ(describe(reply->value).toStdString(), c.expected.toStdString()) << c.command << " with " << spare.size() << " spare bytes";
        }
    }
}

TEST(SVReplyDecoder, FramesThatAreNotRepliesGiveNothing)
{
    for (const Case& c : cases) {
        const QByteArray good = VirtualServoModel::replyFrame(1, uint8_t(c.command), c.parameters);
        // The read command's own echo: length 3, no parameters.
        EXPECT_FALSE(SVReplyDecoder::decode(VirtualServoModel::replyFrame(1, uint8_t(c.command), {}))) << c.command;
        // One parameter byte short of what the command's value needs (the ID reply needs none
        // beyond its ID byte, but a frame without parameters is an echo, covered above).
        if (c.parameters.size() > 1) {
            EXPECT_FALSE(SVReplyDecoder::decode(VirtualServoModel::replyFrame(1, uint8_t(c.command), c.parameters.chopped(1))))
                << c.command;
        }
        QByteArray badChecksum = good;
        badChecksum.back() = char(badChecksum.back() ^ 0x01);
        EXPECT_FALSE(SVReplyDecoder::decode(badChecksum)) << c.command;
        EXPECT_FALSE(SVReplyDecoder::decode(good.chopped(1))) << c.command << ": cut short";
        EXPECT_FALSE(SVReplyDecoder::decode(good + bytes({0x00}))) << c.command << ": length byte disagrees";
    }
    for (int command : {0, 1, 13, 17, 20, 29, 31, 33, 35, 37, 255}) {
        EXPECT_FALSE(SVReplyDecoder::decode(VirtualServoModel::replyFrame(1, uint8_t(command), bytes({1, 2, 3, 4}))))
            << command;
    }
    EXPECT_FALSE(SVReplyDecoder::decode(QByteArray()));
}
