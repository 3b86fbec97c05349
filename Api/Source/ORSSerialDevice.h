// What the device source knows of one serial device: a stable identity, the node to open, a short name.
#pragma once

#include <QFileInfo>
#include <QString>

struct ORSSerialDevice {
    QString identity;  // udev sys path, or the node path for ports named by path
    QString path;      // device node, e.g. /dev/ttyUSB0
    QString name;      // base name of the node, e.g. ttyUSB0

    static ORSSerialDevice fromPath(const QString& path)
    {
        return {path, path, QFileInfo(path).fileName()};
    }
    bool operator==(const ORSSerialDevice&) const = default;
};
