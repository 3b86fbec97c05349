#include "Api/Source/SVPortOptions.h"

#include "Api/Source/ORSSerialPortManager.h"
#include "support/core/FakeDeviceSource.h"

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
    const SVPortOptions options = SVPortOptions::fromArguments({"servodesk", "--port"});
    EXPECT_TRUE(options.extraPortPaths.isEmpty());
    ASSERT_EQ(options.errors.size(), 1);
    EXPECT_TRUE(options.errors.first().contains("--port"));
}

TEST(SVPortOptions, ListingShowsNamePathAndKnownDetailsOneLinePerPort)
{
    const auto adapter = FakeDeviceSource::usbDevice("ttyUSB0");
    const auto bare = FakeDeviceSource::usbDevice("ttyS0");
    auto source = std::make_unique<FakeDeviceSource>(QList{adapter, bare});
    source->setDetails(adapter.identity, {"Acme", "USB Serial", "A1B2"});
    ORSSerialPortManager manager(std::move(source));

    EXPECT_EQ(SVPortOptions::portListing(manager),
              (QStringList{"ttyUSB0\t/dev/ttyUSB0\tvendor: Acme\tmodel: USB Serial\tserial: A1B2", "ttyS0\t/dev/ttyS0"}));
}
