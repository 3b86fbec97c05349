// The desktop notifier against a private session bus, with and without a notification service.
#include "Api/Source/DesktopNotifier.h"

#include "support/core/EventLoopWait.h"
#include "support/core/FakeNotificationService.h"
#include "support/core/MessageCapture.h"
#include "support/core/PrivateSessionBus.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using namespace std::chrono_literals;

// Qt D-Bus runs each connection on a thread of its own and synchronises through the Qt and D-Bus
// libraries, which ThreadSanitizer cannot see into (they are not instrumented), so it reports
// races, and sometimes fails itself, inside them. The notifier runs on the main thread only and has
// no threads of its own to check, so these tests do not run under ThreadSanitizer.
#if defined(__SANITIZE_THREAD__)
#define SKIP_UNDER_THREAD_SANITIZER() GTEST_SKIP() << "Qt D-Bus is not instrumented for ThreadSanitizer"
#else
#define SKIP_UNDER_THREAD_SANITIZER() (void)0
#endif

namespace {

class DesktopNotifierTest : public testing::Test {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        bus = std::make_unique<PrivateSessionBus>();
        ASSERT_TRUE(bus->isValid()) << "dbus-daemon did not start";
    }
    std::unique_ptr<PrivateSessionBus> bus;
};

} // namespace

TEST_F(DesktopNotifierTest, ShowsEachNotificationOnceAndClosesItAfterTheDelay)
{
    FakeNotificationService service;
    ASSERT_TRUE(service.registerOn(bus->connect(QStringLiteral("service"))));
    DesktopNotifier notifier(bus->connect(QStringLiteral("client")));
    notifier.setRemovalDelay(30ms);
    QSignalSpy delivered(&notifier, &DesktopNotifier::notificationDelivered);

    notifier.deliverNotification(QStringLiteral("Serial Port Connected"),
                                 QStringLiteral("Serial Port ttyUSB0 was connected."));
    ASSERT_TRUE(waitForCondition([&] { return !service.closedIds.isEmpty(); })) << "the notification was not closed";
    ASSERT_EQ(service.notifyCalls.size(), 1);
    const FakeNotificationService::NotifyCall& call = service.notifyCalls.first();
    EXPECT_EQ(call.summary, QStringLiteral("Serial Port Connected"));
    EXPECT_EQ(call.body, QStringLiteral("Serial Port ttyUSB0 was connected."));
    EXPECT_FALSE(call.applicationName.isEmpty());
    EXPECT_FALSE(call.icon.isEmpty());
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_FALSE(call.hints.value(QStringLiteral("sound-name")).toString().isEmpty()) << "no sound requested";
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(service.closedIds, QList<uint>{delivered.first().first().toUInt()});

    notifier.deliverNotification(QStringLiteral("Serial Port Disconnected"), QStringLiteral("ttyUSB0 gone"));
    ASSERT_TRUE(waitForCondition([&] { return service.closedIds.size() == 2; }));
    EXPECT_EQ(service.notifyCalls.size(), 2);
    EXPECT_EQ(service.closedIds, (QList<uint>{1, 2}));
}

TEST_F(DesktopNotifierTest, ANotificationStaysUntilItsDelayHasPassed)
{
    FakeNotificationService service;
    ASSERT_TRUE(service.registerOn(bus->connect(QStringLiteral("service"))));
    DesktopNotifier notifier(bus->connect(QStringLiteral("client")));
    notifier.setRemovalDelay(1h);
    notifier.deliverNotification(QStringLiteral("Title"), QStringLiteral("Body"));
    ASSERT_TRUE(waitForCondition([&] { return !notifier.hasPendingCalls(); }));
    serveEventsFor(50);
    EXPECT_EQ(service.notifyCalls.size(), 1);
    EXPECT_TRUE(service.closedIds.isEmpty()) << "closed before its delay";
}

TEST_F(DesktopNotifierTest, WithoutAServiceNothingIsShownAndNothingReported)
{
    MessageCapture messages;
    DesktopNotifier notifier(bus->connect(QStringLiteral("client")));
    notifier.setRemovalDelay(1ms);
    QSignalSpy delivered(&notifier, &DesktopNotifier::notificationDelivered);
    notifier.deliverNotification(QStringLiteral("Serial Port Connected"), QStringLiteral("Body"));
    ASSERT_TRUE(waitForCondition([&] { return !notifier.hasPendingCalls(); })) << "the call was never answered";

    // A service that appears later receives no late or repeated call.
    FakeNotificationService service;
    ASSERT_TRUE(service.registerOn(bus->connect(QStringLiteral("service"))));
    serveEventsFor(50);
    EXPECT_TRUE(service.notifyCalls.isEmpty());
    EXPECT_TRUE(service.closedIds.isEmpty());
    EXPECT_EQ(delivered.size(), 0);
    EXPECT_TRUE(MessageCapture::messages().isEmpty()) << MessageCapture::messages().join("\n").toStdString();
}

TEST(DesktopNotifier, WithoutASessionBusNothingHappens)
{
    SKIP_UNDER_THREAD_SANITIZER();
    MessageCapture messages;
    // The session bus of this process is looked up here for the first time, at an address where no
    // daemon listens.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/servodesk-bus");
    DesktopNotifier sessionNotifier;
    sessionNotifier.deliverNotification(QStringLiteral("Title"), QStringLiteral("Body"));
    EXPECT_FALSE(sessionNotifier.hasPendingCalls());

    const QDBusConnection noBus =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/servodesk-bus"), QStringLiteral("nobus"));
    ASSERT_FALSE(noBus.isConnected());
    DesktopNotifier notifier(noBus);
    notifier.deliverNotification(QStringLiteral("Title"), QStringLiteral("Body"));
    EXPECT_FALSE(notifier.hasPendingCalls());
    serveEventsFor(20);
    EXPECT_TRUE(MessageCapture::messages().isEmpty()) << MessageCapture::messages().join("\n").toStdString();
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}
