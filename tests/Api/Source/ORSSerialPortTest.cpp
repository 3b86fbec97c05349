// The serial port end to end over real pseudo-terminal pairs: the test plays the device on the master
// side. Waits are bounded and fail with a message; nothing asserts a duration.
#include "Api/Source/ORSMainThreadGate.h"
#include "Api/Source/ORSSerialLine.h"
#include "Api/Source/ORSSerialPort.h"
#include "support/core/PseudoTerminalPair.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QDeadlineTimer>
#include <QTest>
#include <QScopeGuard>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 5000;

// Threads of the process. The first thread a process starts may also start a sanitizer's helper
// thread, so one short-lived thread runs before the first count.
int threadCount()
{
    static const bool helpersStarted = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)helpersStarted;
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Runs the main thread's queue until everything queued before this call has been delivered.
void drainMainQueue()
{
    bool reached = false;
    QMetaObject::invokeMethod(qApp, [&reached] { reached = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reached; }, kWaitMs)) << "the main queue never drained";
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

enum class Event { Opened, Closed, Removed, Data, Error };

class RecordingDelegate : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override { record(Event::Removed); }
    void serialPortDidReceiveData(ORSSerialPort*, const QByteArray& data) override
    {
        chunks.append(data);
        record(Event::Data);
    }
    void serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError& error) override
    {
        errors.append(error);
        record(Event::Error);
    }
    void serialPortWasOpened(ORSSerialPort*) override { record(Event::Opened); }
    void serialPortWasClosed(ORSSerialPort*) override { record(Event::Closed); }

    int count(Event kind) const { return int(std::count(events.begin(), events.end(), kind)); }
    QByteArray received() const { return chunks.join(); }

    QList<Event> events;
    QList<QByteArray> chunks;
    QList<ORSSerialPortError> errors;
    std::function<void(Event)> onEvent;  // optional hook, run after recording

private:
    void record(Event kind)
    {
        EXPECT_TRUE(QThread::currentThread() == qApp->thread()) << "a callback ran off the main thread";
        events.append(kind);
        if (onEvent)
            onEvent(kind);
    }
};

class ORSSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isValid()) << "no pseudo-terminal: " << std::strerror(errno);
        port = ORSSerialPort::serialPortWithPath(pty.slavePath());
        port->setDelegate(&delegate);
        baseThreads = threadCount();
    }

    void TearDown() override
    {
        port.reset();
        EXPECT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads; }, kWaitMs))
            << "port threads still running after the test: " << threadCount() << " vs " << baseThreads;
    }

    void openAndWait()
    {
        port->open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Opened) == 1; }, kWaitMs))
            << "no opened callback";
    }

    void waitUntilClosed()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Closed) >= 1; }, kWaitMs))
            << "no closed callback";
        EXPECT_FALSE(port->isOpen());
        EXPECT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads; }, kWaitMs))
            << "port threads still running after close: " << threadCount() << " vs " << baseThreads;
    }

    PseudoTerminalPair pty;
    RecordingDelegate delegate;
    ORSSerialPort::Ptr port;
    int baseThreads = 0;
};

// ---- Opening ----

TEST_F(ORSSerialPortTest, OpensRawAt115200EightNoneOneWithoutEcho)
{
    QSignalSpy openChanges(port.get(), &ORSSerialPort::isOpenChanged);
    openAndWait();
    EXPECT_TRUE(port->isOpen());
    EXPECT_GT(port->fileDescriptor(), 0);
    ASSERT_EQ(openChanges.size(), 1);
    EXPECT_TRUE(openChanges.first().first().toBool());

    const termios line = pty.slaveAttributes();
    EXPECT_EQ(cfgetispeed(&line), speed_t(B115200));
    EXPECT_EQ(cfgetospeed(&line), speed_t(B115200));
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD | HUPCL), tcflag_t(CLOCAL | CREAD | HUPCL));
    EXPECT_FALSE(line.c_lflag & (ECHO | ICANON | ISIG | IEXTEN));
    EXPECT_FALSE(line.c_iflag & (ICRNL | IXON | ISTRIP));
    EXPECT_FALSE(line.c_oflag & OPOST);
    EXPECT_EQ(line.c_cc[VMIN], 1);
    EXPECT_EQ(line.c_cc[VTIME], 2);
}

