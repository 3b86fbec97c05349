// Connection handling: the port list following the manager, choosing, opening and closing the port,
// failures, plugging and unplugging adapters with their desktop notifications, and the LED look.
#include "Api/Source/DesktopNotifier.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVButton.h"
#include "Tools/SVImageView.h"
#include "support/core/EventLoopWait.h"
#include "support/core/FakeNotificationService.h"
#include "support/core/FakeSysfs.h"
#include "support/core/MessageCapture.h"
#include "support/core/PrivateSessionBus.h"
#include "support/ui/ControllerHarness.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

QImage pictureOf(const QIcon& icon)
{
    return icon.pixmap(QSize(32, 32)).toImage();
}

QImage namedPicture(const QString& name)
{
    return pictureOf(QIcon(QStringLiteral(":/images/%1.svg").arg(name)));
}

QStringList entriesOf(QComboBox* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries.append(list->itemText(i));
    return entries;
}

QString text(const char* key)
{
    return ControllerHarness::localized(QString::fromLatin1(key));
}

}  // namespace

TEST(Connection, StartsWithoutAdaptersAndListsOneWhenItIsPluggedIn)
{
    ControllerHarness harness(false);
    SVSettingViewController& vc = harness.controller();
    EXPECT_EQ(vc.boxCOM()->count(), 0);
    EXPECT_FALSE(vc.buttonWireless()->isEnabled());

    MessageCapture log;
    harness.deviceSource().plug({harness.servoDevice()});
    EXPECT_EQ(entriesOf(vc.boxCOM()), QStringList{ControllerHarness::servoPortName});
    EXPECT_FALSE(vc.buttonWireless()->isEnabled()) << "plugging in chose the port";
    ASSERT_EQ(harness.notifier().deliveries.size(), 1);
    EXPECT_EQ(harness.notifier().deliveries[0].title, text("Serial Port Connected"));
    EXPECT_EQ(harness.notifier().deliveries[0].body, "Serial port ttyVS0 was connected to this computer.");
    EXPECT_TRUE(log.waitForMessageStartingWith("Ports were connected: (ttyVS0)"));
}

TEST(Connection, ChoosingOpeningAndClosingThePort)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    EXPECT_EQ(vc.boxCOM()->currentIndex(), -1);
    EXPECT_FALSE(vc.buttonWireless()->isEnabled());
    ASSERT_EQ(vc.boxBps()->count(), 1);
    EXPECT_EQ(vc.boxBps()->itemText(0), "115200");

    ASSERT_TRUE(harness.choosePort());
    ASSERT_NE(vc.serialPort(), nullptr);
    EXPECT_EQ(vc.serialPort()->name(), ControllerHarness::servoPortName);
    EXPECT_EQ(vc.serialPort()->baudRate(), 115200);
    EXPECT_EQ(vc.serialApi().serialPort(), vc.serialPort()) << "the encoder writes elsewhere";
    EXPECT_TRUE(vc.buttonWireless()->isEnabled());
    EXPECT_EQ(vc.buttonWireless()->title(), text("open_com"));
    EXPECT_FALSE(vc.serialPort()->isOpen()) << "choosing a port opened it";

    ASSERT_TRUE(harness.openPort());
    EXPECT_EQ(pictureOf(vc.imageWirelessState()->image()), namedPicture("connect"));
    EXPECT_FALSE(vc.boxCOM()->isEnabled());
    EXPECT_TRUE(vc.boxBps()->isEnabled());
    ASSERT_TRUE(harness.waitForFrames(32, 1)) << "opening did not start the poll at once";
    EXPECT_TRUE(waitForCondition([&] { return vc.textCurrentTemperature()->text() == "30℃"; }));

    ASSERT_TRUE(harness.closePort());
    EXPECT_EQ(pictureOf(vc.imageWirelessState()->image()), namedPicture("disconnect"));
    EXPECT_TRUE(vc.boxCOM()->isEnabled());
    EXPECT_TRUE(vc.boxBps()->isEnabled());
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃");
    EXPECT_EQ(vc.textCurrentVoltage()->text(), "0.0V");
    EXPECT_EQ(vc.serialPort()->name(), ControllerHarness::servoPortName) << "closing let go of the port";
}

// Reading the panel's controls leaves the open/close button as it is: it changes with the port's
// callback, not when the port's state is looked at.
TEST(Connection, ReadingThePanelWaitsForThePortsCallback)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    ASSERT_EQ(vc.buttonWireless()->title(), text("close_com"));

    vc.serialPort()->close();
    // The port closes on its own thread; its callback waits for this thread's event loop.
    QDeadlineTimer deadline(5000);
    while (vc.serialPort()->isOpen() && !deadline.hasExpired())
        QThread::msleep(1);
    ASSERT_FALSE(vc.serialPort()->isOpen()) << "the port did not close";
    vc.viewNotline();
    vc.labelBps();
    EXPECT_EQ(vc.buttonWireless()->title(), text("close_com")) << "a getter re-set the button";

    EXPECT_TRUE(waitForCondition([&] { return vc.buttonWireless()->title() == text("open_com"); }))
        << "the closed callback did not re-set the button";
}

