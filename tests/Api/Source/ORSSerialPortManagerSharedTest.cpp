// The process-wide manager: made once with the chosen device source, its exit hook run once when
// the application quits. One test per process, since the shared manager lives until the process ends.
#include "Api/Source/ORSSerialPortManager.h"

#include "support/core/FakeDeviceSource.h"
#include "support/core/PseudoTerminalPair.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

namespace {

class RemovalLog : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort* port) override { removed.append(port->name()); }
    QStringList removed;
};

void runApplicationUntilQuit()
{
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

} // namespace

TEST(ORSSerialPortManagerShared, IsMadeOnceFromTheChosenSourceAndReleasesItsPortsOnceAtQuit)
{
    PseudoTerminalPair pty;
    ASSERT_TRUE(pty.isValid());
    int sourcesMade = 0;
    FakeDeviceSource* source = nullptr;
    ORSSerialPortManager::setDeviceSourceFactory([&] {
        ++sourcesMade;
        auto made = std::make_unique<FakeDeviceSource>(QList{FakeDeviceSource::usbDevice("ttyUSB0")});
        source = made.get();
        return made;
    });
    ORSSerialPortManager::setExtraPortPaths({pty.slavePath()});

    ORSSerialPortManager* manager = ORSSerialPortManager::sharedSerialPortManager();
    EXPECT_EQ(ORSSerialPortManager::sharedSerialPortManager(), manager);
    EXPECT_EQ(sourcesMade, 1);
    const ORSSerialPortList ports = manager->availablePorts();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_EQ(ports[0]->name(), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(ports[1]->path(), pty.slavePath());

    RemovalLog delegate;
    for (const auto& port : ports)
        port->setDelegate(&delegate);
    runApplicationUntilQuit();
    EXPECT_TRUE(manager->availablePorts().isEmpty());
    EXPECT_EQ(delegate.removed, (QStringList{"ttyUSB0", ports[1]->name()}));

    // The hook runs once: a port that arrives afterwards stays listed through a second quit.
    source->plug({FakeDeviceSource::usbDevice("ttyUSB1")});
    runApplicationUntilQuit();
    ASSERT_EQ(manager->availablePorts().size(), 1);
    EXPECT_EQ(delegate.removed.size(), 2);
    for (const auto& port : ports)
        port->setDelegate(nullptr);
}
