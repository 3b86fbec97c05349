// The Motion page end to end, in the window, over a pseudo-terminal to a virtual bus of servos 1, 2
// and 7, with the operation page's state poll running fast beside it: scan, release, pose by hand,
// capture, play with the row highlighted, stop from the top bar with every servo told to hold,
// a position entered on the operation page while playing, closing the port while playing, an unplug
// while playing, and no value of servo 2 or 7 ever shown as servo 1's on the operation page.
#include "Api/Bus/Protocol.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/Motion/StatusLine.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVButton.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMultiMap>
#include <QSet>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using C = SVSettingViewController;

int wordAt(const QByteArray& bytes, int at)
{
    return SVProtocol::wordFrom(uint8_t(bytes.at(at)), uint8_t(bytes.at(at + 1)));
}

constexpr int firstIndex = 0, secondIndex = 1, thirdIndex = 2;  // servos 1, 2 and 7 on the bus

class MotionPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Servo 1 is the one the operation page shows; 2 and 7 differ in every live value.
        harness.servo().setTemperature(31, firstIndex);
        harness.servo().setTemperature(71, secondIndex);
        harness.servo().setTemperature(77, thirdIndex);
        harness.servo().setVoltageMillivolts(7400, firstIndex);
        harness.servo().setVoltageMillivolts(11200, secondIndex);
        harness.servo().setVoltageMillivolts(12600, thirdIndex);
        vc().setStatePollInterval(std::chrono::milliseconds(40));
        ASSERT_TRUE(harness.choosePort());
        ASSERT_TRUE(harness.openPort());
        vc().showMotionPage();
        page()->buttonScan()->click();
        ASSERT_TRUE(waitWatching([&] { return page()->servoModel()->rowCount() == 3 && page()->buttonScan()->isEnabled(); }, 15000))
            << "the scan did not list the three servos: " << qPrintable(page()->statusLabel()->text());
    }

    C& vc() { return harness.controller(); }
    MotionPage* page() { return vc().viewMotion(); }

    // Waits for condition while recording what the operation page shows.
    bool waitWatching(const std::function<bool()>& condition, int timeoutMs = 8000)
    {
        return waitForCondition([&] {
            shownTemperatures.insert(vc().textCurrentTemperature()->text());
            shownVoltages.insert(vc().textCurrentVoltage()->text());
            return condition();
        }, timeoutMs);
    }

    void expectOnlyServoOneShown()
    {
        for (const char* foreign : {"71℃", "77℃"})
            EXPECT_FALSE(shownTemperatures.contains(QString::fromUtf8(foreign))) << "the operation page showed " << foreign;
        for (const char* foreign : {"11.2V", "12.6V"})
            EXPECT_FALSE(shownVoltages.contains(QLatin1String(foreign))) << "the operation page showed " << foreign;
    }

    // The move frames each servo received since the records were cleared: ID to (position, time).
    QMultiMap<int, QPair<int, int>> movesSent() const
    {
        QMultiMap<int, QPair<int, int>> moves;
        for (const QByteArray& frame : harness.receivedFramesWithCommand(SVProtocol::Move)) {
            const QByteArray p = parametersOf(frame);
            moves.insert(quint8(frame.at(2)), {wordAt(p, 0), wordAt(p, 2)});
        }
        return moves;
    }

    // Plays the sequence in a loop and waits until a step is being played.
    void startPlayingUntilStopped()
    {
        page()->untilStoppedBox()->setChecked(true);
        page()->buttonPlay()->click();
        ASSERT_TRUE(waitWatching([&] { return page()->sequenceModel()->playingRow() >= 0; }, 20000)) << "the sequence did not start";
    }

    void teachTwoPoses()
    {
        page()->buttonTorque()->click();
        ASSERT_TRUE(harness.waitForFrames(SVProtocol::WriteMotorLoad, 3)) << "torque was not released on every servo";
        for (auto [index, first, second] : {std::tuple{firstIndex, 200, 800}, {secondIndex, 300, 700}, {thirdIndex, 400, 600}}) {
            harness.servo().setPosition(first, index);
            poses[0].insert(SVDemoIds[index], first);
            poses[1].insert(SVDemoIds[index], second);
        }
        page()->buttonCapture()->click();
        ASSERT_TRUE(waitWatching([&] { return page()->sequenceModel()->rowCount() == 1; })) << "no step captured";
        for (auto [index, first, second] : {std::tuple{firstIndex, 200, 800}, {secondIndex, 300, 700}, {thirdIndex, 400, 600}})
            harness.servo().setPosition(second, index);
        page()->buttonCapture()->click();
        ASSERT_TRUE(waitWatching([&] { return page()->sequenceModel()->rowCount() == 2; })) << "no second step captured";
        page()->buttonTorque()->click();  // hold again before playing
        ASSERT_TRUE(waitWatching([&] { return page()->buttonPlay()->isEnabled(); }));
    }

    static inline const QList<int> SVDemoIds{1, 2, 7};
    ControllerHarness harness{true, SVDemoIds};
    QSet<QString> shownTemperatures;
    QSet<QString> shownVoltages;
    QMap<int, int> poses[2];
};

