// The latency timer of a USB serial adapter: how long its driver holds received bytes back before
// passing on a short packet. A servo's reply is short, so each request waits up to that long for it.
// Drivers that have such a timer expose it in sysfs; the sysfs root can be moved for tests.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace AdapterLatency {

// A timer of this many milliseconds or less costs nothing worth telling.
inline constexpr int fastestMs = 1;
// Names another sysfs root (a fake tree for tests); unset or empty means /sys.
inline constexpr char sysfsRootVariable[] = "SERVODESK_SYSFS_ROOT";

// The file that holds the timer of the device node at nodePath:
// <root>/bus/usb-serial/devices/<base name>/latency_timer. The base name is that of the node a link
// leads to, so that /dev/serial/by-id/... finds ttyUSB0; /dev/pts/3 becomes "3".
QString timerFile(const QString& nodePath);

// The timer in milliseconds, when the driver exposes it; nothing when the file is missing, cannot be
// read or does not hold a whole number.
std::optional<int> timerMs(const QString& nodePath);

// The command that sets the timer of the node to 1 ms until the adapter is plugged in again.
QString oneOffCommand(const QString& nodePath);

// A udev rule that sets the timer to 1 ms whenever an adapter with such a timer is plugged in, and
// the file to put it in.
inline constexpr char ruleFile[] = "/etc/udev/rules.d/99-servodesk-latency.rules";
inline constexpr char ruleLine[] =
    R"(ACTION=="add", SUBSYSTEM=="usb-serial", DRIVER=="ftdi_sio", ATTR{latency_timer}="1")";

}  // namespace AdapterLatency
