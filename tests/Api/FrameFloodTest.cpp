// A line flooded at its full rate: random bytes with valid replies mixed in, for 10 s, through the
// real serial port over a pseudo-terminal into the frame reader. Every valid reply comes out, nothing
// else does, and the reader's buffer stays bounded.
#include "Api/Bus/SVFrameReader.h"
#include "Api/Source/ORSSerialPort.h"
#include "support/LineFlood.h"
#include "support/core/EventLoopWait.h"
#include "support/core/PseudoTerminalPair.h"

#include <gtest/gtest.h>

#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

class ReadingDelegate : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override { ++removed; }
    void serialPortWasOpened(ORSSerialPort*) override { opened = true; }
    // The reader is given the time the port read the bytes, so a main thread that is late to take
    // them is not mistaken for a silent line.
    void serialPortDidReceiveDataReadAt(ORSSerialPort*, const QByteArray& data,
                                        std::chrono::steady_clock::time_point readTime) override
    {
        receivedBytes += data.size();
        frames += reader.append(data, readTime);
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
    SVFrameReader whole;
    ASSERT_TRUE(whole.append(stream) == replies) << "the reader loses replies even from the stream read at once";
    EXPECT_EQ(delegate.frames.size(), replies.size()) << "replies lost or frames made up";
    for (qsizetype i = 0; i < std::min(delegate.frames.size(), replies.size()); ++i) {
        if (delegate.frames.at(i) != replies.at(i)) {
            ADD_FAILURE() << "reply " << i << " of " << replies.size() << " differs: " << replies.at(i).toHex().constData()
                          << " sent, " << delegate.frames.at(i).toHex().constData() << " decoded";
            break;
        }
    }
    EXPECT_TRUE(delegate.frames == replies) << "the frames differ from the replies sent";
    EXPECT_LT(delegate.largestPending, SVFrameReader::maximumLength + 3) << "the reader kept more than one partial frame";
    EXPECT_EQ(delegate.removed, 0);
    EXPECT_TRUE(port->isOpen());

    port->close();
    EXPECT_TRUE(waitForCondition([&] { return !port->isOpen(); })) << "the port never closed";
    port->setDelegate(nullptr);
}

// A reply split over two reads whose second part waits on a busy main thread for longer than a
// partial frame may wait: the line was not silent, so the reply is whole.
TEST(FrameFlood, ASplitReplySurvivesABusyMainThread)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    ReadingDelegate delegate;
    const auto port = ORSSerialPort::serialPortWithPath(pty.slavePath());
    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(waitForCondition([&] { return delegate.opened; })) << "no opened callback";
    // A second view of the line, without the lock, to see when the port has read what was written.
    const int observer = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(observer, 0);
    auto waitUntilRead = [observer] {
        int waiting = 1;
        for (int i = 0; i < 5000 && waiting > 0; ++i) {
            if (ioctl(observer, FIONREAD, &waiting) != 0)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return waiting == 0;
    };

    const QByteArray reply = LineFlood::reply(1, 28, QByteArray::fromHex("e803"));
    ASSERT_TRUE(pty.writeToMaster(reply.left(3)));
    ASSERT_TRUE(waitForCondition([&] { return delegate.receivedBytes == 3; })) << "the first part never arrived";
    ASSERT_TRUE(pty.writeToMaster(reply.mid(3)));
    ASSERT_TRUE(waitUntilRead()) << "the port never read the second part";
    std::this_thread::sleep_for(SVFrameReader::staleAfter * 2);  // the main thread is busy elsewhere
    ASSERT_TRUE(waitForCondition([&] { return delegate.receivedBytes == reply.size(); })) << "the second part never arrived";
    ::close(observer);
    ASSERT_EQ(delegate.frames.size(), 1) << "the reply was dropped as stale";
    EXPECT_EQ(delegate.frames.first(), reply);
    port->close();
    EXPECT_TRUE(waitForCondition([&] { return !port->isOpen(); })) << "the port never closed";
    port->setDelegate(nullptr);
}

} // namespace
