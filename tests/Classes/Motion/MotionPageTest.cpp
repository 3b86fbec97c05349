// The Motion page end to end, in the window, over a pseudo-terminal to a virtual bus of servos 1, 2
// and 7, with the operation page's state poll running fast beside it: scan, release, pose by hand,
// capture, play with the row highlighted, stop from the top bar with every servo told to hold,
// a position entered on the operation page while playing, closing the port while playing, an unplug
// while playing, a streamed step with its commanded path plotted, and no value of servo 2 or 7 ever
// shown as servo 1's on the operation page.
#include "Api/Bus/Protocol.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Classes/Robot/RobotModel.h"
#include "Classes/Robot/RobotPage.h"
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
#include <QTableView>

#include <algorithm>
#include <gtest/gtest.h>
#include <qcustomplot.h>

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

// A command given on the operation page while a sequence plays could go out only after the stop and
// move a servo the play has just held: it is refused with a tip, the controls keep showing what the
// servo has, and nothing of it reaches the wire, during the play or after its hold. On the wire, no
// frame ever comes between one of the player's requests and its reply.
TEST_F(MotionPageTest, ACommandGivenOnTheOperationPageWhilePlayingIsRefusedAndNeverSent)
{
    teachTwoPoses();
    startPlayingUntilStopped();
    ASSERT_FALSE(HasFatalFailure());
    harness.servo().clearRecords();
    vc().showBasicOperationPage();
    const bool loadBefore = vc().motorLoad();
    vc().textDebuggingPostion()->setText(QStringLiteral("777"));
    vc().buttonClick(vc().textDebuggingPostion());
    vc().buttonClick(vc().buttonMotor());
    EXPECT_EQ(harness.tips().messages, QStringList(2, harness.localized("bus_taken"))) << "a refused command must say so";
    EXPECT_EQ(vc().motorLoad(), loadBefore) << "the power button shows a state the servo was never sent";
    serveEventsFor(150);
    ASSERT_TRUE(page()->isPlaying());
    vc().buttonStopMotion()->click();
    ASSERT_TRUE(waitWatching([&] { return !page()->isPlaying(); })) << "Stop did not end the sequence";
    ASSERT_TRUE(harness.waitForEncoderIdle());
    serveEventsFor(100);

    const QList<VirtualServo::Chunk> received = harness.servo().receivedFrames();
    const QList<VirtualServo::Chunk> written = harness.servo().writtenChunks();
    bool held = false;
    for (qsizetype i = 0; i < received.size(); ++i) {
        const QByteArray& frame = received.at(i).bytes;
        const int command = quint8(frame.at(SVProtocol::commandOffset));
        held = held || (command == SVProtocol::Move && wordAt(parametersOf(frame), 2) == 0);
        EXPECT_FALSE(command == SVProtocol::Move && wordAt(parametersOf(frame), 0) == 777) << "the refused position went out";
        EXPECT_NE(command, SVProtocol::WriteMotorLoad) << "the refused power switch went out";
        // A request read together with the next frame met a servo too busy to answer in time.
        if (!SVProtocol::isRead(uint8_t(command)) || i + 1 == received.size() || received.at(i + 1).time == received.at(i).time)
            continue;
        const auto reply = std::find_if(written.begin(), written.end(), [&](const VirtualServo::Chunk& chunk) { return chunk.time >= received.at(i).time; });
        ASSERT_NE(reply, written.end()) << "request " << i << " had no reply";
        EXPECT_LE(reply->time, received.at(i + 1).time) << "frame " << i + 1 << " came between request " << i << " and its reply";
    }
    EXPECT_TRUE(held) << "the servos were not told to hold";

    // Once the play has stopped, the same command goes out.
    vc().buttonClick(vc().textDebuggingPostion());
    ASSERT_TRUE(waitWatching([&] { return movesSent().values(1).contains(qMakePair(777, vc().textDebuggingtime()->text().toInt())); }))
        << "the position entered after the stop was not sent";
}

