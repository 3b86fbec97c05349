// The serial devices of this machine as udev sees them: the "tty" subsystem, limited to nodes backed
// by real hardware, followed through a udev monitor watched on the main thread.
#pragma once

#include "Api/Source/DeviceSource.h"

#include <QHash>

#include <optional>

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

class UdevDeviceSource : public DeviceSource {
    Q_OBJECT
public:
    explicit UdevDeviceSource(QObject* parent = nullptr);
    ~UdevDeviceSource() override;

    QList<ORSSerialDevice> start() override;
    DeviceDetails details(const ORSSerialDevice& device) const override;
    // True when arrivals and removals are followed (a udev monitor could be set up).
    bool isMonitoring() const { return m_notifier != nullptr; }

private:
    void startMonitor();
    void readMonitorEvents();
    // The device of a udev entry when it is a serial port worth listing.
    static std::optional<ORSSerialDevice> serialDevice(udev_device* device);

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    // Devices reported so far, by identity: removals are reported only for these.
    QHash<QString, ORSSerialDevice> m_known;
};
