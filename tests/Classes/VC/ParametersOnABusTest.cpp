// The Parameters page reads and writes the servo on the line by the broadcast ID, which every servo
// of a bus takes: on a robot's bus it must send nothing there and say why, while a servo alone is
// read and written as ever.
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVTag.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <gtest/gtest.h>

using Tag = SVSettingViewController::Tag;

namespace {

struct Bus {
    const char* name;
    QList<int> ids;
    bool alone;
};

class ParametersOnABus : public ::testing::TestWithParam<Bus> {};

// What went to the broadcast ID apart from ID reads, which change nothing.
QList<QByteArray> broadcastWrites(const QList<QByteArray>& frames)
{
    QList<QByteArray> writes;
    for (const QByteArray& frame : frames)
        if (quint8(frame.at(2)) == 0xFE && commandOf(frame) != 14)
            writes.append(frame);
    return writes;
}

}  // namespace

TEST_P(ParametersOnABus, ReadThenDefaultsAndWrite)
{
    ControllerHarness harness(true, GetParam().ids);
    SVSettingViewController& vc = harness.controller();
    VirtualServo& bus = harness.servo();
    QList<VirtualServoModel::Settings> before;
    for (int i = 0; i < bus.servoCount(); ++i) {
        VirtualServoModel::Settings settings = bus.settings(i);
        settings.angleMin = 100 + i;
        settings.maxTemperature = 70;
        bus.setSettings(settings, i);
        bus.setPosition(400 + 37 * i, i);  // servos sharing an ID give themselves away by what differs
        before.append(bus.settings(i));
    }
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    vc.showSettingPage();

    const QString expectedTip = ControllerHarness::localized(GetParam().alone ? "connect_success" : "several_servos");
    harness.press(Tag::TagButtonRead);
    ASSERT_TRUE(waitForCondition([&] { return !harness.tips().messages.isEmpty(); })) << "Read said nothing";
    EXPECT_EQ(harness.tips().messages, QStringList{expectedTip});

    harness.press(Tag::TagButtonDefault);
    harness.press(Tag::TagButtonSet);
    if (GetParam().alone) {
        ASSERT_TRUE(harness.waitForFrames(24, 1)) << "the write did not reach the servo alone";
        EXPECT_EQ(bus.settings(0).id, 1);
        EXPECT_EQ(bus.settings(0).angleMin, 0) << "the defaults were not written";
        EXPECT_EQ(bus.settings(0).maxTemperature, 85);
        return;
    }
    ASSERT_TRUE(waitForCondition([&] { return harness.tips().messages.size() == 2; })) << "Write said nothing";
    EXPECT_EQ(harness.tips().messages.last(), expectedTip);
    serveEventsFor(300);
    EXPECT_EQ(broadcastWrites(harness.receivedFrames()), QList<QByteArray>()) << "a setting went to every servo";
    for (int i = 0; i < bus.servoCount(); ++i) {
        EXPECT_EQ(bus.settings(i).id, before[i].id) << "servo " << i << " changed its ID";
        EXPECT_EQ(bus.settings(i).angleMin, before[i].angleMin) << "servo " << i << " changed its limits";
    }
}

INSTANTIATE_TEST_SUITE_P(Buses, ParametersOnABus,
                         ::testing::Values(Bus{"OneAlone", {1}, true}, Bus{"ThreeServos", {1, 2, 7}, false},
                                           Bus{"Hexapod", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}, false},
                                           Bus{"TwoOnOneId", {3, 3}, false}),
                         [](const ::testing::TestParamInfo<Bus>& info) { return std::string(info.param.name); });