TEST_F(ORSSerialPortTest, SecondOpenOfAnOpenPortDoesNothing)
{
    openAndWait();
    const int descriptor = port->fileDescriptor();
    const qsizetype eventsBefore = delegate.events.size();
    port->open();
    drainMainQueue();
    EXPECT_EQ(delegate.count(Event::Opened), 1);
    EXPECT_EQ(delegate.events.size(), eventsBefore) << "the second open reported something";
    EXPECT_EQ(port->fileDescriptor(), descriptor);
}

TEST_F(ORSSerialPortTest, DeviceLockedByAnotherOpenFailsAtOnceWithAnError)
{
    const int other = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);

    port->open();
    EXPECT_FALSE(port->isOpen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Error) == 1; }, kWaitMs)) << "no error callback";
    drainMainQueue();
    EXPECT_EQ(delegate.count(Event::Opened), 0);
    const ORSSerialPortError& error = delegate.errors.first();
    EXPECT_EQ(error.code, EWOULDBLOCK);
    EXPECT_EQ(error.domain, QStringLiteral("NSPOSIXErrorDomain"));
    EXPECT_EQ(error.localizedDescription, QString::fromUtf8(std::strerror(EWOULDBLOCK)));
    EXPECT_EQ(error.filePath, pty.slavePath());

    ::close(other);  // with the lock gone the same port opens
    openAndWait();
    EXPECT_TRUE(port->isOpen());
}

TEST_F(ORSSerialPortTest, MissingDeviceReportsItsErrno)
{
    const auto missing = ORSSerialPort::serialPortWithPath(QStringLiteral("/dev/servodesk-no-such-port"));
    missing->setDelegate(&delegate);
    missing->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Error) == 1; }, kWaitMs)) << "no error callback";
    EXPECT_EQ(delegate.errors.first().code, ENOENT);
    EXPECT_FALSE(missing->isOpen());
}

// A pseudo-terminal has no modem lines: one error for the opening, then the pin poll ends instead
// of failing every 10 ms.
TEST_F(ORSSerialPortTest, ModemLinesThatCannotBeReadAreReportedOnceAndPollingStops)
{
    port->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads + 1; }, kWaitMs))
        << "expected only the reader to keep running, threads: " << threadCount() - baseThreads;
    drainMainQueue();
    ASSERT_EQ(delegate.count(Event::Error), 1);
    const ORSSerialPortError& error = delegate.errors.first();
    EXPECT_TRUE(ORSSerialLine::hasNoModemLines(error.code)) << error.code;
    EXPECT_EQ(error.localizedDescription, QString::fromUtf8(std::strerror(error.code)));
    EXPECT_EQ(error.filePath, pty.slavePath());
    EXPECT_TRUE(port->isOpen());
}

// ---- Reading and writing ----

TEST_F(ORSSerialPortTest, ChunksArriveCompleteAndInOrderAfterTheOpenedCallback)
{
    const QByteArray sent = pattern(6000);
    port->open();  // the bytes are written before the opened callback can have been delivered
    for (qsizetype at = 0; at < sent.size(); at += 1500)
        ASSERT_TRUE(pty.writeToMaster(sent.mid(at, 1500)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.received().size() >= sent.size(); }, kWaitMs))
        << "received " << delegate.received().size() << " of " << sent.size();
    EXPECT_EQ(delegate.received(), sent);
    for (const QByteArray& chunk : delegate.chunks) {
        EXPECT_GE(chunk.size(), 1);
        EXPECT_LE(chunk.size(), ORSSerialPort::pendingInputLimit);
    }
    const qsizetype opened = delegate.events.indexOf(Event::Opened);
    ASSERT_GE(opened, 0);
    EXPECT_LT(opened, delegate.events.indexOf(Event::Data));
}

