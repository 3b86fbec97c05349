// A private D-Bus session daemon for one test program: started on construction, stopped on
// destruction, so that tests never touch the user's own session bus.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool isValid() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // A new connection to the daemon under a name unique in the process.
    QDBusConnection connect(const QString& connectionName);

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connectionNames;
};
