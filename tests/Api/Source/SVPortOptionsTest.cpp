#include "Api/Source/SVPortOptions.h"

#include "Api/Source/NodePath.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "support/core/FakeDeviceSource.h"
#include "support/core/FakeSysfs.h"

#include <gtest/gtest.h>

TEST(SVPortOptions, ReadsRepeatedPortsAndTheListRequestAndLeavesOtherArguments)
{
    const SVPortOptions options = SVPortOptions::fromArguments(
        {"servodesk", "--port", "/dev/pts/3", "-style", "fusion", "--port=/tmp/ttyV0", "--list-ports", "/dev/ttyUSB9"});
    EXPECT_EQ(options.extraPortPaths, (QStringList{"/dev/pts/3", "/tmp/ttyV0"}));
    EXPECT_TRUE(options.listPorts);
    EXPECT_TRUE(options.errors.isEmpty());

    const SVPortOptions plain = SVPortOptions::fromArguments({"--list-ports", "--port", "x"});
    EXPECT_FALSE(plain.listPorts) << "the program name is not an option";
    EXPECT_EQ(plain.extraPortPaths, QStringList{"x"});
}

TEST(SVPortOptions, PortWithoutPathIsAnError)
{
    const QList<QStringList> slips = {{"--port"}, {"--port", "--demo"}, {"--port="}, {"--port", ""}};
    for (const QStringList& slip : slips) {
        const SVPortOptions options = SVPortOptions::fromArguments(QStringList{"servodesk"} + slip);
        EXPECT_TRUE(options.extraPortPaths.isEmpty()) << qPrintable(slip.join(' '));
        ASSERT_EQ(options.errors.size(), 1) << qPrintable(slip.join(' '));
        EXPECT_TRUE(options.errors.first().contains("--port"));
    }
}

TEST(SVPortOptions, DemoServosCountsTheVirtualBusAndRefusesSlips)
{
    const SVPortOptions hexapod = SVPortOptions::fromArguments({"servodesk", "--demo", "--demo-servos", "18"});
    EXPECT_TRUE(hexapod.errors.isEmpty());
    EXPECT_EQ(hexapod.demoServos, 18);
    const QList<QStringList> slips = {{"--demo", "--demo-servos"}, {"--demo", "--demo-servos", "0"},
                                      {"--demo", "--demo-servos", "254"}, {"--demo", "--demo-servos", "six"},
                                      {"--demo-servos", "18"}};
    for (const QStringList& slip : slips) {
        const SVPortOptions options = SVPortOptions::fromArguments(QStringList{"servodesk"} + slip);
        ASSERT_EQ(options.errors.size(), 1) << qPrintable(slip.join(' '));
        EXPECT_TRUE(options.errors.first().contains("--demo-servos")) << qPrintable(slip.join(' '));
    }
}

// A path from the command line keeps its exact bytes, UTF-8 or not; valid UTF-8 reads as text.
TEST(SVPortOptions, PathsKeepTheirBytes)
{
    const struct {
        QByteArray bytes;
        QString shown;  // empty: not valid UTF-8, only the bytes matter
    } cases[] = {
        {"/tmp/ttyV0", "/tmp/ttyV0"},
        {"/tmp/caf\xc3\xa9", QStringLiteral("/tmp/caf\u00e9")},
        {"/tmp/\xf0\x9f\x94\x8c", QStringLiteral("/tmp/\U0001F50C")},
        {"/tmp/latin\xe9", {}},
        {"/tmp/\xed\xa0\x80surrogate", {}},
        {"/tmp/cut\xe2\x82", {}},
        {"/tmp/\xc0\xafoverlong", {}},
        {"/tmp/\xff\xfe", {}},
    };
    for (const auto& c : cases) {
        QByteArray program("servodesk");
        QByteArray option("--port");
        QByteArray path = c.bytes;
        char* argv[] = {program.data(), option.data(), path.data()};
        const SVPortOptions options = SVPortOptions::fromArguments(3, argv);
        ASSERT_EQ(options.extraPortPaths.size(), 1);
        EXPECT_EQ(NodePath::toBytes(options.extraPortPaths.first()), c.bytes) << c.bytes.toHex().constData();
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(options.extraPortPaths.first(), c.shown);
        }
    }
}

// The latency timer is listed where the driver exposes it; the hint after the list names only the
// ports where it costs time.
TEST(SVPortOptions, ListingShowsNamePathAndKnownDetailsOneLinePerPort)
{
    FakeSysfs sysfs;
    sysfs.setTimer("ttyUSB0", "16\n");
    sysfs.setTimer("ttyUSB1", "1\n");
    const auto adapter = FakeDeviceSource::usbDevice("ttyUSB0");
    const auto fast = FakeDeviceSource::usbDevice("ttyUSB1");
    const auto bare = FakeDeviceSource::usbDevice("ttyS0");
    auto source = std::make_unique<FakeDeviceSource>(QList{adapter, fast, bare});
    source->setDetails(adapter.identity, {"Acme", "USB Serial", "A1B2"});
    ORSSerialPortManager manager(std::move(source));

    const QStringList listing = SVPortOptions::portListing(manager);
    EXPECT_EQ(listing, (QStringList{"ttyUSB0\t/dev/ttyUSB0\tvendor: Acme\tmodel: USB Serial\tserial: A1B2\tlatency timer: 16 ms",
                                    "ttyUSB1\t/dev/ttyUSB1\tlatency timer: 1 ms", "ttyS0\t/dev/ttyS0"}));
    const QString hint = SVPortOptions::latencyHint(listing);
    EXPECT_TRUE(hint.contains("latency timer is 16 ms on ttyUSB0.")) << qPrintable(hint);
    EXPECT_FALSE(hint.contains("ttyUSB1")) << "a 1 ms timer costs nothing: " << qPrintable(hint);
    EXPECT_EQ(SVPortOptions::latencyHint(listing.mid(1)), "");
}
