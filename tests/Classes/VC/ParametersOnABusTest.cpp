// The Parameters page reads and writes the servo on the line by the broadcast ID, which every servo
// of a bus takes: on a robot's bus it must send nothing there and say why, while a servo alone is
// read and written as ever, also when it answers ID reads only at the broadcast ID or the line
// carries noise before each reply. The frame log shows what goes out, the look for a lone servo
// included.
#include "Api/SVFrameTools.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVTag.h"
#include "VirtualServo/VirtualServoModel.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <gtest/gtest.h>

using Tag = SVSettingViewController::Tag;

namespace {

struct Bus {
    const char* name;
    QList<int> ids;
    bool alone;
    bool idReadsOnlyByBroadcast = false;
    int noiseBeforeReplies = 0;
};

const QList<int> hexapod{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};

void PrintTo(const Bus& bus, std::ostream* out)
{
    *out << bus.name;
}

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

// The frame log, kept in memory while it lives, read back as the frames it lists.
class HeldFrameLog {
public:
    HeldFrameLog() { SVFrameTools::setLogHeld(true); }
    ~HeldFrameLog()
    {
        SVFrameTools::setLogHeld(false);
        SVFrameTools::takeHeldLog();
    }
    QList<QByteArray> frames()
    {
        m_text += SVFrameTools::takeHeldLog();
        QList<QByteArray> frames;
        const QList<QByteArray> lines = m_text.split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray& list = lines[i + 1];  // "[85 85 254 3 14 240 ]"
            if (lines[i] != "10进制" || !list.startsWith('[') || !list.endsWith(']'))
                continue;
            QByteArray frame;
            for (const QByteArray& number : list.mid(1, list.size() - 2).split(' '))
                if (!number.isEmpty())
                    frame.append(char(number.toInt()));
            frames.append(frame);
        }
        return frames;
    }

private:
    QByteArray m_text;
};

// The frames the encoder sends at once, unlogged: those of the sliders and the offset adjustment.
QList<QByteArray> loggedKinds(QList<QByteArray> frames)
{
    frames.removeIf([](const QByteArray& frame) { return QList<int>{1, 17, 29}.contains(commandOf(frame)); });
    return frames;
}

std::string hexOf(const QList<QByteArray>& frames)
{
    QByteArray text;
    for (const QByteArray& frame : frames)
        text += frame.toHex(' ') + '\n';
    return text.toStdString();
}

}  // namespace

TEST_P(ParametersOnABus, ReadThenDefaultsAndWrite)
{
    HeldFrameLog log;
    ControllerHarness harness(true, GetParam().ids);
    SVSettingViewController& vc = harness.controller();
    VirtualServo& bus = harness.servo();
    bus.setIdReadsOnlyByBroadcast(GetParam().idReadsOnlyByBroadcast);
    bus.setNoiseBeforeReplies(GetParam().noiseBeforeReplies);
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

    if (GetParam().alone) {
        EXPECT_EQ(vc.lableAngleBottom()->text(), "100") << "Read did not fill the page";
    }

    harness.press(Tag::TagButtonDefault);
    harness.press(Tag::TagButtonSet);
    if (GetParam().alone) {
        ASSERT_TRUE(harness.waitForFrames(24, 1)) << "the write did not reach the servo alone";
        EXPECT_EQ(bus.settings(0).id, 1);
        EXPECT_EQ(bus.settings(0).angleMin, 0) << "the defaults were not written";
        EXPECT_EQ(bus.settings(0).maxTemperature, 85);
    } else {
        ASSERT_TRUE(waitForCondition([&] { return harness.tips().messages.size() == 2; })) << "Write said nothing";
        EXPECT_EQ(harness.tips().messages.last(), expectedTip);
        serveEventsFor(300);
        EXPECT_EQ(broadcastWrites(harness.receivedFrames()), QList<QByteArray>()) << "a setting went to every servo";
        for (int i = 0; i < bus.servoCount(); ++i) {
            EXPECT_EQ(bus.settings(i).id, before[i].id) << "servo " << i << " changed its ID";
            EXPECT_EQ(bus.settings(i).angleMin, before[i].angleMin) << "servo " << i << " changed its limits";
        }
    }

    // The state poll goes on meanwhile: wait for a moment with no frame on its way.
    QList<QByteArray> logged;
    QList<QByteArray> sent;
    const bool same = waitForCondition([&] {
        logged = log.frames();
        sent = loggedKinds(harness.receivedFrames());
        return logged == sent;
    });
    EXPECT_TRUE(same) << "the frame log does not show what went out\nlogged:\n" << hexOf(logged) << "sent:\n"
                      << hexOf(sent);
}

INSTANTIATE_TEST_SUITE_P(Buses, ParametersOnABus,
                         ::testing::Values(Bus{"OneAlone", {1}, true},
                                           Bus{"AloneAnsweringIdReadsOnlyByBroadcast", {1}, true, true},
                                           Bus{"AloneOnANoisyLine", {1}, true, false, 3},
                                           Bus{"ThreeServos", {1, 2, 7}, false}, Bus{"Hexapod", hexapod, false},
                                           Bus{"TwoOnOneId", {3, 3}, false},
                                           Bus{"TwoOnOneIdOnANoisyLine", {3, 3}, false, false, 3}),
                         [](const ::testing::TestParamInfo<Bus>& info) { return std::string(info.param.name); });
