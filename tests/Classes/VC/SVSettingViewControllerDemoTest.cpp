// Demo mode: "--demo" lists the built-in virtual servo as the port "virtual-servo", and the window
// works with it as with a servo behind an adapter.
#include "Api/Source/SVPortOptions.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "VirtualServo/SVDemoServo.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QComboBox>
#include <gtest/gtest.h>

TEST(DemoMode, IsAskedForOnlyByItsOption)
{
    EXPECT_TRUE(SVPortOptions::fromArguments(QStringList{"servodesk", "--demo"}).demo);
    EXPECT_FALSE(SVPortOptions::fromArguments(QStringList{"servodesk"}).demo);
    EXPECT_FALSE(SVPortOptions::fromArguments(QStringList{"servodesk", "--port", "--demo"}).errors.isEmpty())
        << "the option after --port was taken for its path";
}

TEST(DemoMode, ListsTheVirtualServoFirstAndPassesTheSystemsDevicesOn)
{
    SVDemoServo demo;
    ASSERT_TRUE(demo.isValid()) << qPrintable(demo.errorString());
    auto inner = std::make_unique<FakeDeviceSource>(QList<ORSSerialDevice>{FakeDeviceSource::usbDevice("ttyUSB0")});
    FakeDeviceSource* system = inner.get();
    ORSSerialPortManager manager(demo.deviceSourceWrapping(std::move(inner)));

    const ORSSerialPortList ports = manager.availablePorts();
    ASSERT_EQ(ports.size(), 2);
    EXPECT_EQ(ports[0]->name(), SVDemoServo::portName);
    EXPECT_EQ(ports[0]->path(), demo.servo().slavePath());
    EXPECT_EQ(ports[1]->name(), "ttyUSB0");
    EXPECT_EQ(manager.deviceSource()->details(ports[0]->device()).model, "virtual servo (demo)");

    system->plug({FakeDeviceSource::usbDevice("ttyUSB1")});
    EXPECT_EQ(manager.availablePorts().size(), 3);
    system->unplug({FakeDeviceSource::usbDevice("ttyUSB0")});
    ASSERT_EQ(manager.availablePorts().size(), 2);
    EXPECT_EQ(manager.availablePorts()[0]->name(), SVDemoServo::portName);
}

TEST(DemoMode, TheWindowReadsMovesAndWatchesTheVirtualServo)
{
    ScopedSettingsStore settings;
    RecordingTipPresenter tips;
    RecordingNotifier notifier;
    SVDemoServo demo;
    ASSERT_TRUE(demo.isValid()) << qPrintable(demo.errorString());
    ORSSerialPortManager manager(demo.deviceSourceWrapping(std::make_unique<FakeDeviceSource>()));
    {
        SVSettingViewController vc;
        vc.setSerialPortManager(&manager);
        vc.setUserNotifier(&notifier);
        vc.view()->show();

        QComboBox* list = vc.boxCOM();
        const int index = list->findText(SVDemoServo::portName);
        ASSERT_EQ(index, 0);
        emit list->activated(index);
        vc.buttonClick(vc.buttonWireless());
        ASSERT_TRUE(waitForCondition([&] { return vc.serialPort()->isOpen() && !list->isEnabled(); }))
            << "the virtual servo's port did not open";
        EXPECT_TRUE(waitForCondition([&] { return vc.textCurrentVoltage()->text() != "0.0V"; }))
            << "no live voltage";

        vc.buttonClick(vc.viewWithTag(SVSettingViewController::TagButtonRead));
        ASSERT_TRUE(waitForCondition([&] { return !tips.messages.isEmpty(); })) << "the read had no outcome";
        EXPECT_EQ(tips.messages.first(), SVSettingViewController::localized("connect_success"));
        EXPECT_EQ(vc.textID()->text(), "1");

        vc.textDebuggingtime()->setText("0");
        vc.sliderPostion()->setValue(900);
        vc.sliderClick(vc.sliderPostion());
        EXPECT_TRUE(waitForCondition([&] { return vc.textCurrentPosition()->text() == "900"; }))
            << "the position read-out did not follow the move";

        vc.buttonClick(vc.buttonWireless());
        ASSERT_TRUE(waitForCondition([&] { return !vc.serialPort()->isOpen() && list->isEnabled(); }));
    }
}
