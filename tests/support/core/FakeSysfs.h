// A sysfs tree of the test's own for the adapters' latency timers: SERVODESK_SYSFS_ROOT names it while
// the object lives, for this process and the programs it starts.
#pragma once

#include "Api/Source/AdapterLatency.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class FakeSysfs {
public:
    FakeSysfs() { qputenv(AdapterLatency::sysfsRootVariable, QFile::encodeName(m_root.path())); }
    ~FakeSysfs() { qunsetenv(AdapterLatency::sysfsRootVariable); }

    QString timerFile(const QString& baseName) const
    {
        return m_root.filePath("bus/usb-serial/devices/" + baseName + "/latency_timer");
    }
    // The usb-serial device with this base name, its latency_timer holding content.
    void setTimer(const QString& baseName, const QByteArray& content) const
    {
        QFile file(timerFile(baseName));
        QDir().mkpath(QFileInfo(file).path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size()) << qPrintable(file.fileName());
    }

private:
    QTemporaryDir m_root;
};
