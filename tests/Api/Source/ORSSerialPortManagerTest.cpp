#include "Api/Source/ORSSerialPortManager.h"

#include "Api/Source/NodePath.h"
#include "Api/Source/NotificationCenter.h"
#include "support/core/EventLoopWait.h"
#include "support/core/FakeDeviceSource.h"
#include "support/core/PseudoTerminalPair.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

// One line per event, in the order the main thread saw them.
using EventLog = QStringList;

class RecordingDelegate : public ORSSerialPortDelegate {
public:
    explicit RecordingDelegate(EventLog& log)
        : m_log(log)
    {
    }
    void serialPortWasRemovedFromSystem(ORSSerialPort* port) override { m_log.append("removed " + port->name()); }
    void serialPortWasOpened(ORSSerialPort* port) override { m_log.append("opened " + port->name()); }
    void serialPortWasClosed(ORSSerialPort* port) override { m_log.append("closed " + port->name()); }

private:
    EventLog& m_log;
};

// Lets go of the port when told of its removal, as the window's controller does.
class DetachingDelegate : public RecordingDelegate {
public:
    using RecordingDelegate::RecordingDelegate;
    void serialPortWasRemovedFromSystem(ORSSerialPort* port) override
    {
        RecordingDelegate::serialPortWasRemovedFromSystem(port);
        port->close();
        port->setDelegate(nullptr);
    }
};

struct PostedNotification {
    QObject* sender = nullptr;
    ORSSerialPortList ports;
    bool hasKey = false;
};

// Records the manager's list changes and notifications into a log and keeps the notifications.
class ManagerObserver : public QObject {
public:
    ManagerObserver(ORSSerialPortManager& manager, EventLog& log)
    {
        connect(&manager, &ORSSerialPortManager::portInserted, this, [&manager, &log](int index) {
            log.append(QStringLiteral("inserted %1 at %2").arg(manager.availablePorts().at(index)->name()).arg(index));
        });
        connect(&manager, &ORSSerialPortManager::portRemoved, this,
                [&log](int index, const ORSSerialPort::Ptr& port) {
                    log.append(QStringLiteral("list removed %1 at %2").arg(port->name()).arg(index));
                });
        observe(ORSSerialPortsWereConnectedNotification, ORSConnectedSerialPortsKey, connected, log);
        observe(ORSSerialPortsWereDisconnectedNotification, ORSDisconnectedSerialPortsKey, disconnected, log);
    }

    QList<PostedNotification> connected;
    QList<PostedNotification> disconnected;

private:
    void observe(const QString& name, const QString& key, QList<PostedNotification>& into, EventLog& log)
    {
        NotificationCenter::defaultCenter()->addObserver(this, name, nullptr, [&into, &log, name, key](const Notification& n) {
            into.append({n.object, serialPortsFromUserInfo(n.userInfo, key), n.userInfo.contains(key)});
            log.append(name);
        });
    }
};

QStringList names(const ORSSerialPortList& ports)
{
    QStringList result;
    for (const auto& port : ports)
        result.append(port->name());
    return result;
}

// A device whose node is the slave side of a pseudo-terminal, as the device source would report it.
ORSSerialDevice ptyDevice(const PseudoTerminalPair& pty)
{
    const QString path = pty.slavePath();
    return {QStringLiteral("/sys/devices/fake/") + QFileInfo(path).fileName(), path,
            QStringLiteral("pty") + QFileInfo(path).fileName()};
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

std::unique_ptr<FakeDeviceSource> fakeSource(QList<ORSSerialDevice> devices = {}, FakeDeviceSource** keep = nullptr)
{
    auto source = std::make_unique<FakeDeviceSource>(std::move(devices));
    if (keep)
        *keep = source.get();
    return source;
}

} // namespace

TEST(ORSSerialPortManager, WithoutDevicesTheListIsEmptyUntilOneIsPluggedIn)
{
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager manager(fakeSource({}, &source));
    EventLog log;
    ManagerObserver observer(manager, log);
    EXPECT_EQ(source->startCount(), 1);
    EXPECT_TRUE(manager.availablePorts().isEmpty());
    serveEventsFor(20);
    EXPECT_TRUE(manager.availablePorts().isEmpty());
    EXPECT_TRUE(log.isEmpty());

    source->plug({FakeDeviceSource::usbDevice("ttyUSB7")});
    EXPECT_EQ(names(manager.availablePorts()), QStringList{"ttyUSB7"});
}

