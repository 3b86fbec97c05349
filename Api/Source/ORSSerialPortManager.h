// The process-wide list of serial ports: enumerated on first use, then kept up to date as devices
// appear and disappear, with one notification per batch of arrivals and per batch of removals.
#pragma once

#include "Api/Source/DeviceSource.h"
#include "Api/Source/ORSSerialPort.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>

using ORSSerialPortList = QList<ORSSerialPort::Ptr>;
Q_DECLARE_METATYPE(ORSSerialPortList)

// Posted on the default notification centre with the manager as sender; the userInfo holds the
// ports of the batch (an ORSSerialPortList) under the matching key.
inline const QString ORSSerialPortsWereConnectedNotification = QStringLiteral("ORSSerialPortWasConnectedNotification");
inline const QString ORSSerialPortsWereDisconnectedNotification =
    QStringLiteral("ORSSerialPortWasDisconnectedNotification");
inline const QString ORSConnectedSerialPortsKey = QStringLiteral("ORSConnectedSerialPortsKey");
inline const QString ORSDisconnectedSerialPortsKey = QStringLiteral("ORSDisconnectedSerialPortsKey");

// The ports stored under key in a notification's userInfo; empty when there are none.
ORSSerialPortList serialPortsFromUserInfo(const QVariantMap& userInfo, const QString& key);

class ORSSerialPortManager : public QObject {
    Q_OBJECT
public:
    // The one manager of the process, made on first use with the chosen device source (udev unless
    // setDeviceSourceFactory chose another) and the extra ports; its exit hook runs when the
    // application quits, or at process exit if it never did.
    static ORSSerialPortManager* sharedSerialPortManager();
    // Both only take effect before the first call of sharedSerialPortManager.
    static void setDeviceSourceFactory(DeviceSourceFactory factory);
    static void setExtraPortPaths(const QStringList& paths);

    // A manager of its own (tests): enumerates source, then lists the extra device nodes that exist;
    // both are followed from then on.
    explicit ORSSerialPortManager(std::unique_ptr<DeviceSource> source, const QStringList& extraPortPaths = {},
                                  QObject* parent = nullptr);
    ~ORSSerialPortManager() override;

    ORSSerialPortList availablePorts() const { return m_ports; }
    void setAvailablePorts(const ORSSerialPortList& ports);
    DeviceSource* deviceSource() const { return m_source.get(); }

    // Gives every listed port the removal clean-up and empties the list. When called on the main
    // thread of a running application, it then waits (bounded) for the ports' closing to finish.
    void runExitHook();

signals:
    // The port now at index was inserted.
    void portInserted(int index);
    // port was removed from index.
    void portRemoved(int index, const ORSSerialPort::Ptr& port);

private:
    void devicesWereAdded(const QList<ORSSerialDevice>& devices);
    void devicesWereRemoved(const QList<ORSSerialDevice>& devices);
    void appendPort(const ORSSerialPort::Ptr& port);
    void removePortsWithPath(const QString& path);
    bool listsPortWithPath(const QString& path) const;

    std::unique_ptr<DeviceSource> m_source;
    std::unique_ptr<DeviceSource> m_pathSource;  // the extra device nodes, when there are any
    ORSSerialPortList m_ports;
};
