// The window under a flooded line: 10 s of random bytes at the line's full rate with valid replies
// mixed in, read by the open port and decoded by the controller. Every reply takes effect, nothing
// else in the window changes.
#include "Classes/VC/SVSettingViewController.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "support/LineFlood.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QLabel>
#include <QMetaProperty>

#include <gtest/gtest.h>

namespace {

// The state a user can see of every control of the window: its texts, values, checks, enabled and
// shown states, as far as its properties tell.
QHash<QObject*, QString> snapshot(QWidget* root)
{
    static const char* const shown[] = {"text", "checked", "value", "stringValue", "currentIndex", "currentText",
                                        "title", "enabled", "visible", "pro", "progress"};
    QHash<QObject*, QString> states;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        QStringList parts;
        for (const char* name : shown) {
            const QVariant value = widget->property(name);
            if (value.isValid())
                parts << QStringLiteral("%1=%2").arg(QLatin1String(name), value.toString());
        }
        states.insert(widget, parts.join(u' '));
    }
    return states;
}

int byteAt(const QByteArray& frame, int offset)
{
    return quint8(frame.at(offset));
}

// A signed 16-bit reading as the window shows it: low byte first; a high byte of 255 is negative.
qint64 wordAt(const QByteArray& frame, int offset)
{
    const int low = byteAt(frame, offset);
    const int high = byteAt(frame, offset + 1);
    return high == 255 ? low - 256 : low + 256 * high;
}

// Replies of every kind the window shows; the two that start work (an ID reply starts a block read,
// a deviation reply shows a tip) are rare, so that the block reads they start fit into the test.
QByteArray floodReply(quint32& state)
{
    const quint32 pick = LineFlood::nextRandom(state) % 200;
    const int servoId = 1 + int(LineFlood::nextRandom(state) % 200);
    auto parameters = [&state](int count) {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += char(LineFlood::nextRandom(state));
        return bytes;
    };
    if (pick == 0)
        return LineFlood::reply(servoId, 14, QByteArray(1, char(servoId)));
    if (pick == 1)
        return LineFlood::reply(servoId, 19, parameters(1));
    static const int kinds[][2] = {{21, 4}, {23, 4}, {25, 1}, {26, 1}, {27, 2}, {28, 2}, {32, 1}, {34, 1}, {36, 1}};
    const auto& [command, count] = kinds[pick % std::size(kinds)];
    return LineFlood::reply(servoId, command, parameters(count));
}

QByteArray lastWithCommand(const QList<QByteArray>& replies, int command)
{
    for (auto it = replies.crbegin(); it != replies.crend(); ++it) {
        if (quint8(it->at(4)) == command)
            return *it;
    }
    return {};
}

