// A device source driven by the test: the devices present at start, then plug and unplug batches.
#pragma once

#include "Api/Source/DeviceSource.h"

#include <QHash>

class FakeDeviceSource : public DeviceSource {
    Q_OBJECT
public:
    explicit FakeDeviceSource(QList<ORSSerialDevice> initialDevices = {}, QObject* parent = nullptr)
        : DeviceSource(parent)
        , m_initialDevices(std::move(initialDevices))
    {
    }

    QList<ORSSerialDevice> start() override
    {
        ++m_startCount;
        return m_initialDevices;
    }
    DeviceDetails details(const ORSSerialDevice& device) const override { return m_details.value(device.identity); }

    void setDetails(const QString& identity, const DeviceDetails& details) { m_details.insert(identity, details); }
    void plug(const QList<ORSSerialDevice>& devices) { emit devicesAdded(devices); }
    void unplug(const QList<ORSSerialDevice>& devices) { emit devicesRemoved(devices); }
    int startCount() const { return m_startCount; }

    // A device as a USB adapter would appear: sys path identity, node /dev/NAME.
    static ORSSerialDevice usbDevice(const QString& name)
    {
        return {QStringLiteral("/sys/devices/usb1/1-1/1-1:1.0/") + name + QStringLiteral("/tty/") + name,
                QStringLiteral("/dev/") + name, name};
    }

private:
    QList<ORSSerialDevice> m_initialDevices;
    QHash<QString, DeviceDetails> m_details;
    int m_startCount = 0;
};
