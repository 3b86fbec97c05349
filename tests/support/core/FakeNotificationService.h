// A desktop notification service for tests: answers Notify with increasing ids and records every
// Notify and CloseNotification call it receives.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct NotifyCall {
        QString applicationName;
        uint replacesId = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
    };

    // Serves org.freedesktop.Notifications on bus; false when the name or object cannot be taken.
    bool registerOn(QDBusConnection bus);

    QList<NotifyCall> notifyCalls;
    QList<uint> closedIds;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout);
    void CloseNotification(uint id);

private:
    uint m_lastId = 0;
};