TEST_F(MotionPageTest, TeachesPlaysWithTheRowHighlightedAndHoldsOnTheTopBarsStop)
{
    teachTwoPoses();
    EXPECT_EQ(page()->sequenceModel()->step(0).positions, poses[0]);
    EXPECT_EQ(page()->sequenceModel()->step(1).positions, poses[1]);
    EXPECT_TRUE(page()->sequenceModel()->isModified()) << "the unsaved marker is off after capturing";

    page()->untilStoppedBox()->setChecked(true);
    harness.servo().clearRecords();
    page()->buttonPlay()->click();
    QSet<int> highlighted;
    ASSERT_TRUE(waitWatching([&] {
        highlighted.insert(page()->sequenceModel()->playingRow());
        return highlighted.contains(0) && highlighted.contains(1) && movesSent().size() >= 9;
    }, 20000)) << "the rows were not played in turn: " << qPrintable(page()->statusLabel()->text());
    EXPECT_TRUE(vc().buttonStopMotion()->isVisible()) << "no stop button in the top bar while playing";
    for (int id : SVDemoIds)
        EXPECT_TRUE(movesSent().values(id).contains(qMakePair(poses[1][id], 1000))) << "servo " << id << " was not sent step 2";

    vc().showBasicOperationPage();  // leaving the page does not stop the sequence
    EXPECT_TRUE(page()->isPlaying());
    const qsizetype movesBeforeStop = harness.receivedFramesWithCommand(SVProtocol::Move).size();
    vc().buttonStopMotion()->click();
    ASSERT_TRUE(waitWatching([&] { return !page()->isPlaying(); })) << "Stop did not end the sequence";
    EXPECT_FALSE(vc().buttonStopMotion()->isVisible());
    EXPECT_EQ(page()->statusLabel()->text(), harness.localized("motion_stopped"));
    EXPECT_EQ(page()->sequenceModel()->playingRow(), -1);
    const QList<QByteArray> moves = harness.receivedFramesWithCommand(SVProtocol::Move).mid(movesBeforeStop);
    QSet<int> held;
    for (const QByteArray& frame : moves)
        if (wordAt(parametersOf(frame), 2) == 0)
            held.insert(quint8(frame.at(2)));
    EXPECT_EQ(held, QSet<int>(SVDemoIds.begin(), SVDemoIds.end())) << "not every servo was told to hold";

    // The state poll resumes, with servo 1's own values.
    EXPECT_TRUE(waitWatching([&] { return vc().textCurrentTemperature()->text() == QStringLiteral("31℃"); }))
        << "the operation page's live values did not come back";
    expectOnlyServoOneShown();
}

