#include "VirtualServo/SVDemoServo.h"

#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UdevDeviceSource.h"

namespace {

class DemoDeviceSource : public DeviceSource {
public:
    DemoDeviceSource(ORSSerialDevice demoDevice, std::unique_ptr<DeviceSource> inner)
        : m_demoDevice(std::move(demoDevice))
        , m_inner(std::move(inner))
    {
        connect(m_inner.get(), &DeviceSource::devicesAdded, this, &DeviceSource::devicesAdded);
        connect(m_inner.get(), &DeviceSource::devicesRemoved, this, &DeviceSource::devicesRemoved);
    }

    QList<ORSSerialDevice> start() override
    {
        QList<ORSSerialDevice> devices{m_demoDevice};
        devices.append(m_inner->start());
        return devices;
    }

    DeviceDetails details(const ORSSerialDevice& device) const override
    {
        if (device == m_demoDevice)
            return {QStringLiteral("ServoDesk"), QStringLiteral("virtual servo (demo)"), QString(), QString()};
        return m_inner->details(device);
    }

private:
    ORSSerialDevice m_demoDevice;
    std::unique_ptr<DeviceSource> m_inner;
};

}  // namespace

SVDemoServo::SVDemoServo(const QList<int>& servoIds)
    : m_servo(std::make_unique<VirtualServo>(VirtualServo::robotServosWithIds(servoIds)))
{
    m_servo->setDrift(true);
}

SVDemoServo::~SVDemoServo() = default;

ORSSerialDevice SVDemoServo::device() const
{
    const QString path = m_servo->slavePath();
    return {QStringLiteral("demo:") + path, path, portName};
}

std::unique_ptr<DeviceSource> SVDemoServo::deviceSourceWrapping(std::unique_ptr<DeviceSource> inner) const
{
    return std::make_unique<DemoDeviceSource>(device(), std::move(inner));
}

void SVDemoServo::installInSharedPortManager() const
{
    ORSSerialPortManager::setDeviceSourceFactory([demoDevice = device()] {
        return std::make_unique<DemoDeviceSource>(demoDevice, std::make_unique<UdevDeviceSource>());
    });
}