// While a sequence plays, the Robot page gives the bus nothing, since it would go out only after the
// stop: Record range and Write changes are not offered and the page says why. Stop, Record range after
// it and Close port work, and the torque goes off only when the page says so.
TEST_F(MotionPageTest, TheRobotPageGivesNothingWhileASequencePlaysAndWorksAgainAfterTheStop)
{
    RobotPage* robot = vc().viewRobot();
    vc().showRobotPage();
    ASSERT_TRUE(waitWatching([&] { return robot->model()->hasStored(2) && robot->buttonWrite()->isEnabled(); }, 10000))
        << qPrintable(robot->statusLabel()->text());
    ASSERT_TRUE(robot->model()->setData(robot->model()->index(robot->model()->rowOf(2), RobotModel::columnOf("angle_max")), 900));
    vc().showMotionPage();
    teachTwoPoses();
    startPlayingUntilStopped();
    ASSERT_FALSE(HasFatalFailure());

    vc().showRobotPage();
    harness.servo().clearRecords();
    EXPECT_EQ(robot->statusLabel()->text(), harness.localized("robot_bus_taken"));
    for (SVButton* button : {robot->buttonScan(), robot->buttonRead(), robot->buttonWrite(), robot->buttonCentre(), robot->buttonRecord()}) {
        EXPECT_FALSE(button->isEnabled()) << qPrintable(button->title()) << " is offered while the bus is taken";
        button->click();
    }
    EXPECT_FALSE(robot->isRecording());
    vc().buttonStopMotion()->click();
    ASSERT_TRUE(waitWatching([&] { return !page()->isPlaying() && robot->buttonRecord()->isEnabled(); }))
        << "the Robot page was not offered again after the stop";
    ASSERT_TRUE(harness.waitForEncoderIdle());
    for (const QByteArray& frame : harness.receivedFrames())
        EXPECT_FALSE(QList<int>({SVProtocol::WriteMotorLoad, SVProtocol::WriteAngleLimit}).contains(commandOf(frame)))
            << "the Robot page sent command " << commandOf(frame) << " behind the play";

    robot->table()->selectRow(robot->model()->rowOf(7));
    robot->buttonRecord()->click();
    ASSERT_TRUE(harness.waitForFrames(SVProtocol::WriteMotorLoad, 1)) << "the torque did not go off";
    ASSERT_TRUE(waitWatching([&] { return robot->statusLabel()->text().startsWith(harness.localized("robot_recording").section('%', 0, 0)); }));
    robot->buttonRecord()->click();  // Stop
    ASSERT_TRUE(waitWatching([&] { return !robot->isRecording(); })) << "the recording did not end";
    EXPECT_EQ(harness.receivedFramesWithCommand(SVProtocol::WriteMotorLoad).size(), 2) << "off, then on again";
    vc().buttonClick(vc().buttonWireless());
    ASSERT_TRUE(waitWatching([&] { return !vc().serialPort()->isOpen() && vc().boxCOM()->isEnabled(); })) << "the port did not close";
}

// A move switches a servo's torque on: while a sequence plays after Release, the list says so.
TEST_F(MotionPageTest, TheTorqueColumnShowsTheTorqueThePlaySwitchedOn)
{
    teachTwoPoses();
    ASSERT_FALSE(HasFatalFailure());
    ServoListModel* list = page()->servoModel();
    const auto torqueShown = [&](int id) { return list->data(list->index(list->rowOf(id), ServoListModel::TorqueColumn)).toString(); };
    page()->buttonTorque()->click();  // Release
    ASSERT_TRUE(waitWatching([&] {
        return std::all_of(SVDemoIds.begin(), SVDemoIds.end(), [&](int id) { return torqueShown(id) == harness.localized("motion_torque_off"); });
    })) << "the list did not show the released torque";
    startPlayingUntilStopped();
    ASSERT_FALSE(HasFatalFailure());
    for (int id : SVDemoIds)
        EXPECT_EQ(torqueShown(id), harness.localized("motion_torque_on")) << "servo " << id << " holds torque while the sequence plays";
    EXPECT_EQ(page()->buttonTorque()->title(), harness.localized("motion_release")) << "Release is what the torque button can do now";
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

// A step set to ease in the Curve column goes out as set-points: a move per servo per 20 ms tick,
// as many as the step's time at the chosen speed holds, ending on the pose; the position plot
// draws the commanded path beside the positions read, and its tip gives how far each servo lagged.
TEST_F(MotionPageTest, AStepThatEasesIsStreamedAndItsCommandedPathIsPlottedBesideThePositionsRead)
{
    teachTwoPoses();
    ASSERT_TRUE(page()->sequenceModel()->setData(page()->sequenceModel()->index(1, SequenceModel::CurveColumn), QStringLiteral("ease")));
    page()->untilStoppedBox()->setChecked(false);
    page()->loopsBox()->setValue(2);
    page()->speedBox()->setValue(2);  // each step takes 500 ms: the ease 25 ticks
    harness.servo().clearRecords();
    page()->buttonPlay()->click();
    ASSERT_TRUE(waitWatching([&] { return page()->isPlaying(); }, 20000)) << "the sequence did not start";
    ASSERT_TRUE(waitWatching([&] { return !page()->isPlaying(); }, 20000)) << "the sequence did not end";
    EXPECT_EQ(page()->statusLabel()->text(), harness.localized("motion_played"));

    for (int id : SVDemoIds) {
        const QList<QPair<int, int>> sent = movesSent().values(id);  // newest first
        const qsizetype ticks = std::count_if(sent.begin(), sent.end(), [](const QPair<int, int>& move) { return move.second == 20; });
        EXPECT_LE(ticks, 2 * 25) << "servo " << id;
        EXPECT_GE(ticks, 2 * 20) << "servo " << id << ": most ticks go out";
        EXPECT_EQ(sent.first(), qMakePair(poses[1][id], 20)) << "servo " << id << " does not end on its pose";
        EXPECT_TRUE(sent.contains(qMakePair(poses[0][id], 500))) << "servo " << id << ": the linear step is one move";
    }
    page()->positionPlot()->redrawNow();
    const QCPGraph* commanded = page()->positionPlot()->commandedGraph(1);
    ASSERT_NE(commanded, nullptr) << "servo 1 is not plotted";
    EXPECT_GE(commanded->dataCount(), 2 * 20);
    const QString tip = page()->positionPlot()->toolTip();
    EXPECT_TRUE(tip.startsWith(harness.localized("motion_tracking").section('%', 0, 0)) && tip.contains("ID 1: ")) << qPrintable(tip);
}