TEST(Connection, AFailedOpenIsLoggedAndToldAndLeavesThePanel)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    // Another program holds the device.
    const int holder = ::open(harness.servo().slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

    ASSERT_TRUE(harness.choosePort());
    MessageCapture log;
    harness.press(SVSettingViewController::TagButtonWireless);
    EXPECT_TRUE(log.waitForMessageStartingWith("Serial port ttyVS0 encountered an error: "));
    serveEventsFor(100);
    EXPECT_FALSE(vc.serialPort()->isOpen());
    EXPECT_EQ(vc.buttonWireless()->title(), text("open_com"));
    EXPECT_TRUE(vc.buttonWireless()->isEnabled());
    EXPECT_TRUE(vc.boxCOM()->isEnabled());
    EXPECT_EQ(harness.tips().messages, QStringList{text("open_port_busy")});
    ::close(holder);
}

// An adapter that holds replies back is told of once, when its port opens, with the command that
// names its own timer file; a timer of 1 ms is not worth a word.
TEST(Connection, ASlowAdapterIsToldOfOnceWhenItsPortOpens)
{
    FakeSysfs sysfs;
    ControllerHarness harness;
    const QString node = QFileInfo(harness.servo().slavePath()).fileName();  // /dev/pts/N: N
    ASSERT_TRUE(harness.choosePort());
    for (const char* timer : {"1\n", "16\n", "16\n"}) {
        sysfs.setTimer(node, timer);
        ASSERT_TRUE(harness.openPort());
        ASSERT_TRUE(harness.closePort());
    }
    ASSERT_EQ(harness.tips().messages.size(), 1) << qPrintable(harness.tips().messages.join("\n--\n"));
    const QString message = harness.tips().messages.first();
    for (const QString& part : {QStringLiteral("ttyVS0"), QStringLiteral("16 ms"),
                                "\necho 1 | sudo tee " + sysfs.timerFile(node) + "\n",
                                QStringLiteral("/etc/udev/rules.d/99-servodesk-latency.rules:\nACTION==\"add\"")})
        EXPECT_TRUE(message.contains(part)) << qPrintable(part) << " not in:\n" << qPrintable(message);
    EXPECT_FALSE(message.contains("$@")) << qPrintable(message);
}

TEST(Connection, UnpluggingTheOpenAdapterClearsTheChoice)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    ASSERT_TRUE(waitForCondition([&] { return vc.textCurrentTemperature()->text() == "30℃"; }));

    harness.servo().vanish();
    harness.deviceSource().unplug({harness.servoDevice()});
    ASSERT_TRUE(waitForCondition([&] { return vc.serialPort() == nullptr; })) << "the removed port is still chosen";
    EXPECT_EQ(vc.serialApi().serialPort(), nullptr);
    EXPECT_EQ(vc.buttonWireless()->title(), text("open_com"));
    EXPECT_FALSE(vc.buttonWireless()->isEnabled());
    EXPECT_EQ(pictureOf(vc.imageWirelessState()->image()), namedPicture("disconnect"));
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃");
    EXPECT_EQ(vc.boxCOM()->count(), 0);
    EXPECT_TRUE(vc.boxCOM()->isEnabled()) << "no other port can be chosen";
    ASSERT_FALSE(harness.notifier().deliveries.isEmpty());
    EXPECT_EQ(harness.notifier().deliveries.last().title, text("Serial Port Disconnected"));
    EXPECT_EQ(harness.notifier().deliveries.last().body, "Serial port ttyVS0 was disconnected from this computer.");
    EXPECT_TRUE(waitForCondition([&] { return vc.statePoll() && !vc.statePoll()->isRunning(); }))
        << "the poll outlived the removed port";
}

TEST(Connection, AVanishedDeviceIsLetGoOfBeforeTheSystemReportsIt)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    harness.servo().vanish();
    ASSERT_TRUE(waitForCondition([&] { return vc.serialPort() == nullptr; })) << "the hang-up went unnoticed";
    EXPECT_FALSE(vc.buttonWireless()->isEnabled());
    EXPECT_TRUE(vc.boxCOM()->isEnabled());
    EXPECT_EQ(vc.textCurrentTemperature()->text(), "0℃");
}

