#include "VirtualServo/SVDemoServo.h"

#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UdevDeviceSource.h"

namespace {

class DemoDeviceSource : public DeviceSource {
public:
    DemoDeviceSource(QList<ORSSerialDevice> demoDevices, std::unique_ptr<DeviceSource> inner)
        : m_demoDevices(std::move(demoDevices))
        , m_inner(std::move(inner))
    {
        connect(m_inner.get(), &DeviceSource::devicesAdded, this, &DeviceSource::devicesAdded);
        connect(m_inner.get(), &DeviceSource::devicesRemoved, this, &DeviceSource::devicesRemoved);
    }

    QList<ORSSerialDevice> start() override
    {
        QList<ORSSerialDevice> devices = m_demoDevices;
        devices.append(m_inner->start());
        return devices;
    }

    DeviceDetails details(const ORSSerialDevice& device) const override
    {
        if (m_demoDevices.contains(device))
            return {QStringLiteral("ServoDesk"), QStringLiteral("virtual servo (demo)"), QString(), QString()};
        return m_inner->details(device);
    }

private:
    QList<ORSSerialDevice> m_demoDevices;
    std::unique_ptr<DeviceSource> m_inner;
};

}  // namespace

QList<int> SVDemoServo::busServoIds(int count)
{
    if (count <= 0)
        return windowServoIds;
    QList<int> ids;
    for (int id = 1; id <= count; ++id)
        ids.append(id);
    return ids;
}

SVDemoServo::SVDemoServo(const QList<int>& servoIds, const QString& name)
    : m_servo(std::make_unique<VirtualServo>(VirtualServo::robotServosWithIds(servoIds)))
    , m_name(name)
{
    m_servo->setDrift(true);
}

SVDemoServo::~SVDemoServo() = default;

bool SVDemoServo::addFault(const QString& name)
{
    if (name == QLatin1String("shared-id"))
        m_servo->addServoSharingId(m_servo->settings(m_servo->servoCount() > 1 ? 1 : 0).id);
    else if (name == QLatin1String("lossy"))
        m_servo->setDropEveryNthReply(lossEvery);
    else
        return false;
    return true;
}

ORSSerialDevice SVDemoServo::device() const
{
    const QString path = m_servo->slavePath();
    return {QStringLiteral("demo:") + path, path, m_name};
}

std::unique_ptr<DeviceSource> SVDemoServo::deviceSourceWrapping(std::unique_ptr<DeviceSource> inner) const
{
    return std::make_unique<DemoDeviceSource>(QList<ORSSerialDevice>{device()}, std::move(inner));
}

void SVDemoServo::installInSharedPortManager() const
{
    installInSharedPortManager({device()});
}

void SVDemoServo::installInSharedPortManager(const QList<ORSSerialDevice>& devices)
{
    ORSSerialPortManager::setDeviceSourceFactory([devices] {
        return std::make_unique<DemoDeviceSource>(devices, std::make_unique<UdevDeviceSource>());
    });
}
