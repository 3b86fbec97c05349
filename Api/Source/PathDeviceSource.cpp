#include "Api/Source/PathDeviceSource.h"

#include "Api/Source/NodePath.h"


#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

// 0 when the node exists (a link is followed), else the system's reason.
int nodeError(const QString& path)
{
    struct stat status {};
    return ::stat(NodePath::toBytes(path).constData(), &status) == 0 ? 0 : errno;
}

}  // namespace

PathDeviceSource::PathDeviceSource(const QStringList& paths, QObject* parent)
    : DeviceSource(parent)
    , m_paths(paths)
{
    m_paths.removeDuplicates();
    m_timer.setInterval(checkIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PathDeviceSource::checkNodes);
}

QList<ORSSerialDevice> PathDeviceSource::start()
{
    QList<ORSSerialDevice> devices;
    for (const QString& path : std::as_const(m_paths)) {
        if (const int error = nodeError(path)) {
            std::fprintf(stderr, "--port %s: %s; it is listed once it can be reached\n", qPrintable(path),
                         std::strerror(error));
            continue;
        }
        m_present.append(path);
        devices.append(ORSSerialDevice::fromPath(path));
    }
    if (!m_paths.isEmpty())
        m_timer.start();
    return devices;
}

void PathDeviceSource::checkNodes()
{
    QList<ORSSerialDevice> added;
    QList<ORSSerialDevice> removed;
    for (const QString& path : std::as_const(m_paths)) {
        const bool exists = nodeError(path) == 0;
        const bool wasPresent = m_present.contains(path);
        if (exists && !wasPresent) {
            m_present.append(path);
            added.append(ORSSerialDevice::fromPath(path));
        } else if (!exists && wasPresent) {
            m_present.removeOne(path);
            removed.append(ORSSerialDevice::fromPath(path));
        }
    }
    if (!removed.isEmpty())
        emit devicesRemoved(removed);
    if (!added.isEmpty())
        emit devicesAdded(added);
}