TEST(Connection, PluggingASecondAdapterWhileOpenKeepsTheListDisabled)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    harness.deviceSource().plug({FakeDeviceSource::usbDevice(QStringLiteral("ttyUSB7"))});
    EXPECT_EQ(entriesOf(vc.boxCOM()), QStringList({ControllerHarness::servoPortName, QStringLiteral("ttyUSB7")}));
    EXPECT_FALSE(vc.boxCOM()->isEnabled());
    EXPECT_EQ(vc.boxCOM()->currentText(), ControllerHarness::servoPortName);
    EXPECT_TRUE(vc.serialPort()->isOpen());

    // Unplugging the other adapter leaves the chosen, open port alone.
    harness.deviceSource().unplug({FakeDeviceSource::usbDevice(QStringLiteral("ttyUSB7"))});
    EXPECT_EQ(vc.boxCOM()->currentText(), ControllerHarness::servoPortName);
    EXPECT_FALSE(vc.boxCOM()->isEnabled());
    EXPECT_TRUE(vc.buttonWireless()->isEnabled());
    EXPECT_TRUE(vc.serialPort()->isOpen());
}

// Arrivals and removals that come while a tip is open wait until it is dismissed, then are handled
// in the order they came: nothing changes under the tip.
TEST(Connection, DeviceChangesWaitWhileATipIsOpenAndFollowInOrder)
{
    ControllerHarness harness;
    SVSettingViewController& vc = harness.controller();
    const ORSSerialDevice first = FakeDeviceSource::usbDevice(QStringLiteral("ttyUSB7"));
    const ORSSerialDevice second = FakeDeviceSource::usbDevice(QStringLiteral("ttyUSB8"));
    QStringList listedDuringTip;
    qsizetype deliveriesDuringTip = -1;
    harness.tips().whilePresented = [&] {
        harness.deviceSource().plug({first});
        harness.deviceSource().unplug({harness.servoDevice(), first});
        harness.deviceSource().plug({second});
        QCoreApplication::processEvents();
        listedDuringTip = entriesOf(vc.boxCOM());
        deliveriesDuringTip = harness.notifier().deliveries.size();
    };
    harness.press(SVSettingViewController::TagButtonRead);  // port closed: the tip "connect_tips"
    EXPECT_EQ(listedDuringTip, QStringList{ControllerHarness::servoPortName}) << "the list changed under the tip";
    EXPECT_EQ(deliveriesDuringTip, 0);

    ASSERT_TRUE(waitForCondition([&] { return harness.notifier().deliveries.size() == 4; }))
        << "the held changes were not delivered";
    QStringList bodies;
    for (const RecordingNotifier::Delivery& delivery : harness.notifier().deliveries)
        bodies.append(delivery.body);
    EXPECT_EQ(bodies, QStringList({"Serial port ttyUSB7 was connected to this computer.",
                                   "Serial port ttyVS0 was disconnected from this computer.",
                                   "Serial port ttyUSB7 was disconnected from this computer.",
                                   "Serial port ttyUSB8 was connected to this computer."}));
    EXPECT_EQ(entriesOf(vc.boxCOM()), QStringList{QStringLiteral("ttyUSB8")});
}

TEST(Connection, LedSwitchSetsItsCaptionAndLamp)
{
    ControllerHarness harness(false);
    SVSettingViewController& vc = harness.controller();
    EXPECT_EQ(vc.labelLED()->text(), "On");
    EXPECT_EQ(vc.imageLEDState()->backgroundColor(), QColor::fromRgbF(1.0f, 165.0f / 255.0f, 0.0f, 1.0f));
    vc.switchLed()->setChecked(false);
    EXPECT_EQ(vc.labelLED()->text(), "Off");
    EXPECT_EQ(vc.imageLEDState()->backgroundColor(), QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f));
    vc.switchLed()->setChecked(true);
    EXPECT_EQ(vc.labelLED()->text(), "On");
}

TEST(Connection, DesktopNotificationsReachTheSessionBusAndAreClosedAgain)
{
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.isValid()) << "dbus-daemon did not start";
    FakeNotificationService service;
    ASSERT_TRUE(service.registerOn(bus.connect(QStringLiteral("service"))));
    DesktopNotifier notifier(bus.connect(QStringLiteral("application")));
    notifier.setRemovalDelay(50ms);

    ControllerHarness harness(false);
    harness.controller().setUserNotifier(&notifier);
    harness.deviceSource().plug({harness.servoDevice()});
    ASSERT_TRUE(waitForCondition([&] { return service.notifyCalls.size() == 1; })) << "no notification";
    EXPECT_EQ(service.notifyCalls[0].summary, text("Serial Port Connected"));
    EXPECT_EQ(service.notifyCalls[0].body, "Serial port ttyVS0 was connected to this computer.");
    EXPECT_TRUE(waitForCondition([&] { return service.closedIds == QList<uint>{1}; })) << "never closed again";

    harness.deviceSource().unplug({harness.servoDevice()});
    ASSERT_TRUE(waitForCondition([&] { return service.notifyCalls.size() == 2; })) << "no removal notification";
    EXPECT_EQ(service.notifyCalls[1].summary, text("Serial Port Disconnected"));
    EXPECT_TRUE(waitForCondition([&] { return service.closedIds == QList<uint>({1, 2}); }));
}
