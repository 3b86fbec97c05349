// The bus at its core, over a pseudo-terminal to a paced virtual bus of servos 1, 2 and 7: one read
// on a line that misbehaves in each of the ways a real bus does, and what the read returns, what the
// statistics count and what is kept aside as a late reply. The next read, on a quiet line, must get
// its own answer and never a leftover of the one before.
#include "Api/Bus/Protocol.h"
#include "Api/Bus/ServoBus.h"
#include "VirtualServo/VirtualServo.h"

#include <gtest/gtest.h>

#include <functional>
#include <variant>

namespace {

using namespace std::chrono_literals;
using namespace SVProtocol;

const QList<int> busIds{1, 2, 7};
constexpr int askedIndex = 1;  // servo 2
constexpr int askedId = 2;
constexpr int askedPosition = 612;

enum class Outcome { Answer, NoAnswer, Garbled, PortGone };

struct LineCase {
    const char* name;
    std::function<void(VirtualServo&)> misbehave;
    int command;
    Outcome outcome;
    // A late reply of this command from servo 2 is kept aside once the line has been listened to.
    int lateCommand = -1;
};

void PrintTo(const LineCase& lineCase, std::ostream* out) { *out << lineCase.name; }

class ServoBusLineTest : public ::testing::TestWithParam<LineCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(servos.isValid()) << qPrintable(servos.errorString());
        servos.setLinePacing(true);
        servos.setPosition(askedPosition, askedIndex);
        servos.setPosition(700, 2);
        ASSERT_TRUE(bus.open()) << qPrintable(bus.portFailure().message);
    }

    VirtualServo servos{VirtualServo::servosWithIds(busIds)};
    ServoBus bus{ORSSerialPort::serialPortWithPath(servos.slavePath())};
};

TEST_P(ServoBusLineTest, OneReadOnAMisbehavingLineThenAQuietOne)
{
    const LineCase& line = GetParam();
    line.misbehave(servos);
    const Result<SVReply> reply = bus.read(askedId, line.command);
    const ServoStatistics counted = bus.statisticsOf(askedId);
    ASSERT_EQ(counted.requests, line.outcome == Outcome::PortGone ? 0 : 1);

    switch (line.outcome) {
    case Outcome::Answer:
        ASSERT_TRUE(reply) << qPrintable(reply.failure().message);
        EXPECT_EQ(reply->servoId, askedId);
        EXPECT_EQ(reply->command, line.command);
        if (line.command == ReadPosition) {
            EXPECT_EQ(std::get<SVReplyValue::Position>(reply->value).position, askedPosition);
        }
        EXPECT_EQ(counted.replies, 1);
        break;
    case Outcome::NoAnswer:
    case Outcome::Garbled:
        ASSERT_FALSE(reply) << "a reply was taken from a line that gave none";
        EXPECT_EQ(reply.failure().servoId, askedId) << "the failure does not name the servo";
        EXPECT_TRUE(bus.isUsable());
        EXPECT_EQ(counted.timeouts, line.outcome == Outcome::NoAnswer ? 1 : 0);
        EXPECT_EQ(counted.garbled, line.outcome == Outcome::Garbled ? 1 : 0);
        break;
    case Outcome::PortGone:
        ASSERT_FALSE(reply);
        EXPECT_FALSE(bus.isUsable());
        EXPECT_TRUE(reply.failure().message.contains(QStringLiteral("gone"))) << qPrintable(reply.failure().message);
        return;
    }

    // Whatever the line still brings of the first read is kept aside, never taken as the next answer.
    bus.listen(250ms);
    const QList<SVReply> late = bus.takeLateReplies();
    if (line.lateCommand >= 0) {
        ASSERT_EQ(late.size(), 1);
        EXPECT_EQ(late.first().servoId, askedId);
        EXPECT_EQ(late.first().command, line.lateCommand);
    }
    servos.setReplyDelay(0ms);
    servos.setSilent(false);
    servos.setCorruptReplies(-1);
    servos.setNoiseBeforeReplies(0);
    servos.setSplitReplies(false);
    const Result<SVReply> next = bus.read(7, ReadPosition);
    ASSERT_TRUE(next) << qPrintable(next.failure().message);
    EXPECT_EQ(next->servoId, 7);
    EXPECT_EQ(std::get<SVReplyValue::Position>(next->value).position, 700);
}

INSTANTIATE_TEST_SUITE_P(Lines, ServoBusLineTest, ::testing::Values(
    LineCase{"quiet", [](VirtualServo&) {}, ReadPosition, Outcome::Answer},
    LineCase{"a reply in two parts", [](VirtualServo& s) { s.setSplitReplies(true, 20ms); }, ReadPosition, Outcome::Answer},
    LineCase{"stray bytes before the reply", [](VirtualServo& s) { s.setNoiseBeforeReplies(5); }, ReadPosition, Outcome::Answer},
    LineCase{"the command echoed first", [](VirtualServo& s) { s.setEchoCommands(true); }, ReadVoltage, Outcome::Answer},
    LineCase{"a silent servo", [](VirtualServo& s) { s.setSilent(true); }, ReadPosition, Outcome::NoAnswer},
    LineCase{"a reply after the time-out", [](VirtualServo& s) { s.setReplyDelay(150ms); }, ReadTemperature, Outcome::NoAnswer, ReadTemperature},
    LineCase{"a broken checksum", [](VirtualServo& s) { s.setCorruptReplies(ReadPosition); }, ReadPosition, Outcome::Garbled},
    LineCase{"two servos answering at once", [](VirtualServo& s) { s.addServoSharingId(askedId); }, ReadPosition, Outcome::Garbled},
    LineCase{"an unplug mid-read", [](VirtualServo& s) { s.setUnplugOnCommand(ReadPosition); }, ReadPosition, Outcome::PortGone}),
    [](const ::testing::TestParamInfo<LineCase>& info) {
        QString name = QString::fromLatin1(info.param.name);
        name.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
        return name.toStdString();
    });

}  // namespace
