// A bus of several virtual servos on one pseudo-terminal: each answers only its own ID, replies to
// the broadcast ID collide as on a real line, and a paced line takes a byte's time per byte.
#include "Api/Bus/SVFrameReader.h"
#include "Api/SVFrameTools.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/SlaveTerminal.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

QByteArray frame(int id, int command, const QByteArray& parameters = {})
{
    QByteArray bytes = QByteArray::fromHex("5555");
    bytes.append(char(id)).append(char(parameters.size() + 3)).append(char(command)).append(parameters);
    return SVFrameTools::frameWithChecksum(bytes);
}

}  // namespace

TEST(VirtualBus, EachServoAnswersItsOwnIdAndBroadcastRepliesCollide)
{
    VirtualServo bus(VirtualServo::servosWithIds({1, 2, 7}));
    bus.setTemperature(41, 1);  // servo 2, the second on the bus
    SlaveTerminal terminal(bus.slavePath());
    ASSERT_TRUE(bus.isValid() && terminal.isOpen());

    ASSERT_TRUE(terminal.write(frame(7, 26) + frame(3, 26) + frame(2, 26)));
    const QByteArray replies = frame(7, 26, QByteArray(1, char(30))) + frame(2, 26, QByteArray(1, char(41)));
    EXPECT_EQ(terminal.readAtLeast(replies.size()).toHex(' '), replies.toHex(' '));
    EXPECT_EQ(bus.collisionCount(), 0);

    // All three answer the ID read at the broadcast address: the line carries the AND of the three
    // replies, which is no valid frame.
    ASSERT_TRUE(terminal.write(frame(0xFE, 14)));
    QByteArray line = frame(1, 14, QByteArray(1, char(1)));
    for (int id : {2, 7}) {
        const QByteArray reply = frame(id, 14, QByteArray(1, char(id)));
        for (qsizetype i = 0; i < line.size(); ++i)
            line[i] = char(line[i] & reply[i]);
    }
    const QByteArray heard = terminal.readAtLeast(line.size());
    EXPECT_EQ(heard.toHex(' '), line.toHex(' '));
    EXPECT_TRUE(SVFrameReader().append(heard).isEmpty()) << "a collision must not look like a reply";
    EXPECT_EQ(bus.collisionCount(), 1);
}

TEST(VirtualBus, PacedLineWritesAReplyNoEarlierThanItsBytesTakeOnTheLine)
{
    VirtualServo bus(VirtualServo::servosWithIds({5}));
    bus.setLinePacing(true);
    SlaveTerminal terminal(bus.slavePath());
    ASSERT_TRUE(bus.isValid() && terminal.isOpen());

    const QByteArray read = frame(5, 21);
    ASSERT_TRUE(terminal.write(read));
    const QByteArray reply = terminal.readAtLeast(10);
    ASSERT_EQ(reply.size(), 10);
    const QList<VirtualServo::Chunk> received = bus.receivedChunks();
    const QList<VirtualServo::Chunk> written = bus.writtenChunks();
    ASSERT_EQ(received.size(), 1);
    ASSERT_EQ(written.size(), 1);
    EXPECT_GE(written[0].time - received[0].time, VirtualServo::lineByteTime * (read.size() + reply.size()));
}

// Frames written together cross the line one after another: each is heard once its own last byte
// has arrived, so the first of them is not held back by those behind it.
TEST(VirtualBus, PacedLineHearsEachFrameOfOneWriteAtItsOwnLastByte)
{
    VirtualServo bus(VirtualServo::servosWithIds({1, 2, 3}));
    bus.setLinePacing(true);
    SlaveTerminal terminal(bus.slavePath());
    ASSERT_TRUE(bus.isValid() && terminal.isOpen());

    const QList<QByteArray> frames{frame(1, 1, QByteArray::fromHex("f4010000")), frame(2, 28), frame(3, 1, QByteArray::fromHex("64000000"))};
    ASSERT_TRUE(terminal.write(frames.join()));
    ASSERT_EQ(terminal.readAtLeast(8).size(), 8);  // servo 2's position reply
    const QList<VirtualServo::Chunk> chunks = bus.receivedChunks();
    const QList<VirtualServo::Chunk> heard = bus.receivedFrames();
    ASSERT_EQ(chunks.size(), 1) << "the pseudo-terminal split one write";
    ASSERT_EQ(heard.size(), frames.size());
    qsizetype end = 0;
    for (qsizetype k = 0; k < frames.size(); ++k) {
        end += frames[k].size();
        EXPECT_EQ(heard[k].bytes.toHex(), frames[k].toHex());
        EXPECT_EQ(heard[k].time - chunks[0].time, VirtualServo::lineByteTime * end) << "frame " << k;
    }
}
