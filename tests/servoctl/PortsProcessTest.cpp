// servoctl ports as a user runs it, with a fake sysfs tree giving the bus's pseudo-terminal a latency
// timer: the timer on the port's line and as a number in the JSON, and the hint after the list.
#include "Api/Source/ORSSerialDevice.h"
#include "servoctl/ServoctlRunner.h"
#include "support/core/FakeSysfs.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(PortsProcess, ShowsTheLatencyTimerAndHowToSetItTo1Ms)
{
    SKIP_UNDER_THREAD_SANITIZER();
    ServoctlRunner servoctl;
    ASSERT_TRUE(servoctl.bus.isValid()) << servoctl.bus.errorString().toStdString();
    const QString path = servoctl.bus.slavePath();
    const QString node = QFileInfo(path).fileName();  // /dev/pts/N: N
    const QString name = ORSSerialDevice::nameForPath(path);
    FakeSysfs sysfs;
    sysfs.setTimer(node, "16\n");

    const ServoctlRun text = servoctl.run({"ports"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    const qsizetype line = text.out.indexOf(name + "\t" + path + "\tlatency timer: 16 ms\n");
    const qsizetype hint = text.out.indexOf("\n\nSlow replies: the adapter's latency timer is 16 ms on " + name + ".");
    const qsizetype command = text.out.indexOf("\n    echo 1 | sudo tee " + sysfs.timerFile(node) + "\n");
    EXPECT_GE(line, 0) << text.out.toStdString();
    EXPECT_TRUE(line < hint && hint < command) << "no hint after the list: " << text.out.toStdString();

    const ServoctlRun json = servoctl.run({"ports", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    QJsonParseError error;
    const QJsonArray ports = QJsonDocument::fromJson(json.out.toUtf8(), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << "the hint went into the JSON: " << json.out.toStdString();
    QJsonObject port;
    for (const QJsonValue& entry : ports)
        if (entry.toObject().value("path") == path)
            port = entry.toObject();
    EXPECT_TRUE(port.value("latency_timer_ms").isDouble()) << "no number: " << json.out.toStdString();
    EXPECT_EQ(port.value("latency_timer_ms").toInt(), 16);
}
