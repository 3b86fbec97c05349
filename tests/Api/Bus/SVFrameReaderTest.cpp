#include "Api/Bus/SVFrameReader.h"
#include "support/core/ByteList.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const QByteArray idReply = bytes({0x55, 0x55, 0x03, 0x04, 0x0E, 0x03, 0xE7});
const QByteArray positionReply = bytes({0x55, 0x55, 0x01, 0x05, 0x1C, 0xE8, 0x03, 0xF2});

}  // namespace

TEST(SVFrameReader, WholeFrameInOneRead)
{
    SVFrameReader reader;
    EXPECT_EQ(reader.append(idReply), QList<QByteArray>{idReply});
    EXPECT_EQ(reader.pendingSize(), 0);
}

TEST(SVFrameReader, FrameSplitAcrossReadsIsJoined)
{
    SVFrameReader reader;
    const auto t0 = SVFrameReader::Clock::now();
    for (qsizetype cut = 1; cut < positionReply.size(); ++cut) {
        EXPECT_TRUE(reader.append(positionReply.left(cut), t0).isEmpty()) << cut;
        EXPECT_EQ(reader.append(positionReply.mid(cut), t0 + 5ms), QList<QByteArray>{positionReply}) << cut;
    }
}

TEST(SVFrameReader, EveryFrameOfOneReadInOrder)
{
    SVFrameReader reader;
    EXPECT_EQ(reader.append(idReply + positionReply + idReply),
              (QList<QByteArray>{idReply, positionReply, idReply}));
}

TEST(SVFrameReader, NoiseAndBrokenFramesAreSkipped)
{
    SVFrameReader reader;
    QByteArray badChecksum = positionReply;
    badChecksum[7] = char(0x00);
    const QByteArray badLength = bytes({0x55, 0x55, 0x01, 0x09, 0x1C, 0x00});
    const QByteArray stream = bytes({0x00, 0x55, 0x13, 0xFF}) + badChecksum + badLength + idReply
        + bytes({0x55}) + positionReply;
    EXPECT_EQ(reader.append(stream), (QList<QByteArray>{idReply, positionReply}));
}

TEST(SVFrameReader, StalePartialFrameIsDiscarded)
{
    SVFrameReader reader;
    const auto t0 = SVFrameReader::Clock::now();
    reader.append(positionReply.left(4), t0);
    // The rest arrives far too late: it cannot complete the old frame, and a new frame then parses.
    EXPECT_TRUE(reader.append(positionReply.mid(4), t0 + 500ms).isEmpty());
    EXPECT_EQ(reader.append(idReply, t0 + 501ms), QList<QByteArray>{idReply});
}

TEST(SVFrameReader, PendingBytesStayBoundedUnderNoise)
{
    SVFrameReader reader;
    QByteArray noise(4096, char(0x55));
    for (qsizetype i = 3; i < noise.size(); i += 7)
        noise[i] = char(0x06);  // plausible lengths, never a valid checksum
    for (int round = 0; round < 10; ++round) {
        reader.append(noise);
        EXPECT_LE(reader.pendingSize(), SVFrameReader::maximumLength + 3);
    }
}

TEST(SVFrameReader, ReplyLengthsOfTheReadCommands)
{
    for (int command : {14, 19, 25, 26, 32, 34, 36})
        EXPECT_EQ(SVFrameReader::replyLength(command), 4) << command;
    for (int command : {27, 28})
        EXPECT_EQ(SVFrameReader::replyLength(command), 5) << command;
    for (int command : {21, 23})
        EXPECT_EQ(SVFrameReader::replyLength(command), 7) << command;
    for (int command : {0, 1, 13, 17, 20, 29, 31, 33, 35, 37, 255})
        EXPECT_EQ(SVFrameReader::replyLength(command), 0) << command;
}
