// Where the port manager learns of serial devices: the devices present at start, then arrivals and
// removals in batches, delivered on the thread that started the source (the main thread).
#pragma once

#include "Api/Source/ORSSerialDevice.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What the system knows of a device's maker; each field is empty where it knows nothing.
struct DeviceDetails {
    QString vendor;
    QString model;
    QString serialNumber;
    QString driver{};  // the kernel driver of the adapter
};

class DeviceSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts following arrivals and removals and returns the devices present now, in a stable order.
    virtual QList<ORSSerialDevice> start() = 0;
    virtual DeviceDetails details(const ORSSerialDevice& device) const
    {
        Q_UNUSED(device);
        return {};
    }

signals:
    void devicesAdded(const QList<ORSSerialDevice>& devices);
    void devicesRemoved(const QList<ORSSerialDevice>& devices);
};

using DeviceSourceFactory = std::function<std::unique_ptr<DeviceSource>()>;