// Positions entered on the operation page while a sequence plays wait until it has stopped: on the
// wire, no frame ever comes between one of the player's requests and its reply.
TEST_F(MotionPageTest, AMoveEnteredOnTheOperationPageWaitsForThePlayingSequence)
{
    teachTwoPoses();
    startPlayingUntilStopped();
    ASSERT_FALSE(HasFatalFailure());
    harness.servo().clearRecords();
    vc().showBasicOperationPage();
    const QList<int> entered{123, 877, 456};
    for (int position : entered) {
        vc().textDebuggingPostion()->setText(QString::number(position));
        vc().buttonClick(vc().textDebuggingPostion());
        serveEventsFor(150);
    }
    ASSERT_TRUE(page()->isPlaying());
    vc().buttonStopMotion()->click();
    ASSERT_TRUE(waitWatching([&] { return !page()->isPlaying(); })) << "Stop did not end the sequence";
    ASSERT_TRUE(harness.waitForEncoderIdle());

    const QList<VirtualServo::Chunk> received = harness.servo().receivedFrames();
    const QList<VirtualServo::Chunk> written = harness.servo().writtenChunks();
    QList<int> enteredSent;
    qsizetype lastHold = -1;
    for (qsizetype i = 0; i < received.size(); ++i) {
        const QByteArray& frame = received.at(i).bytes;
        const int command = quint8(frame.at(SVProtocol::commandOffset));
        if (command == SVProtocol::Move && quint8(frame.at(2)) == 1 && entered.contains(wordAt(parametersOf(frame), 0)))
            enteredSent.append(wordAt(parametersOf(frame), 0));
        else if (command == SVProtocol::Move && wordAt(parametersOf(frame), 2) == 0)
            lastHold = i;
        // A request read together with the next frame met a servo too busy to answer in time.
        if (!SVProtocol::isRead(uint8_t(command)) || i + 1 == received.size() || received.at(i + 1).time == received.at(i).time)
            continue;
        const auto reply = std::find_if(written.begin(), written.end(), [&](const VirtualServo::Chunk& chunk) { return chunk.time >= received.at(i).time; });
        ASSERT_NE(reply, written.end()) << "request " << i << " had no reply";
        EXPECT_LE(reply->time, received.at(i + 1).time) << "frame " << i + 1 << " came between request " << i << " and its reply: "
            << received.at(i).bytes.toHex(' ').constData() << " / " << received.at(i + 1).bytes.toHex(' ').constData()
            << " / reply " << reply->bytes.toHex(' ').constData() << " after "
            << std::chrono::duration<double, std::milli>(reply->time - received.at(i).time).count() << " ms, next after "
            << std::chrono::duration<double, std::milli>(received.at(i + 1).time - received.at(i).time).count() << " ms";
    }
    EXPECT_EQ(enteredSent, entered) << "the entered positions were not all sent, in order";
    ASSERT_GE(lastHold, 0) << "the servos were not told to hold";
    for (qsizetype i = 0; i <= lastHold; ++i) {
        const QByteArray& frame = received.at(i).bytes;
        EXPECT_FALSE(quint8(frame.at(SVProtocol::commandOffset)) == SVProtocol::Move && quint8(frame.at(2)) == 1
                     && entered.contains(wordAt(parametersOf(frame), 0)))
            << "an entered position went out while the sequence played";
    }
}

TEST_F(MotionPageTest, ClosingThePortWhilePlayingHoldsTheServosBeforeItCloses)
{
    teachTwoPoses();
    page()->untilStoppedBox()->setChecked(true);
    page()->buttonPlay()->click();
    ASSERT_TRUE(waitWatching([&] { return page()->sequenceModel()->playingRow() == 1; }, 20000));
    harness.servo().clearRecords();
    vc().buttonClick(vc().buttonWireless());
    ASSERT_TRUE(waitWatching([&] { return !vc().serialPort()->isOpen() && vc().boxCOM()->isEnabled(); }))
        << "the port did not close";
    QSet<int> held;
    for (const QByteArray& frame : harness.receivedFramesWithCommand(SVProtocol::Move))
        if (wordAt(parametersOf(frame), 2) == 0)
            held.insert(quint8(frame.at(2)));
    EXPECT_EQ(held, QSet<int>(SVDemoIds.begin(), SVDemoIds.end())) << "the port closed before every servo was told to hold";
    EXPECT_FALSE(page()->isPlaying());
    EXPECT_FALSE(page()->buttonPlay()->isEnabled()) << "Play stays offered without a port";
    expectOnlyServoOneShown();
}

TEST_F(MotionPageTest, AnUnplugWhilePlayingEndsItSayingThePortIsGone)
{
    teachTwoPoses();
    startPlayingUntilStopped();
    ASSERT_FALSE(HasFatalFailure());
    harness.servo().vanish();
    ASSERT_TRUE(waitWatching([&] { return !page()->isPlaying(); })) << "the sequence went on after the unplug";
    EXPECT_EQ(page()->statusLabel()->text(), harness.localized("motion_port_gone"));
    EXPECT_FALSE(vc().buttonStopMotion()->isVisible());
    EXPECT_EQ(page()->sequenceModel()->rowCount(), 2) << "the sequence was lost with the port";
    expectOnlyServoOneShown();
}

}  // namespace