// Input the main thread has not taken yet waits in one buffer behind one wake-up: however much the
// line brings while the main thread is busy, the delegate then gets it in one call, and past the
// limit the oldest bytes are dropped and counted, never the newest.
TEST_F(ORSSerialPortTest, InputForABusyMainThreadArrivesInOneCallNewestKeptOldestCounted)
{
    openAndWait();
    const qsizetype limit = ORSSerialPort::pendingInputLimit;
    struct Case {
        const char* name;
        qsizetype size;
    };
    for (const Case& load : {Case{"under the limit", limit / 3}, Case{"three times the limit", 3 * limit}}) {
        SCOPED_TRACE(load.name);
        delegate.chunks.clear();
        const qint64 droppedBefore = port->droppedInputByteCount();
        const QByteArray sent = pattern(int(load.size));
        // The main thread serves no events while the line delivers everything.
        std::thread device([&] { pty.writeToMaster(sent); });
        device.join();
        const qint64 mustDrop = std::max<qint64>(0, load.size - limit);
        const auto unread = [&] {
            int waiting = 0;
            return ioctl(port->fileDescriptor(), FIONREAD, &waiting) == 0 ? waiting : -1;
        };
        const QDeadlineTimer deadline(kWaitMs);
        while ((unread() != 0 || port->droppedInputByteCount() - droppedBefore < mustDrop) && !deadline.hasExpired())
            QThread::msleep(1);
        QThread::msleep(20);  // the reader's last read reaches the buffer just after the line is empty

        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.received().size() >= std::min(load.size, limit); }, kWaitMs))
            << "received " << delegate.received().size();
        EXPECT_EQ(delegate.chunks.size(), 1) << "reads waiting together must come in one call";
        EXPECT_EQ(port->droppedInputByteCount() - droppedBefore, mustDrop);
        EXPECT_EQ(delegate.received(), sent.right(std::min(load.size, limit))) << "the newest bytes must be kept";
    }
    // Input after a delivery wakes the main thread again.
    ASSERT_TRUE(pty.writeToMaster(QByteArrayLiteral("\x55\x55\x01")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return delegate.received().endsWith(QByteArrayLiteral("\x55\x55\x01")); }, kWaitMs));
}

// While a receiver is set, it gets every read, on the reader thread, and the delegate none; once it
// is removed, the delegate gets the reads again.
TEST_F(ORSSerialPortTest, AReceiverTakesEveryReadInsteadOfTheDelegateUntilItIsRemoved)
{
    struct Witness : ORSSerialPortReceiver {
        void receive(QByteArrayView data, std::chrono::steady_clock::time_point) override
        {
            std::lock_guard lock(mutex);
            seen.append(data);
            onMainThread = onMainThread || ORSMainThreadGate::isMainThread();
        }
        QByteArray taken()
        {
            std::lock_guard lock(mutex);
            return seen;
        }
        std::mutex mutex;
        QByteArray seen;
        bool onMainThread = false;
    } witness;
    port->setReceiver(&witness);
    const auto unset = qScopeGuard([&] { port->removeReceiver(&witness); });
    openAndWait();
    ASSERT_TRUE(pty.writeToMaster(QByteArrayLiteral("\x55\x55\x01")));
    ASSERT_TRUE(pty.writeToMaster(QByteArrayLiteral("\x03\x1a")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return witness.taken().size() == 5; }, kWaitMs)) << "the receiver got " << witness.taken().size();
    EXPECT_EQ(witness.taken(), QByteArrayLiteral("\x55\x55\x01\x03\x1a"));
    EXPECT_FALSE(witness.onMainThread) << "the receiver was called on the main thread";
    EXPECT_EQ(delegate.count(Event::Data), 0) << "the delegate got bytes the receiver took";

    port->removeReceiver(&witness);
    ASSERT_TRUE(pty.writeToMaster(QByteArrayLiteral("\x55")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.received() == QByteArrayLiteral("\x55"); }, kWaitMs)) << "the delegate got nothing after the removal";
    EXPECT_EQ(witness.taken().size(), 5);
}