TEST(ORSSerialPortManager, ArrivalsAreAppendedInBatchOrderThenNotified)
{
    const auto first = FakeDeviceSource::usbDevice("ttyUSB0");
    const auto second = FakeDeviceSource::usbDevice("ttyACM0");
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager manager(fakeSource({first, second}, &source));
    EventLog log;
    ManagerObserver observer(manager, log);
    ASSERT_EQ(names(manager.availablePorts()), (QStringList{"ttyUSB0", "ttyACM0"}));
    EXPECT_EQ(manager.availablePorts().first()->path(), QStringLiteral("/dev/ttyUSB0"));

    source->plug({FakeDeviceSource::usbDevice("ttyUSB1")});
    EXPECT_EQ(log, (EventLog{"inserted ttyUSB1 at 2", ORSSerialPortsWereConnectedNotification}));
    ASSERT_EQ(observer.connected.size(), 1);
    EXPECT_EQ(observer.connected[0].sender, &manager);
    ASSERT_EQ(observer.connected[0].ports.size(), 1);
    EXPECT_EQ(observer.connected[0].ports[0], manager.availablePorts().last()) << "not the listed port object";

    log.clear();
    source->plug({FakeDeviceSource::usbDevice("ttyUSB2"), FakeDeviceSource::usbDevice("ttyUSB3")});
    EXPECT_EQ(log, (EventLog{"inserted ttyUSB2 at 3", "inserted ttyUSB3 at 4", ORSSerialPortsWereConnectedNotification}));
    EXPECT_EQ(names(observer.connected.last().ports), (QStringList{"ttyUSB2", "ttyUSB3"}));
}

TEST(ORSSerialPortManager, RepublishedDeviceAddsNothingButStillNotifies)
{
    const auto adapter = FakeDeviceSource::usbDevice("ttyUSB0");
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager manager(fakeSource({adapter}, &source));
    EventLog log;
    ManagerObserver observer(manager, log);
    const ORSSerialPort::Ptr listed = manager.availablePorts().first();

    // Twice in one batch and once again later: the device stays listed once, as the same object.
    source->plug({adapter, adapter});
    EXPECT_EQ(manager.availablePorts(), ORSSerialPortList{listed});
    ASSERT_EQ(observer.connected.size(), 1);
    EXPECT_TRUE(observer.connected[0].hasKey);
    EXPECT_TRUE(observer.connected[0].ports.isEmpty());

    const auto fresh = FakeDeviceSource::usbDevice("ttyUSB9");
    source->plug({fresh, fresh});
    EXPECT_EQ(names(manager.availablePorts()), (QStringList{"ttyUSB0", "ttyUSB9"}));
    EXPECT_EQ(names(observer.connected.last().ports), QStringList{"ttyUSB9"});
}

TEST(ORSSerialPortManager, RemovalOfAnOpenPortTellsThePortBeforeTheListAndTheObservers)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    const ORSSerialDevice device = ptyDevice(pty);
    const auto other = FakeDeviceSource::usbDevice("ttyUSB0");
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager manager(fakeSource({other, device}, &source));
    EventLog log;
    ManagerObserver observer(manager, log);
    RecordingDelegate delegate(log);
    const ORSSerialPort::Ptr port = manager.availablePorts().last();
    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(waitForCondition([&] { return log.contains("opened " + device.name); })) << "the port did not open";
    ASSERT_TRUE(port->isOpen());
    log.clear();

    source->unplug({device});
    // The closed callback may come at any point after the removal callback (the close completes in
    // the background); the other three come in this order.
    EventLog withoutClose = log;
    withoutClose.removeAll("closed " + device.name);
    EXPECT_EQ(withoutClose, (EventLog{"removed " + device.name, "list removed " + device.name + " at 1",
                                      ORSSerialPortsWereDisconnectedNotification}));
    EXPECT_EQ(names(manager.availablePorts()), QStringList{"ttyUSB0"});
    ASSERT_EQ(observer.disconnected.size(), 1);
    EXPECT_EQ(observer.disconnected[0].ports, ORSSerialPortList{port}) << "the notification must name the live port";

    // The close requested by the removal completes in the background.
    EXPECT_TRUE(waitForCondition([&] { return !port->isOpen() && log.contains("closed " + device.name); }))
        << "the removed port did not close: " << log.join(", ").toStdString();
    EXPECT_EQ(log.count("removed " + device.name), 1);
    EXPECT_GT(log.indexOf("closed " + device.name), log.indexOf("removed " + device.name));
}

