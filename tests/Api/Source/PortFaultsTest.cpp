// The serial transport under faults: hundreds of openings and unplugs leave no descriptor or thread
// behind, an unplug in the middle of traffic ends cleanly, and a device held by another program is
// refused at once and usable once it is let go. Waits are bounded and fail with a message.
#include "Api/Bus/Protocol.h"
#include "Api/SVSerial.h"
#include "Api/Source/ORSSerialPort.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/EventLoopWait.h"
#include "support/core/FakeDeviceSource.h"
#include "support/core/LockHolder.h"
#include "support/core/PseudoTerminalPair.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kWaitMs = 5000;

int entriesIn(const char* folder)
{
    return int(QDir(QString::fromLatin1(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

// What the process holds: open descriptors and threads. A sanitizer may start a helper thread with
// the first thread the process makes, so one short-lived thread runs before the first count.
struct ProcessResources {
    int descriptors = 0;
    int threads = 0;

    static ProcessResources now()
    {
        static const bool helpersStarted = [] {
            std::thread([] {}).join();
            return true;
        }();
        (void)helpersStarted;
        return {entriesIn("/proc/self/fd"), entriesIn("/proc/self/task")};
    }
    bool operator==(const ProcessResources&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ProcessResources& r)
{
    return out << r.descriptors << " descriptors, " << r.threads << " threads";
}

// Waits (bounded) until the process is back to `before`; background closing may still be finishing.
::testing::AssertionResult returnsTo(const ProcessResources& before)
{
    ProcessResources after;
    if (waitForCondition([&] { return (after = ProcessResources::now()) == before; }, kWaitMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "before: " << before << "; after: " << after;
}

class CountingDelegate : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override { ++removed; }
    void serialPortDidReceiveData(ORSSerialPort*, const QByteArray& data) override { received += data; }
    void serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError& error) override { errors.append(error.code); }
    void serialPortWasOpened(ORSSerialPort*) override { ++opened; }
    void serialPortWasClosed(ORSSerialPort*) override { ++closed; }

    int opened = 0;
    int closed = 0;
    int removed = 0;
    QList<int> errors;
    QByteArray received;
};

// ---- Many openings ----

TEST(PortFaults, FiveHundredOpenCloseCyclesLeaveNoDescriptorOrThread)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    CountingDelegate delegate;
    const auto port = ORSSerialPort::serialPortWithPath(pty.slavePath());
    port->setDelegate(&delegate);
    const ProcessResources before = ProcessResources::now();

    for (int cycle = 1; cycle <= 500; ++cycle) {
        port->open();
        ASSERT_TRUE(waitForCondition([&] { return delegate.opened == cycle; }, kWaitMs)) << "no opened callback, cycle " << cycle;
        port->close();
        ASSERT_TRUE(waitForCondition([&] { return delegate.closed == cycle; }, kWaitMs)) << "no closed callback, cycle " << cycle;
    }
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(returnsTo(before)) << "a closed port still holds resources";
    EXPECT_EQ(delegate.removed, 0);
}

TEST(PortFaults, TwoHundredUnplugsOfAnOpenPortLeaveNoDescriptorOrThread)
{
    const ProcessResources before = ProcessResources::now();
    for (int cycle = 0; cycle < 200; ++cycle) {
        auto pty = std::make_unique<PseudoTerminalPair>();
        ASSERT_TRUE(pty->isValid()) << "cycle " << cycle;
        CountingDelegate delegate;
        auto port = ORSSerialPort::serialPortWithPath(pty->slavePath());
        port->setDelegate(&delegate);
        port->open();
        ASSERT_TRUE(waitForCondition([&] { return delegate.opened == 1; }, kWaitMs)) << "no opened callback, cycle " << cycle;
        pty->closeMaster();
        ASSERT_TRUE(waitForCondition([&] { return delegate.closed == 1; }, kWaitMs)) << "unplugged port never closed, cycle " << cycle;
        EXPECT_EQ(delegate.removed, 1) << "cycle " << cycle;
        EXPECT_FALSE(port->isOpen()) << "cycle " << cycle;
        port->setDelegate(nullptr);
        port.reset();
        pty.reset();
    }
    EXPECT_TRUE(returnsTo(before)) << "unplugged ports left resources behind";
}

// ---- Unplug in the middle of traffic ----

// A port manager whose device source reports the servo's pseudo-terminal and one more adapter.
class UnplugDuringTraffic : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(servo.isValid()) << qPrintable(servo.errorString());
        servoDevice = {QStringLiteral("/sys/devices/fake/") + QFileInfo(servo.slavePath()).fileName(), servo.slavePath(),
                       QFileInfo(servo.slavePath()).fileName()};
        auto ownedSource = std::make_unique<FakeDeviceSource>(QList<ORSSerialDevice>{otherDevice, servoDevice});
        source = ownedSource.get();
        manager = std::make_unique<ORSSerialPortManager>(std::move(ownedSource));
        ASSERT_EQ(manager->availablePorts().size(), 2);
        port = manager->availablePorts().at(1);
        ASSERT_EQ(port->path(), servo.slavePath());
        port->setDelegate(&delegate);
        port->open();
        ASSERT_TRUE(waitForCondition([&] { return delegate.opened == 1; }, kWaitMs)) << "no opened callback";
        encoder.setSerialPort(port);
    }

    void TearDown() override
    {
        encoder.setSerialPort(nullptr);
        if (port)
            port->setDelegate(nullptr);
    }

    // The adapter goes: its node vanishes and the device source reports the removal.
    void unplug()
    {
        servo.vanish();
        source->unplug({servoDevice});
    }

    void expectCleanEnd()
    {
        EXPECT_TRUE(encoder.queue().waitUntilIdle(std::chrono::seconds(10))) << "the encoder's queue hangs";
        EXPECT_TRUE(waitForCondition([&] { return delegate.closed == 1; }, kWaitMs)) << "the port never closed";
        EXPECT_FALSE(port->isOpen());
        EXPECT_GE(delegate.removed, 1) << "the delegate was not told of the removal";
        ASSERT_EQ(manager->availablePorts().size(), 1);
        EXPECT_EQ(manager->availablePorts().first()->path(), otherDevice.path);
        EXPECT_FALSE(port->sendData("late")) << "an unplugged port accepted a write";
    }

    VirtualServo servo;
    const ORSSerialDevice otherDevice = FakeDeviceSource::usbDevice(QStringLiteral("ttyUSB7"));
    ORSSerialDevice servoDevice;
    FakeDeviceSource* source = nullptr;
    std::unique_ptr<ORSSerialPortManager> manager;
    ORSSerialPort::Ptr port;
    CountingDelegate delegate;
    SVSerial encoder;
};

// The servo goes right after a marker frame 50 frames into the burst. The 19,950 move frames after it
// (about 220 KB) cannot all wait in the terminal's buffer, so the encoder is still writing them.
TEST_F(UnplugDuringTraffic, InTheMiddleOfAWriteBurst)
{
    constexpr int burst = 20000;
    servo.setUnplugOnCommand(SVProtocol::AdjustDeviation);
    for (int i = 0; i < burst; ++i) {
        if (i == 50)
            encoder.sendWriteDeviationId(QStringLiteral("1"), QStringLiteral("0"));
        encoder.sendOneSteering(1, i % 1000, 100);
    }
    ASSERT_TRUE(waitForCondition([&] { return !port->isOpen(); }, kWaitMs)) << "the marker never arrived";
    source->unplug({servoDevice});
    expectCleanEnd();
    EXPECT_LT(servo.receivedFrames().size(), burst) << "the burst ended before the unplug";
}

TEST_F(UnplugDuringTraffic, InTheMiddleOfABlockRead)
{
    encoder.sendReadServoInfoWithId(QStringLiteral("1"));
    // The replies of the run are held until its end; the first request at the servo marks its start.
    ASSERT_TRUE(waitForCondition([&] { return !servo.receivedFrames().isEmpty(); }, kWaitMs)) << "the block read never began";
    unplug();
    expectCleanEnd();
    EXPECT_LT(servo.receivedFrames().size(), 6) << "the unplug came after the block read had ended";
}

// ---- A device held by another program ----

TEST(PortFaults, DeviceHeldByAnotherProcessIsRefusedAtOnceThenOpensWhenReleased)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    LockHolder other(pty.slavePath());
    ASSERT_TRUE(other.isHolding()) << "the other process could not take the lock";

    CountingDelegate delegate;
    const auto port = ORSSerialPort::serialPortWithPath(pty.slavePath());
    port->setDelegate(&delegate);
    port->open();
    EXPECT_FALSE(port->isOpen()) << "the open did not fail at once";
    ASSERT_TRUE(waitForCondition([&] { return !delegate.errors.isEmpty(); }, kWaitMs)) << "the refusal was not reported";
    EXPECT_EQ(delegate.errors.first(), EWOULDBLOCK);
    serveEventsFor(50);
    EXPECT_EQ(delegate.opened, 0);

    other.release();
    port->open();
    ASSERT_TRUE(waitForCondition([&] { return delegate.opened == 1; }, kWaitMs)) << "no open after the other program let go";
    EXPECT_TRUE(port->isOpen());
    port->close();
    ASSERT_TRUE(waitForCondition([&] { return delegate.closed == 1; }, kWaitMs)) << "no closed callback";
}

// The benchmarks force the modem-line poll on a pseudo-terminal to measure its cost; it must then
// run for the whole opening without repeating its error, and end with the port.
TEST(PortFaults, ForcedPinPollRunsWithoutRepeatingItsErrorAndEndsWithThePort)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    CountingDelegate delegate;
    const auto port = ORSSerialPort::serialPortWithPath(pty.slavePath());
    port->setDelegate(&delegate);
    const ProcessResources before = ProcessResources::now();
    ORSSerialPort::setPinPollForced(true);
    port->open();
    ORSSerialPort::setPinPollForced(false);
    ASSERT_TRUE(waitForCondition([&] { return delegate.opened == 1; }, kWaitMs)) << "no opened callback";
    EXPECT_EQ(ProcessResources::now().threads, before.threads + 2) << "reader and pin poll expected";
    serveEventsFor(100);  // ten polls
    EXPECT_EQ(delegate.errors.size(), 1) << "the missing modem lines were reported more than once";
    EXPECT_TRUE(port->isOpen());
    port->close();
    ASSERT_TRUE(waitForCondition([&] { return delegate.closed == 1; }, kWaitMs)) << "no closed callback";
    EXPECT_TRUE(returnsTo(before));
}

} // namespace