TEST_F(ORSSerialPortTest, SendDataFromAnotherThreadWritesEveryByte)
{
    openAndWait();
    const QByteArray sent = pattern(20000);
    std::atomic<int> result{-1};
    std::thread writer([&] { result = port->sendData(sent) ? 1 : 0; });
    const QByteArray arrived = pty.readFromMaster(int(sent.size()), kWaitMs);
    writer.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(arrived, sent);
}

TEST_F(ORSSerialPortTest, SendDataOnAClosedPortFailsSilentlyAndEmptyDataSucceeds)
{
    EXPECT_FALSE(port->sendData(QByteArrayLiteral("\x55\x55")));
    EXPECT_TRUE(port->close());
    drainMainQueue();
    EXPECT_TRUE(delegate.events.isEmpty()) << "a closed port reported something";

    openAndWait();
    EXPECT_TRUE(port->sendData(QByteArray()));
    ASSERT_TRUE(port->sendData("z"));
    EXPECT_EQ(pty.readFromMaster(1), "z") << "the empty write wrote something";
}

// ---- Line settings ----

// The pseudo-terminal driver keeps CS8 and no parity whatever it is told, so character size and
// parity are checked on the attributes the options step builds, and on the line where it shows.
TEST(ORSSerialLine, FramingFollowsTheSettingsWithOutOfRangeValuesFallingBack)
{
    const auto configured = [](ORSSerialLine::Settings settings) {
        termios attributes{};
        attributes.c_cflag = CS8 | PARENB | CSTOPB;
        ORSSerialLine::configure(attributes, settings);
        return attributes.c_cflag;
    };
    const std::pair<uint, tcflag_t> sizes[] = {{4, CS5}, {5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}, {9, CS5}};
    for (const auto& [bits, size] : sizes)
        EXPECT_EQ(configured({.numberOfDataBits = bits}) & CSIZE, size) << bits << " data bits";
    EXPECT_EQ(configured({.parity = 0}) & PARENB, 0u);
    EXPECT_EQ(configured({.parity = 1}) & (PARENB | PARODD), tcflag_t(PARENB | PARODD));
    EXPECT_EQ(configured({.parity = 2}) & (PARENB | PARODD), tcflag_t(PARENB));
    EXPECT_EQ(configured({.parity = 3}) & PARENB, 0u);
    EXPECT_EQ(configured({.numberOfStopBits = 0}) & CSTOPB, 0u);
    EXPECT_EQ(configured({.numberOfStopBits = 1}) & CSTOPB, 0u);
    EXPECT_EQ(configured({.numberOfStopBits = 2}) & CSTOPB, tcflag_t(CSTOPB));
    EXPECT_EQ(configured({.usesRTSCTSFlowControl = true}) & CRTSCTS, tcflag_t(CRTSCTS));
}

TEST_F(ORSSerialPortTest, SettingsChangedWhileOpenApplyAtOnce)
{
    QSignalSpy baudChanges(port.get(), &ORSSerialPort::baudRateChanged);
    QSignalSpy parityChanges(port.get(), &ORSSerialPort::parityChanged);
    openAndWait();

    port->setBaudRate(9600);
    const termios line = pty.slaveAttributes();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B9600));
    EXPECT_EQ(cfgetispeed(&line), speed_t(B9600));
    EXPECT_EQ(baudChanges.size(), 1);
    port->setBaudRate(9600);
    EXPECT_EQ(baudChanges.size(), 1) << "an unchanged value was announced";

    port->setParity(1);
    EXPECT_TRUE(pty.slaveAttributes().c_cflag & PARODD);
    port->setParity(2);
    EXPECT_FALSE(pty.slaveAttributes().c_cflag & PARODD);
    port->setParity(3);
    EXPECT_EQ(port->parity(), 0u);
    ASSERT_EQ(parityChanges.size(), 3);
    EXPECT_EQ(parityChanges.last().first().toUInt(), 0u);

    port->setNumberOfStopBits(2);
    EXPECT_TRUE(pty.slaveAttributes().c_cflag & CSTOPB);
    port->setNumberOfStopBits(0);
    EXPECT_FALSE(pty.slaveAttributes().c_cflag & CSTOPB);

    port->setShouldEchoReceivedData(true);
    EXPECT_TRUE(pty.slaveAttributes().c_lflag & ECHO);
    port->setNumberOfDataBits(9);  // refused by the pseudo-terminal, but the port stays usable
    EXPECT_TRUE(port->isOpen());
}

