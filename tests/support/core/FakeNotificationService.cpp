#include "support/core/FakeNotificationService.h"

bool FakeNotificationService::registerOn(QDBusConnection bus)
{
    return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots)
        && bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint FakeNotificationService::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                     const QString& summary, const QString& body, const QStringList& actions,
                                     const QVariantMap& hints, int expireTimeout)
{
    notifyCalls.append({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
    return ++m_lastId;
}

void FakeNotificationService::CloseNotification(uint id)
{
    closedIds.append(id);
}