TEST(ControllerFlood, TenSecondsAtFullLineRateDecodeEveryReplyAndChangeNothingElse)
{
    ControllerHarness harness;
    SVSettingViewController& c = harness.controller();
    harness.servo().setSilent(true);  // only the flood's replies reach the window
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    serveEventsFor(300);  // the start-up steps after opening
    const QHash<QObject*, QString> before = snapshot(c.view());
    harness.servo().clearRecords();

    QList<QByteArray> replies;
    const QByteArray stream = LineFlood::makeStream(424242, 10 * LineFlood::lineBytesPerSecond, &replies, floodReply);
    LineFlood flood;
    flood.start([&harness](const QByteArray& bytes) {
        harness.servo().writeRaw(bytes);
        return true;
    }, stream);
    ASSERT_TRUE(waitForCondition([&] { return flood.waitUntilWritten(std::chrono::milliseconds(0)); }, 30000))
        << "the flood was not written";
    serveEventsFor(300);  // the last bytes reach the window

    auto count = [&replies](int command) {
        return std::count_if(replies.begin(), replies.end(), [command](const QByteArray& r) { return quint8(r.at(4)) == command; });
    };
    // Replies that start work: each one did.
    const auto idReplies = count(14);
    const auto deviationReplies = count(19);
    ASSERT_GT(idReplies, 0);
    ASSERT_GT(deviationReplies, 0);
    // Each deviation reply ends a block read, with success or failure by what came before it.
    const auto successes = harness.tips().messages.count(ControllerHarness::localized(QStringLiteral("connect_success")));
    const auto failures = harness.tips().messages.count(ControllerHarness::localized(QStringLiteral("read_fail")));
    EXPECT_EQ(successes + failures, deviationReplies) << "a deviation reply was lost or one was made up";
    EXPECT_EQ(harness.tips().messages.size(), successes + failures) << "a tip of another kind";
    ASSERT_TRUE(harness.waitForFrames(21, int(idReplies), 20000)) << "block reads: " << harness.receivedFramesWithCommand(21).size();
    ASSERT_TRUE(harness.waitForEncoderIdle());
    EXPECT_EQ(harness.receivedFramesWithCommand(21).size(), idReplies) << "an ID reply was lost or one was made up";

    // Every other kind shows its last reply.
    const QByteArray temperature = lastWithCommand(replies, 26);
    EXPECT_EQ(c.textCurrentTemperature()->text(), QString::number(byteAt(temperature, 5)) + QStringLiteral("℃"));
    const QByteArray voltage = lastWithCommand(replies, 27);
    EXPECT_EQ(c.textCurrentVoltage()->text(),
              QString::asprintf("%.1fV", std::min(double(wordAt(voltage, 5)) / 1000.0, 15.0)));
    const QByteArray position = lastWithCommand(replies, 28);
    EXPECT_EQ(c.textCurrentPosition()->text(), QString::number(wordAt(position, 5)));
    const QByteArray angles = lastWithCommand(replies, 21);
    EXPECT_EQ(c.lableAngleBottom()->text(), QString::number(wordAt(angles, 5)));
    EXPECT_EQ(c.lableAngleTop()->text(), QString::number(wordAt(angles, 7)));
    EXPECT_EQ(c.lableTemperatureRange()->text(), QString::number(byteAt(lastWithCommand(replies, 25), 5)) + QStringLiteral(" ℃"));
    EXPECT_EQ(c.switchLed()->checked(), byteAt(lastWithCommand(replies, 34), 5) == 0);
    EXPECT_EQ(c.motorLoad(), byteAt(lastWithCommand(replies, 32), 5) == 0);
    EXPECT_TRUE(c.serialPort() && c.serialPort()->isOpen()) << "the flood closed the port";

    // Nothing but the controls that show replies changed (the range sliders follow their labels).
    const QList<QObject*> showReplies = {c.textID(), c.textDeviation(), c.sliderDeviation(), c.lableAngleBottom(),
        c.lableAngleTop(), c.lableVoltageRangeMin(), c.lableVoltageRangeMax(), c.lableTemperatureRange(),
        c.sliderAngleOne(), c.sliderAngleTwo(), c.sliderVoltageOne(), c.sliderVoltageTwo(), c.sliderTemperature(),
        c.textCurrentTemperature(), c.textCurrentVoltage(), c.textCurrentPosition(), c.dashTemperature(), c.dash(),
        c.dashPostion(), c.buttonMotor(), c.switchLed(), c.labelLED(), c.imageLEDState(), c.switchStall(),
        c.switchOverpressure(), c.switchOverTemperature()};
    const QHash<QObject*, QString> after = snapshot(c.view());
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        QObject* control = it.key();
        const bool allowed = std::any_of(showReplies.begin(), showReplies.end(), [control](QObject* shows) {
            auto* showing = qobject_cast<QWidget*>(shows);
            return shows == control || (showing && showing->isAncestorOf(qobject_cast<QWidget*>(control)));
        });
        if (!allowed) {
            EXPECT_EQ(before.value(control).toStdString(), it.value().toStdString())
                << control->metaObject()->className() << " " << qPrintable(control->objectName());
        }
    }
}

} // namespace