TEST_F(ORSSerialPortTest, SettingsChangedWhileClosedApplyAtTheNextOpen)
{
    port->setBaudRate(57600);
    port->setNumberOfStopBits(2);
    port->setUsesRTSCTSFlowControl(true);
    openAndWait();
    const termios line = pty.slaveAttributes();
    EXPECT_EQ(cfgetospeed(&line), speed_t(B57600));
    EXPECT_EQ(line.c_cflag & (CSTOPB | CRTSCTS), tcflag_t(CSTOPB | CRTSCTS));
}

// ---- Closing ----

TEST_F(ORSSerialPortTest, CloseRestoresTheOriginalLineAndThePortReopens)
{
    termios original = pty.slaveAttributes();
    cfsetspeed(&original, B9600);
    original.c_lflag |= ECHO | ICANON;
    ASSERT_TRUE(pty.setSlaveAttributes(original));
    QSignalSpy openChanges(port.get(), &ORSSerialPort::isOpenChanged);

    openAndWait();
    EXPECT_TRUE(port->close());
    waitUntilClosed();
    EXPECT_EQ(delegate.count(Event::Closed), 1);
    EXPECT_EQ(delegate.count(Event::Removed), 0);
    const termios restored = pty.slaveAttributes();
    EXPECT_EQ(cfgetospeed(&restored), speed_t(B9600));
    EXPECT_EQ(restored.c_lflag & (ECHO | ICANON), tcflag_t(ECHO | ICANON));
    ASSERT_EQ(openChanges.size(), 2);
    EXPECT_FALSE(openChanges.last().first().toBool());
    EXPECT_TRUE(port->close()) << "close on a closed port";

    port->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Opened) == 2; }, kWaitMs)) << "no reopen";
    ASSERT_TRUE(pty.writeToMaster("again"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.received() == "again"; }, kWaitMs)) << "reopened port reads nothing";
}

TEST_F(ORSSerialPortTest, ClosingFromItsOwnDataCallbackClosesOnce)
{
    delegate.onEvent = [&](Event kind) {
        if (kind == Event::Data)
            port->close();
    };
    openAndWait();
    ASSERT_TRUE(pty.writeToMaster("x"));
    waitUntilClosed();
    drainMainQueue();
    EXPECT_EQ(delegate.count(Event::Closed), 1);
}

// The closed callback comes from the reader, which waits for it; reopening from inside it must not
// wait for that reader in turn.
TEST_F(ORSSerialPortTest, ReopeningFromTheClosedCallbackDoesNotDeadlock)
{
    delegate.onEvent = [&](Event kind) {
        if (kind == Event::Closed && delegate.count(Event::Closed) == 1)
            port->open();
    };
    openAndWait();
    port->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Opened) == 2; }, kWaitMs)) << "no reopen";
    EXPECT_TRUE(port->isOpen());
    ASSERT_TRUE(pty.writeToMaster("after"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.received() == "after"; }, kWaitMs)) << "reopened port reads nothing";
}

// The write in progress completes before the descriptor is closed; nothing reaches a closed one.
TEST_F(ORSSerialPortTest, CloseDuringAWriteLetsTheWriteFinish)
{
    openAndWait();
    const QByteArray sent = pattern(256 * 1024);
    std::atomic<int> result{-1};
    std::thread writer([&] { result = port->sendData(sent) ? 1 : 0; });
    QByteArray arrived = pty.readFromMaster(1, kWaitMs);
    ASSERT_FALSE(arrived.isEmpty()) << "the write never started";
    port->close();
    arrived += pty.readFromMaster(int(sent.size() - arrived.size()), 20000);
    writer.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(arrived, sent);
    waitUntilClosed();
    EXPECT_FALSE(port->sendData("late")) << "a closed port accepted a write";
}

