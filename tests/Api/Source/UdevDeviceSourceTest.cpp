// The real device source on the machine the test runs on, checked against sysfs read directly.
#include "Api/Source/UdevDeviceSource.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString ttyClass = QStringLiteral("/sys/class/tty/");

QString uartType(const QString& name)
{
    QFile file(ttyClass + name + QStringLiteral("/type"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

// What sysfs says about a tty: a real port has a device bound to a driver behind it and, when it is
// a serial-core slot, a UART type other than 0 (unknown).
bool hasRealDeviceBehind(const QString& name)
{
    return QFileInfo::exists(ttyClass + name + QStringLiteral("/device/driver")) && uartType(name) != QLatin1String("0");
}

QStringList names(const QList<ORSSerialDevice>& devices)
{
    QStringList result;
    for (const auto& device : devices)
        result.append(device.name);
    return result;
}

} // namespace

TEST(UdevDeviceSource, ListsExactlyTheTtyNodesBackedByARealDevice)
{
    UdevDeviceSource source;
    const QList<ORSSerialDevice> devices = source.start();

    for (const ORSSerialDevice& device : devices) {
        SCOPED_TRACE(device.path.toStdString());
        EXPECT_TRUE(device.identity.startsWith(QStringLiteral("/sys/")));
        EXPECT_TRUE(device.path.startsWith(QStringLiteral("/dev/")));
        EXPECT_EQ(device.name, QFileInfo(device.path).fileName());
        EXPECT_TRUE(hasRealDeviceBehind(device.name)) << "a placeholder or virtual terminal was listed";
    }

    const QStringList listed = names(devices);
    const QStringList ttys = QDir(ttyClass).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    ASSERT_FALSE(ttys.isEmpty()) << "sysfs lists no tty at all";
    for (const QString& tty : ttys) {
        if (hasRealDeviceBehind(tty) && QFileInfo::exists(QStringLiteral("/dev/") + tty)) {
            EXPECT_TRUE(listed.contains(tty)) << tty.toStdString() << " has a device behind it but is not listed";
        }
        if (tty.startsWith(QStringLiteral("ttyS")) && !hasRealDeviceBehind(tty)) {
            EXPECT_FALSE(listed.contains(tty)) << tty.toStdString() << " is a placeholder";
        }
    }
    EXPECT_FALSE(listed.contains(QStringLiteral("tty0")));
    EXPECT_FALSE(listed.contains(QStringLiteral("console")));
    EXPECT_FALSE(listed.contains(QStringLiteral("ptmx")));
}

TEST(UdevDeviceSource, EnumerationOrderIsStableAndDetailsAreReadable)
{
    UdevDeviceSource first;
    UdevDeviceSource second;
    const QList<ORSSerialDevice> devices = first.start();
    EXPECT_EQ(devices, second.start());
    for (const ORSSerialDevice& device : devices)
        first.details(device);  // reading what udev knows of a listed device must not fail
    const DeviceDetails unknown = first.details(ORSSerialDevice::fromPath(QStringLiteral("/dev/pts/0")));
    EXPECT_TRUE(unknown.vendor.isEmpty() && unknown.model.isEmpty() && unknown.serialNumber.isEmpty());
}
