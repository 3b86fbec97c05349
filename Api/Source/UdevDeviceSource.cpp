#include "Api/Source/UdevDeviceSource.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <libudev.h>

namespace {

QString text(const char* value)
{
    return value ? QString::fromUtf8(value).trimmed() : QString();
}

QString udevProperty(udev_device* device, const char* key)
{
    return text(udev_device_get_property_value(device, key));
}

QString attribute(udev_device* device, const char* name)
{
    return device ? text(udev_device_get_sysattr_value(device, name)) : QString();
}

QString firstOf(const QString& preferred, const QString& fallback)
{
    return preferred.isEmpty() ? fallback : preferred;
}

} // namespace

UdevDeviceSource::UdevDeviceSource(QObject* parent)
    : DeviceSource(parent)
    , m_udev(udev_new())
{
}

UdevDeviceSource::~UdevDeviceSource()
{
    delete m_notifier;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

std::optional<ORSSerialDevice> UdevDeviceSource::serialDevice(udev_device* device)
{
    const char* node = udev_device_get_devnode(device);
    if (!node)
        return std::nullopt;
    // Serial adapters and on-board UARTs hang below a device bound to a driver; virtual terminals
    // and the like have no such parent.
    udev_device* parent = udev_device_get_parent(device);
    if (!parent || !udev_device_get_driver(parent))
        return std::nullopt;
    // Newer kernels give every unused serial-core slot (the ttyS placeholders) a parent bound to a
    // driver as well; such a slot has no UART behind it, which its type 0 says.
    if (attribute(device, "type") == QLatin1String("0"))
        return std::nullopt;
    const QString path = QString::fromUtf8(node);
    return ORSSerialDevice{QString::fromUtf8(udev_device_get_syspath(device)), path, QFileInfo(path).fileName()};
}

QList<ORSSerialDevice> UdevDeviceSource::start()
{
    if (!m_udev)
        return {};
    // The monitor starts first so that no device appearing during the enumeration is missed.
    startMonitor();

    QList<ORSSerialDevice> devices;
    udev_enumerate* enumerate = udev_enumerate_new(m_udev);
    if (!enumerate)
        return devices;
    udev_enumerate_add_match_subsystem(enumerate, "tty");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate))
    {
        udev_device* device = udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
        if (!device)
            continue;
        if (auto serial = serialDevice(device)) {
            devices.append(*serial);
            m_known.insert(serial->identity, *serial);
        }
        udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
    return devices;
}

void UdevDeviceSource::startMonitor()
{
    if (m_monitor)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) < 0
        || udev_monitor_enable_receiving(m_monitor) < 0 || udev_monitor_get_fd(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        return;
    }
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevDeviceSource::readMonitorEvents);
}

void UdevDeviceSource::readMonitorEvents()
{
    // Every event waiting now is read; consecutive arrivals and consecutive removals form one batch
    // each, so that the order of events is kept.
    QList<ORSSerialDevice> batch;
    bool batchIsArrival = true;
    auto flush = [&] {
        if (batch.isEmpty())
            return;
        if (batchIsArrival)
            emit devicesAdded(batch);
        else
            emit devicesRemoved(batch);
        batch.clear();
    };
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const QByteArray action = udev_device_get_action(device);
        std::optional<ORSSerialDevice> found;
        bool arrival = true;
        if (action == "add") {
            found = serialDevice(device);
            if (found)
                m_known.insert(found->identity, *found);
        } else if (action == "remove") {
            arrival = false;
            const QString identity = QString::fromUtf8(udev_device_get_syspath(device));
            if (m_known.contains(identity))
                found = m_known.take(identity);
        }
        udev_device_unref(device);
        if (!found)
            continue;
        if (arrival != batchIsArrival)
            flush();
        batchIsArrival = arrival;
        batch.append(*found);
    }
    flush();
}

DeviceDetails UdevDeviceSource::details(const ORSSerialDevice& device) const
{
    if (!m_udev)
        return {};
    udev_device* entry = udev_device_new_from_syspath(m_udev, device.identity.toUtf8().constData());
    if (!entry)
        return {};
    // The udev database names the maker best; without a running udev daemon only the USB device's
    // own descriptors are there.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(entry, "usb", "usb_device");
    DeviceDetails details;
    details.vendor = firstOf(udevProperty(entry, "ID_VENDOR_FROM_DATABASE"),
                             firstOf(attribute(usb, "manufacturer"), udevProperty(entry, "ID_VENDOR")));
    details.model = firstOf(udevProperty(entry, "ID_MODEL_FROM_DATABASE"),
                            firstOf(attribute(usb, "product"), udevProperty(entry, "ID_MODEL")));
    details.serialNumber = firstOf(udevProperty(entry, "ID_SERIAL_SHORT"), attribute(usb, "serial"));
    // The driver of the nearest parent that has one (the adapter's own driver, not the tty layer).
    for (udev_device* parent = udev_device_get_parent(entry); parent && details.driver.isEmpty();
         parent = udev_device_get_parent(parent))
        details.driver = QString::fromUtf8(udev_device_get_driver(parent));
    udev_device_unref(entry);
    return details;
}