// ---- Removal ----

TEST_F(ORSSerialPortTest, VanishedDeviceIsRemovedOnceThenClosedWithItsThreadsGone)
{
    openAndWait();
    pty.closeMaster();
    waitUntilClosed();
    drainMainQueue();
    EXPECT_EQ(delegate.count(Event::Removed), 1);
    EXPECT_EQ(delegate.count(Event::Closed), 1);
    EXPECT_LT(delegate.events.indexOf(Event::Removed), delegate.events.indexOf(Event::Closed));
}

TEST_F(ORSSerialPortTest, VanishingDuringABlockedWriteFailsTheWrite)
{
    openAndWait();
    const int errorsBefore = delegate.count(Event::Error);
    std::atomic<int> result{-1};
    // Nobody reads the master side, so the write blocks once the buffers are full.
    std::thread writer([&] { result = port->sendData(pattern(1024 * 1024)) ? 1 : 0; });
    pty.closeMaster();
    writer.join();
    EXPECT_EQ(result, 0);
    waitUntilClosed();
    drainMainQueue();
    EXPECT_EQ(delegate.count(Event::Removed), 1);
    ASSERT_EQ(delegate.count(Event::Error), errorsBefore + 1);
    EXPECT_TRUE(ORSSerialLine::isDeviceGone(delegate.errors.last().code)) << delegate.errors.last().code;
}

TEST_F(ORSSerialPortTest, RemovalRacingAUserCloseClosesOnce)
{
    for (int round = 0; round < 20; ++round) {
        PseudoTerminalPair device;
        RecordingDelegate watcher;
        const auto racing = ORSSerialPort::serialPortWithPath(device.slavePath());
        racing->setDelegate(&watcher);
        racing->open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.count(Event::Opened) == 1; }, kWaitMs)) << round;
        std::thread unplug([&] { device.closeMaster(); });
        racing->close();
        unplug.join();
        ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.count(Event::Closed) == 1; }, kWaitMs)) << round;
        drainMainQueue();
        EXPECT_LE(watcher.count(Event::Removed), 1) << round;
        EXPECT_EQ(watcher.count(Event::Closed), 1) << round;
        EXPECT_FALSE(racing->isOpen());
    }
}

TEST_F(ORSSerialPortTest, RemovalCleanupTellsTheDelegateThenCloses)
{
    openAndWait();
    port->cleanupAfterSystemRemoval();
    EXPECT_EQ(delegate.count(Event::Removed), 1) << "the main thread is told at once";
    waitUntilClosed();
    EXPECT_LT(delegate.events.indexOf(Event::Removed), delegate.events.indexOf(Event::Closed));
}

// ---- Lifetimes ----

class CountingDelegate : public ORSSerialPortDelegate {
public:
    explicit CountingDelegate(std::atomic<int>& calls) : m_calls(calls) {}
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override { ++m_calls; }
    void serialPortDidReceiveData(ORSSerialPort*, const QByteArray&) override { ++m_calls; }
    void serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError&) override { ++m_calls; }
    void serialPortWasOpened(ORSSerialPort*) override { ++m_calls; }
    void serialPortWasClosed(ORSSerialPort*) override { ++m_calls; }

private:
    std::atomic<int>& m_calls;
};

TEST_F(ORSSerialPortTest, DestroyedDelegateIsNeverCalled)
{
    std::atomic<int> calls{0};
    auto* shortLived = new CountingDelegate(calls);
    port->setDelegate(shortLived);
    port->open();  // the opened callback is queued while the delegate still lives
    delete shortLived;
    EXPECT_EQ(port->delegate(), nullptr);
    ASSERT_TRUE(pty.writeToMaster("data"));
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port->isOpen(); }, kWaitMs)) << "the port never closed";
    drainMainQueue();
    EXPECT_EQ(calls, 0);
}

