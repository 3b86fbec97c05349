// Desktop notifications through org.freedesktop.Notifications on the session bus. Each notification
// is closed again a few seconds after delivery. Calls are asynchronous: the main thread never waits
// for the bus. Without a session bus or a notification service nothing is shown and nothing reported.
#pragma once

#include "Api/Source/UserNotifier.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>

class DesktopNotifier : public QObject, public UserNotifier {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultRemovalDelay{3000};

    // Uses the session bus.
    explicit DesktopNotifier(QObject* parent = nullptr);
    explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    void deliverNotification(const QString& title, const QString& body) override;
    void setRemovalDelay(std::chrono::milliseconds delay) { m_removalDelay = delay; }
    // True while a call to the notification service has not been answered.
    bool hasPendingCalls() const { return m_pendingCalls > 0; }

signals:
    // The service showed the notification under id.
    void notificationDelivered(uint id);
    // The request to close notification id was sent.
    void notificationRemoved(uint id);

private:
    void removeLater(uint id);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_removalDelay = defaultRemovalDelay;
    int m_pendingCalls = 0;
};