TEST(ORSSerialPortManager, UnpluggingAnOpenPortTellsADetachingDelegateOnceThoughThePortSeesItToo)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    const ORSSerialDevice device = ptyDevice(pty);
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager manager(fakeSource({device}, &source));
    EventLog log;
    ManagerObserver observer(manager, log);
    DetachingDelegate delegate(log);
    const ORSSerialPort::Ptr port = manager.availablePorts().first();
    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(waitForCondition([&] { return log.contains("opened " + device.name); })) << "the port did not open";

    // The device vanishes under the open port and the system then reports its removal.
    pty.closeMaster();
    source->unplug({device});
    ASSERT_TRUE(waitForCondition([&] { return !port->isOpen(); })) << "the removed port did not close";
    serveEventsFor(50);
    EXPECT_EQ(log.count("removed " + device.name), 1) << log.join(", ").toStdString();
    EXPECT_LT(log.indexOf("removed " + device.name), log.indexOf("list removed " + device.name + " at 0"));
    EXPECT_TRUE(manager.availablePorts().isEmpty());
    EXPECT_EQ(observer.disconnected.size(), 1);
}

TEST(ORSSerialPortManager, RemovalOfAClosedPortRemovesItAndNotifies)
{
    const auto first = FakeDeviceSource::usbDevice("ttyUSB0");
    const auto second = FakeDeviceSource::usbDevice("ttyUSB1");
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager manager(fakeSource({first, second}, &source));
    EventLog log;
    ManagerObserver observer(manager, log);
    RecordingDelegate delegate(log);
    manager.availablePorts().first()->setDelegate(&delegate);

    source->unplug({first});
    EXPECT_EQ(log, (EventLog{"removed ttyUSB0", "list removed ttyUSB0 at 0", ORSSerialPortsWereDisconnectedNotification}));
    EXPECT_EQ(names(manager.availablePorts()), QStringList{"ttyUSB1"});
    ASSERT_EQ(observer.disconnected.size(), 1);
    EXPECT_EQ(names(observer.disconnected[0].ports), QStringList{"ttyUSB0"});
    serveEventsFor(20);
    EXPECT_FALSE(log.contains("closed ttyUSB0")) << "a closed port was closed again";
}

TEST(ORSSerialPortManager, ExitHookClosesEveryPortAndEmptiesTheListWithNoThreadLeft)
{
    const int threadsBefore = threadCount();
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    const ORSSerialDevice device = ptyDevice(pty);
    FakeDeviceSource* source = nullptr;
    auto manager = std::make_unique<ORSSerialPortManager>(fakeSource({FakeDeviceSource::usbDevice("ttyUSB0"), device}, &source));
    EventLog log;
    RecordingDelegate delegate(log);
    ORSSerialPort::Ptr open = manager->availablePorts().last();
    open->setDelegate(&delegate);
    open->open();
    ASSERT_TRUE(waitForCondition([&] { return log.contains("opened " + device.name); })) << "the port did not open";
    ManagerObserver observer(*manager, log);
    log.clear();

    manager->runExitHook();
    EXPECT_TRUE(manager->availablePorts().isEmpty());
    EXPECT_FALSE(open->isOpen()) << "the exit hook returned before the port was closed";
    EXPECT_TRUE(log.contains("removed " + device.name));
    EXPECT_TRUE(log.contains("list removed " + device.name + " at 1"));
    EXPECT_TRUE(log.contains("list removed ttyUSB0 at 0"));
    EXPECT_TRUE(observer.disconnected.isEmpty()) << "exit is not a removal to announce";

    open.reset();
    manager.reset();
    EXPECT_TRUE(waitForCondition([&] { return threadCount() <= threadsBefore; }))
        << threadCount() << " threads are running, " << threadsBefore << " before the port opened";
}

