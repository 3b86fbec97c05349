// What the device source knows of one serial device: a stable identity, the node to open, a short name.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

struct ORSSerialDevice {
    QString identity;  // udev sys path, or the node path for ports named by path
    QString path;      // device node, e.g. /dev/ttyUSB0
    QString name;      // short name: the path below /dev ("ttyUSB0", "pts/2"), else the base name

    static ORSSerialDevice fromPath(const QString& path)
    {
        return {path, path, nameForPath(path)};
    }
    static QString nameForPath(const QString& path)
    {
        static const QString devFolder = QStringLiteral("/dev/");
        const QString clean = QDir::cleanPath(path);
        if (clean.startsWith(devFolder) && clean.size() > devFolder.size())
            return clean.mid(devFolder.size());
        return QFileInfo(clean).fileName();
    }
    bool operator==(const ORSSerialDevice&) const = default;
};
