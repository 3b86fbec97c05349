// A line flooded at its full rate: random bytes with valid replies mixed in, for 10 s, through the
// real serial port over a pseudo-terminal into the frame reader. Every valid reply comes out, nothing
// else does, and the reader's buffer stays bounded.
#include "Api/SVFrameReader.h"
#include "Api/Source/ORSSerialPort.h"
#include "support/core/EventLoopWait.h"
#include "support/core/LineFlood.h"
#include "support/core/PseudoTerminalPair.h"

#include <gtest/gtest.h>

namespace {

class ReadingDelegate : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override { ++removed; }
    void serialPortWasOpened(ORSSerialPort*) override { opened = true; }
    void serialPortDidReceiveData(ORSSerialPort*, const QByteArray& data) override
    {
        receivedBytes += data.size();
        frames += reader.append(data);
        largestPending = std::max(largestPending, reader.pendingSize());
    }

    SVFrameReader reader;
    QList<QByteArray> frames;
    qsizetype receivedBytes = 0;
    qsizetype largestPending = 0;
    bool opened = false;
    int removed = 0;
};

TEST(LineFloodGenerator, StreamHoldsTheRepliesAndNoFrameOfItsOwn)
{
    QList<QByteArray> replies;
    const QByteArray stream = LineFlood::makeStream(7, 20000, &replies);
    ASSERT_GT(replies.size(), 100);
    qsizetype at = 0;
    for (const QByteArray& reply : replies) {
        const qsizetype found = stream.indexOf(reply, at);
        ASSERT_GE(found, at) << "a reply is missing from the stream";
        for (qsizetype p = at; p < found; ++p)
            ASSERT_FALSE(LineFlood::validFrameAt(stream, p)) << "noise holds a valid frame at " << p;
        at = found + reply.size();
    }
    EXPECT_GT(stream.count(char(0x55)), stream.size() / 10) << "too few header bytes to test resynchronising";
}

TEST(FrameFlood, TenSecondsAtFullLineRateLoseNoReplyAndAddNothing)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    ReadingDelegate delegate;
    const auto port = ORSSerialPort::serialPortWithPath(pty.slavePath());
    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(waitForCondition([&] { return delegate.opened; })) << "no opened callback";

    QList<QByteArray> replies;
    const QByteArray stream = LineFlood::makeStream(20261207, 10 * LineFlood::lineBytesPerSecond, &replies);
    LineFlood flood;
    flood.start(pty.masterDescriptor(), stream);
    // The main thread keeps serving the port's deliveries while the flood runs.
    ASSERT_TRUE(waitForCondition([&] { return delegate.receivedBytes >= stream.size(); }, 30000))
        << "received " << delegate.receivedBytes << " of " << stream.size() << " bytes";
    EXPECT_TRUE(flood.waitUntilWritten(std::chrono::seconds(5)));

    EXPECT_EQ(delegate.receivedBytes, stream.size());
    EXPECT_EQ(delegate.frames.size(), replies.size()) << "replies lost or frames made up";
    EXPECT_TRUE(delegate.frames == replies) << "the frames differ from the replies sent";
    EXPECT_LT(delegate.largestPending, 10) << "the reader kept more than one partial frame";
    EXPECT_EQ(delegate.removed, 0);
    EXPECT_TRUE(port->isOpen());

    port->close();
    EXPECT_TRUE(waitForCondition([&] { return !port->isOpen(); })) << "the port never closed";
    port->setDelegate(nullptr);
}

} // namespace