TEST_F(ORSSerialPortTest, DestroyingAnOpenPortReleasesTheDevice)
{
    openAndWait();
    ASSERT_TRUE(pty.writeToMaster("pending"));
    const qsizetype eventsBefore = delegate.events.size();
    const QString path = port->path();
    port.reset();
    EXPECT_EQ(ORSSerialPort::livePortWithPath(path), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads; }, kWaitMs)) << "threads left running";
    drainMainQueue();
    EXPECT_EQ(delegate.events.size(), eventsBefore) << "a destroyed port still called its delegate";

    port = ORSSerialPort::serialPortWithPath(path);  // the lock went with the descriptor
    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.count(Event::Opened) == 2; }, kWaitMs)) << "device still held";
}

// The encoder's worker thread may hold the last reference when the controller lets go of the port.
TEST_F(ORSSerialPortTest, DestroyingAnOpenPortOnAnotherThreadIsClean)
{
    openAndWait();
    ASSERT_TRUE(pty.writeToMaster("pending"));
    std::thread worker([last = std::move(port)]() mutable { last.reset(); });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads; }, kWaitMs)) << "threads left running";
    const qsizetype eventsAfterDestruction = delegate.events.size();
    drainMainQueue();
    EXPECT_EQ(delegate.events.size(), eventsAfterDestruction) << "a destroyed port still called its delegate";
}

// The reader may be waiting for the main thread to take the removal when the port is destroyed there.
TEST_F(ORSSerialPortTest, DestroyingWhileTheDeviceVanishesIsClean)
{
    for (int round = 0; round < 20; ++round) {
        PseudoTerminalPair device;
        RecordingDelegate watcher;
        auto vanishing = ORSSerialPort::serialPortWithPath(device.slavePath());
        vanishing->setDelegate(&watcher);
        vanishing->open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.count(Event::Opened) == 1; }, kWaitMs)) << round;
        device.closeMaster();
        vanishing.reset();
        ASSERT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads; }, kWaitMs)) << "threads left, round " << round;
        const qsizetype eventsAfterDestruction = watcher.events.size();
        drainMainQueue();
        EXPECT_EQ(watcher.events.size(), eventsAfterDestruction) << "a destroyed port called its delegate, round " << round;
    }
}

TEST_F(ORSSerialPortTest, DroppingTheLastReferenceInsideACallbackIsSafe)
{
    delegate.onEvent = [&](Event kind) {
        if (kind == Event::Removed)
            port.reset();
    };
    openAndWait();
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return port == nullptr; }, kWaitMs)) << "no removal callback";
    EXPECT_TRUE(QTest::qWaitFor([&] { return threadCount() == baseThreads; }, kWaitMs)) << "threads left running";
}

// ---- Registry and error classification ----

TEST_F(ORSSerialPortTest, LivePortsAreFoundByPath)
{
    EXPECT_EQ(ORSSerialPort::serialPortWithPath(pty.slavePath()), port);
    EXPECT_EQ(ORSSerialPort::livePortWithPath(pty.slavePath()), port);
    EXPECT_TRUE(ORSSerialPort::allSerialPorts().contains(port));
    EXPECT_EQ(port->name(), "pts/" + QFileInfo(pty.slavePath()).fileName()) << "named by its path below /dev";
    port.reset();
    EXPECT_EQ(ORSSerialPort::livePortWithPath(pty.slavePath()), nullptr);
    EXPECT_FALSE(ORSSerialPort::allSerialPorts().contains(nullptr));
}

TEST(ORSSerialLine, VanishedDeviceErrorsAreEIOENXIOAndENODEV)
{
    for (int code : {EIO, ENXIO, ENODEV})
        EXPECT_TRUE(ORSSerialLine::isDeviceGone(code)) << code;
    for (int code : {EAGAIN, EINTR, ENOTTY, EINVAL, EBUSY})
        EXPECT_FALSE(ORSSerialLine::isDeviceGone(code)) << code;
    EXPECT_TRUE(ORSSerialLine::hasNoModemLines(ENOTTY));
    EXPECT_TRUE(ORSSerialLine::hasNoModemLines(EINVAL));
    EXPECT_FALSE(ORSSerialLine::hasNoModemLines(EIO));
}

} // namespace
