#include "Api/Source/DesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage notificationCall(const QString& method)
{
    return QDBusMessage::createMethodCall(service, objectPath, interface, method);
}

QString applicationName()
{
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("ServoDesk") : name;
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : DesktopNotifier(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
}

void DesktopNotifier::deliverNotification(const QString& title, const QString& body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage call = notificationCall(QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("sound-name"), QStringLiteral("message-new-instant")}};
    call << applicationName() << uint(0) << QStringLiteral("servodesk") << title << body << QStringList() << hints
         << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    ++m_pendingCalls;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        --m_pendingCalls;
        // An error means there is no notification service: nothing to show and nothing to report.
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isError())
            return;
        emit notificationDelivered(reply.value());
        removeLater(reply.value());
    });
}

void DesktopNotifier::removeLater(uint id)
{
    QTimer::singleShot(m_removalDelay, this, [this, id] {
        QDBusMessage call = notificationCall(QStringLiteral("CloseNotification"));
        call << id;
        m_bus.send(call);
        emit notificationRemoved(id);
    });
}
