#include "Api/Source/ORSSerialPortManager.h"

#include "Api/Source/MainThreadModalLoop.h"
#include "Api/Source/NotificationCenter.h"
#include "Api/Source/ORSMainThreadGate.h"
#include "Api/Source/PathDeviceSource.h"
#include "Api/Source/UdevDeviceSource.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace {

struct SharedConfiguration {
    DeviceSourceFactory sourceFactory;
    QStringList extraPortPaths;
};

SharedConfiguration& sharedConfiguration()
{
    static SharedConfiguration configuration;
    return configuration;
}

ORSSerialPortManager* sharedInstance = nullptr;
std::atomic<bool> exitHookRan{false};

void runSharedExitHookOnce()
{
    if (exitHookRan.exchange(true))
        return;
    if (sharedInstance)
        sharedInstance->runExitHook();
}

void installExitHook(ORSSerialPortManager* manager)
{
    if (auto* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, manager, runSharedExitHookOnce);
    // The fallback covers a process that ends without leaving the application loop.
    if (std::atexit(runSharedExitHookOnce) != 0)
        qInfo("ORSSerialPort was unable to register its termination handler for serial port cleanup: %i", errno);
}

ORSSerialPortManager* makeSharedInstance()
{
    SharedConfiguration& configuration = sharedConfiguration();
    std::unique_ptr<DeviceSource> source = configuration.sourceFactory ? configuration.sourceFactory()
                                                                       : std::make_unique<UdevDeviceSource>();
    sharedInstance = new ORSSerialPortManager(std::move(source), configuration.extraPortPaths);
    installExitHook(sharedInstance);
    return sharedInstance;
}

QVariantMap userInfoWithPorts(const QString& key, const ORSSerialPortList& ports)
{
    return {{key, QVariant::fromValue(ports)}};
}

} // namespace

ORSSerialPortList serialPortsFromUserInfo(const QVariantMap& userInfo, const QString& key)
{
    return userInfo.value(key).value<ORSSerialPortList>();
}

ORSSerialPortManager* ORSSerialPortManager::sharedSerialPortManager()
{
    static ORSSerialPortManager* const instance = makeSharedInstance();
    return instance;
}

void ORSSerialPortManager::setDeviceSourceFactory(DeviceSourceFactory factory)
{
    sharedConfiguration().sourceFactory = std::move(factory);
}

void ORSSerialPortManager::setExtraPortPaths(const QStringList& paths)
{
    sharedConfiguration().extraPortPaths = paths;
}

ORSSerialPortManager::ORSSerialPortManager(std::unique_ptr<DeviceSource> source, const QStringList& extraPortPaths,
                                           QObject* parent)
    : QObject(parent)
    , m_source(std::move(source))
{
    qRegisterMetaType<ORSSerialPortList>("ORSSerialPortList");
    qRegisterMetaType<ORSSerialPort::Ptr>("ORSSerialPort::Ptr");
    // Lists the devices a source has now and follows its arrivals and removals.
    auto follow = [this](DeviceSource* source) {
        for (const ORSSerialDevice& device : source->start()) {
            if (auto port = ORSSerialPort::serialPortWithDevice(device); port && !listsPortWithPath(port->path()))
                appendPort(port);
        }
        // Arrivals and removals wait while a tip is open, so that nothing changes under it.
        connect(source, &DeviceSource::devicesAdded, this, [this](const QList<ORSSerialDevice>& devices) {
            MainThreadModalLoop::runOutside(this, [this, devices] { devicesWereAdded(devices); });
        });
        connect(source, &DeviceSource::devicesRemoved, this, [this](const QList<ORSSerialDevice>& devices) {
            MainThreadModalLoop::runOutside(this, [this, devices] { devicesWereRemoved(devices); });
        });
    };
    follow(m_source.get());
    // The nodes named on the command line come and go like adapters do; one the device source lists
    // already is followed by it alone.
    QStringList unlisted;
    for (const QString& path : extraPortPaths) {
        if (!listsPortWithPath(path))
            unlisted.append(path);
    }
    if (!unlisted.isEmpty()) {
        m_pathSource = std::make_unique<PathDeviceSource>(unlisted);
        follow(m_pathSource.get());
    }
}

ORSSerialPortManager::~ORSSerialPortManager() = default;

void ORSSerialPortManager::setAvailablePorts(const ORSSerialPortList& ports)
{
    while (!m_ports.isEmpty()) {
        const ORSSerialPort::Ptr port = m_ports.takeLast();
        emit portRemoved(int(m_ports.size()), port);
    }
    for (const ORSSerialPort::Ptr& port : ports)
        appendPort(port);
}

void ORSSerialPortManager::appendPort(const ORSSerialPort::Ptr& port)
{
    m_ports.append(port);
    emit portInserted(int(m_ports.size()) - 1);
}

void ORSSerialPortManager::removePortsWithPath(const QString& path)
{
    for (int index = int(m_ports.size()) - 1; index >= 0; --index) {
        if (m_ports[index]->path() == path) {
            const ORSSerialPort::Ptr port = m_ports.takeAt(index);
            emit portRemoved(index, port);
        }
    }
}

bool ORSSerialPortManager::listsPortWithPath(const QString& path) const
{
    return std::any_of(m_ports.begin(), m_ports.end(), [&](const auto& port) { return port->path() == path; });
}

void ORSSerialPortManager::devicesWereAdded(const QList<ORSSerialDevice>& devices)
{
    ORSSerialPortList batch;
    auto inBatch = [&](const QString& path) {
        return std::any_of(batch.begin(), batch.end(), [&](const auto& port) { return port->path() == path; });
    };
    for (const ORSSerialDevice& device : devices) {
        auto port = ORSSerialPort::serialPortWithDevice(device);
        if (port && !listsPortWithPath(port->path()) && !inBatch(port->path()))
            batch.append(port);
    }
    for (const ORSSerialPort::Ptr& port : batch)
        appendPort(port);
    NotificationCenter::defaultCenter()->post(ORSSerialPortsWereConnectedNotification, this,
                                              userInfoWithPorts(ORSConnectedSerialPortsKey, batch));
}

void ORSSerialPortManager::devicesWereRemoved(const QList<ORSSerialDevice>& devices)
{
    ORSSerialPortList gone;
    for (const ORSSerialDevice& device : devices) {
        if (auto port = ORSSerialPort::serialPortWithDevice(device))
            gone.append(port);
    }
    // Each port hears of its removal (and starts closing) before the list and the observers change.
    for (const ORSSerialPort::Ptr& port : gone)
        port->cleanupAfterSystemRemoval();
    for (const ORSSerialPort::Ptr& port : gone)
        removePortsWithPath(port->path());
    NotificationCenter::defaultCenter()->post(ORSSerialPortsWereDisconnectedNotification, this,
                                              userInfoWithPorts(ORSDisconnectedSerialPortsKey, gone));
}

void ORSSerialPortManager::runExitHook()
{
    const ORSSerialPortList ports = m_ports;
    for (const ORSSerialPort::Ptr& port : ports)
        port->cleanupAfterSystemRemoval();
    setAvailablePorts({});

    // A port closes in the background and hands its closed callback to the main thread, so the main
    // thread keeps serving events until every port is closed, then once more for the last callbacks.
    if (!ORSMainThreadGate::isMainThread())
        return;
    auto anyOpen = [&] {
        return std::any_of(ports.begin(), ports.end(), [](const auto& port) { return port->isOpen(); });
    };
    const QDeadlineTimer deadline(2000);
    while (anyOpen() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    QCoreApplication::processEvents();
}