TEST(ORSSerialPortManager, ExtraPortsAreListedAfterTheEnumeratedOnes)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    const auto adapter = FakeDeviceSource::usbDevice("ttyUSB0");
    const QString missing = QStringLiteral("/dev/servodesk-no-such-node");
    testing::internal::CaptureStderr();
    ORSSerialPortManager manager(fakeSource({adapter}),
                                 {pty.slavePath(), missing, adapter.path, pty.slavePath()});
    const std::string errors = testing::internal::GetCapturedStderr();

    const ORSSerialPortList ports = manager.availablePorts();
    ASSERT_EQ(ports.size(), 2) << names(ports).join(", ").toStdString();
    EXPECT_EQ(ports[0]->path(), adapter.path);
    EXPECT_EQ(ports[1]->path(), pty.slavePath());
    EXPECT_EQ(ports[1]->name(), "pts/" + QFileInfo(pty.slavePath()).fileName());
    EXPECT_NE(errors.find(missing.toStdString()), std::string::npos) << "missing node not reported: " << errors;
}

// Entries under /dev are named by their path below it, anything else by its base name.
TEST(ORSSerialPortManager, ExtraPortNamesFollowWhereTheNodeIs)
{
    const QList<QPair<QString, QString>> cases = {
        {"/dev/pts/2", "pts/2"},
        {"/dev/ttyUSB0", "ttyUSB0"},
        {"/dev/serial/by-id/usb-Acme-if00", "serial/by-id/usb-Acme-if00"},
        {"/tmp/ttyV0", "ttyV0"},
        {"/dev/../tmp/ttyV1", "ttyV1"},
        {"relative/ttyV2", "ttyV2"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(ORSSerialDevice::fromPath(path).name, name) << qPrintable(path);
}

// A node named on the command line (here a link to a pseudo-terminal, as socat makes, with a name
// that is not UTF-8) opens, leaves the list with the removal handling when it disappears, and comes
// back when it appears again.
TEST(ORSSerialPortManager, ExtraPortsFollowTheirNode)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray linkBytes = QFile::encodeName(dir.path()) + "/tty\xe9V0";
    const QString link = NodePath::fromBytes(linkBytes);
    const QString name = QFileInfo(link).fileName();
    auto makeLink = [&] { return ::symlink(QFile::encodeName(pty.slavePath()).constData(), linkBytes.constData()) == 0; };
    ASSERT_TRUE(makeLink());

    EventLog log;
    ORSSerialPortManager manager(fakeSource(), {link});
    ManagerObserver observer(manager, log);
    ASSERT_EQ(names(manager.availablePorts()), QStringList{name});
    const ORSSerialPort::Ptr port = manager.availablePorts().first();
    RecordingDelegate delegate(log);
    port->setDelegate(&delegate);
    port->open();
    ASSERT_TRUE(port->isOpen()) << "a path that is not UTF-8 did not open";
    port->close();
    ASSERT_TRUE(waitForCondition([&] { return !port->isOpen() && log.size() == 2; })) << "the port did not close";
    log.clear();

    ASSERT_EQ(::unlink(linkBytes.constData()), 0);
    ASSERT_TRUE(waitForCondition([&] { return manager.availablePorts().isEmpty(); })) << "the entry stayed";
    EXPECT_EQ(log, (EventLog{"removed " + name, "list removed " + name + " at 0",
                             ORSSerialPortsWereDisconnectedNotification}));
    ASSERT_EQ(observer.disconnected.size(), 1);
    EXPECT_EQ(observer.disconnected.first().ports, ORSSerialPortList{port});

    log.clear();
    ASSERT_TRUE(makeLink());
    ASSERT_TRUE(waitForCondition([&] { return manager.availablePorts().size() == 1; })) << "not listed again";
    EXPECT_EQ(log, (EventLog{"inserted " + name + " at 0", ORSSerialPortsWereConnectedNotification}));
    EXPECT_EQ(manager.availablePorts().first()->path(), link);
    port->setDelegate(nullptr);
}
