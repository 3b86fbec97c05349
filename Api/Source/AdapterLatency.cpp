#include "Api/Source/AdapterLatency.h"

#include "Api/Source/NodePath.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray sysfsRoot()
{
    const QByteArray root = qgetenv(AdapterLatency::sysfsRootVariable);
    return root.isEmpty() ? QByteArrayLiteral("/sys") : root;
}

QByteArray nodeBaseName(const QString& nodePath)
{
    const QByteArray path = NodePath::toBytes(nodePath);
    QByteArray node = path;
    if (char* resolved = ::realpath(path.constData(), nullptr)) {
        node = resolved;
        std::free(resolved);
    }
    return node.mid(node.lastIndexOf('/') + 1);
}

QByteArray timerFileBytes(const QString& nodePath)
{
    return sysfsRoot() + "/bus/usb-serial/devices/" + nodeBaseName(nodePath) + "/latency_timer";
}

}  // namespace

QString AdapterLatency::timerFile(const QString& nodePath)
{
    return NodePath::fromBytes(timerFileBytes(nodePath));
}

std::optional<int> AdapterLatency::timerMs(const QString& nodePath)
{
    const int fd = ::open(timerFileBytes(nodePath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    // The driver writes a few digits and a newline; a file that fills the buffer holds no timer.
    char buffer[16];
    ssize_t count;
    do {
        count = ::read(fd, buffer, sizeof buffer);
    } while (count < 0 && errno == EINTR);
    ::close(fd);
    if (count <= 0 || count == ssize_t(sizeof buffer))
        return std::nullopt;
    const QByteArray text = QByteArray(buffer, count).trimmed();
    bool ok = false;
    const int ms = text.toInt(&ok);
    if (!ok || ms < 0)
        return std::nullopt;
    return ms;
}

QString AdapterLatency::oneOffCommand(const QString& nodePath)
{
    return QStringLiteral("echo 1 | sudo tee ") + timerFile(nodePath);
}
