// The adapter's latency timer read from a fake sysfs tree: a number where the driver exposes one,
// nothing where it does not or where the file holds no timer.
#include "Api/Source/AdapterLatency.h"
#include "support/core/FakeSysfs.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(AdapterLatency, ReadsTheTimerOfTheNodesBaseName)
{
    FakeSysfs sysfs;
    sysfs.setTimer("ttyUSB0", "16\n");
    sysfs.setTimer("ttyUSB1", "1\n");
    sysfs.setTimer("ttyUSB2", "fast\n");
    ASSERT_TRUE(QDir().mkpath(sysfs.timerFile("ttyUSB4")));  // there, but cannot be read
    sysfs.setTimer("3", "8\n");
    // A link to the node (as /dev/serial/by-id/... is) finds the timer of the node it leads to.
    QTemporaryDir dev;
    ASSERT_TRUE(QFile(dev.filePath("ttyUSB0")).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::link(dev.filePath("ttyUSB0"), dev.filePath("usb-adapter-port0")));

    const struct {
        QString node;
        std::optional<int> timer;
    } cases[] = {
        {"/dev/ttyUSB0", 16},
        {"/dev/ttyUSB1", 1},
        {"/dev/ttyUSB2", std::nullopt},
        {"/dev/ttyUSB4", std::nullopt},
        {"/dev/ttyUSB5", std::nullopt},  // not exposed
        {"/dev/pts/3", 8},
        {dev.filePath("usb-adapter-port0"), 16},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdapterLatency::timerMs(c.node), c.timer) << qPrintable(c.node);
}
