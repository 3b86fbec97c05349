#include "Api/SVFrameTools.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/SlaveTerminal.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray frame(const char* hexWithoutChecksum)
{
    return SVFrameTools::frameWithChecksum(QByteArray::fromHex(hexWithoutChecksum));
}

const QByteArray readId = frame("5555fe030e");
const QByteArray readIdReply = frame("555501040e01");
const QByteArray readTemperature = frame("555501031a");
const QByteArray readLed = frame("5555010322");

class VirtualServoOnTerminal : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(servo.isValid()) << servo.errorString().toStdString();
        ASSERT_TRUE(terminal.isOpen());
    }

    // Waits until the servo has received count frames in all.
    bool waitForFrames(qsizetype count)
    {
        return QTest::qWaitFor([&] { return servo.receivedFrames().size() >= count; }, 5000);
    }

    VirtualServo servo;
    SlaveTerminal terminal{servo.slavePath()};
};

}  // namespace

TEST_F(VirtualServoOnTerminal, AnswersAReadWithOneReplyFrame)
{
    servo.setTemperature(40);
    ASSERT_TRUE(terminal.write(readId + readTemperature));
    const QByteArray expected = readIdReply + frame("555501041a28");
    EXPECT_EQ(terminal.readAtLeast(expected.size()).toHex(' '), expected.toHex(' '));
}

TEST_F(VirtualServoOnTerminal, RecordsEveryFrameWithItsArrivalInOrder)
{
    // Collected on the main thread: the signal comes from the servo's worker thread.
    QObject receiver;
    QList<QByteArray> received;
    QObject::connect(&servo, &VirtualServo::frameReceived, &receiver,
                     [&](const QByteArray& f) { received.append(f); });
    const QByteArray move = frame("55550107 01f401 6400");
    QByteArray badChecksum = readTemperature;
    badChecksum[5] = static_cast<char>(badChecksum[5] + 1);
    ASSERT_TRUE(terminal.write(QByteArray::fromHex("0102") + badChecksum + readLed));
    ASSERT_TRUE(terminal.write(move.left(4)));
    ASSERT_TRUE(terminal.write(move.mid(4)));
    ASSERT_TRUE(waitForFrames(2)) << "the servo did not receive the frames";

    const QList<VirtualServo::Chunk> frames = servo.receivedFrames();
    ASSERT_EQ(frames.size(), 2);
    EXPECT_EQ(frames[0].bytes, readLed);
    EXPECT_EQ(frames[1].bytes, move);
    EXPECT_LE(frames[0].time, frames[1].time);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 5000));
    EXPECT_EQ(received.at(1), move);
    // The garbage and the bad frame were received (and recorded) but only the LED read is answered.
    EXPECT_EQ(servo.receivedChunks().first().bytes.left(2), QByteArray::fromHex("0102"));
    EXPECT_EQ(terminal.readAtLeast(7), frame("5555010422 00"));
}

TEST_F(VirtualServoOnTerminal, SilentServoAnswersNothing)
{
    servo.setSilent(true);
    ASSERT_TRUE(terminal.write(readId));
    ASSERT_TRUE(waitForFrames(1));
    servo.setSilent(false);
    ASSERT_TRUE(terminal.write(readLed));
    // Replies are written in order, so had the first read been answered it would come first.
    EXPECT_EQ(terminal.readAtLeast(7), frame("5555010422 00"));
    EXPECT_EQ(servo.writtenChunks().size(), 1);
}

TEST_F(VirtualServoOnTerminal, LateReplyIsWrittenAfterTheDelay)
{
    servo.setReplyDelay(100ms);
    ASSERT_TRUE(terminal.write(readId));
    EXPECT_EQ(terminal.readAtLeast(readIdReply.size()), readIdReply);
    const auto frames = servo.receivedFrames();
    const auto written = servo.writtenChunks();
    ASSERT_EQ(frames.size(), 1);
    ASSERT_EQ(written.size(), 1);
    EXPECT_GE(written[0].time - frames[0].time, 100ms);
}

TEST_F(VirtualServoOnTerminal, SplitReplyComesInTwoWrites)
{
    servo.setSplitReplies(true, 20ms);
    ASSERT_TRUE(terminal.write(readId));
    EXPECT_EQ(terminal.readAtLeast(readIdReply.size()), readIdReply);
    const auto written = servo.writtenChunks();
    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written[0].bytes + written[1].bytes, readIdReply);
    EXPECT_FALSE(written[0].bytes.isEmpty());
    EXPECT_LE(written[0].time, written[1].time);
}

TEST_F(VirtualServoOnTerminal, PairedRepliesShareOneWriteAndALoneOneStillComes)
{
    servo.setPairReplies(true, 100ms);
    ASSERT_TRUE(terminal.write(readId + readLed + readTemperature));
    const QByteArray ledReply = frame("5555010422 00");
    const QByteArray temperatureReply = frame("555501041a 1e");
    const QByteArray all = readIdReply + ledReply + temperatureReply;
    EXPECT_EQ(terminal.readAtLeast(all.size()).toHex(' '), all.toHex(' '));
    const auto written = servo.writtenChunks();
    ASSERT_EQ(written.size(), 2);
    EXPECT_EQ(written[0].bytes, readIdReply + ledReply);
    EXPECT_EQ(written[1].bytes, temperatureReply);
}

TEST_F(VirtualServoOnTerminal, EchoPrecedesTheReply)
{
    servo.setEchoCommands(true);
    const QByteArray ledOff = frame("5555010421 01");
    ASSERT_TRUE(terminal.write(ledOff + readLed));
    const QByteArray expected = ledOff + readLed + frame("5555010422 01");
    EXPECT_EQ(terminal.readAtLeast(expected.size()).toHex(' '), expected.toHex(' '));
}

TEST_F(VirtualServoOnTerminal, NoiseAndRawBytesAreWrittenAsTheyAre)
{
    servo.sendNoise(40);
    const QByteArray noise = terminal.readAtLeast(40);
    EXPECT_EQ(noise.size(), 40);
    EXPECT_GT(noise.count(noise.at(0)), 0);
    EXPECT_NE(noise, QByteArray(40, noise.at(0))) << "noise should not be one repeated byte";
    servo.writeRaw(readIdReply);
    EXPECT_EQ(terminal.readAtLeast(readIdReply.size()), readIdReply);
}

TEST_F(VirtualServoOnTerminal, VanishingHangsUpTheTerminal)
{
    servo.vanish();
    EXPECT_TRUE(servo.hasVanished());
    EXPECT_TRUE(terminal.waitForHangUp()) << "the slave side did not see the master go";
    servo.writeRaw(readIdReply);  // harmless once gone
    servo.vanish();
}

TEST_F(VirtualServoOnTerminal, WriteIdToBroadcastChangesWhichFramesItAnswers)
{
    ASSERT_TRUE(terminal.write(frame("5555fe040d 05") + frame("555501031a") + frame("555505030e")));
    EXPECT_EQ(terminal.readAtLeast(7), frame("555505040e05"));
    EXPECT_EQ(servo.settings().id, 5);
}
