// The player straight on the bus, over a pseudo-terminal to a paced virtual bus of servos 1, 2 and 7,
// with short steps (also run under ThreadSanitizer): the schedule is absolute, a servo's first move
// comes at the approach speed from where it stands, a stalled player skips what it missed instead of
// sending it in a burst, and every ending it can see leaves the servos that answer holding.
#include "Api/Bus/MotionPlayer.h"
#include "Api/Bus/Protocol.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/EventLoopWait.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace SVProtocol;

const QList<int> busIds{1, 2, 7};

struct MoveFrame {
    int id;
    int position;
    int timeMs;
};

// The move frames the bus received, oldest first.
QList<MoveFrame> movesOn(const VirtualServo& line)
{
    QList<MoveFrame> sent;
    for (const VirtualServo::Chunk& chunk : line.receivedFrames()) {
        const QByteArray& f = chunk.bytes;
        if (quint8(f.at(commandOffset)) == Move)
            sent.append({quint8(f.at(2)), wordFrom(uint8_t(f.at(5)), uint8_t(f.at(6))), wordFrom(uint8_t(f.at(7)), uint8_t(f.at(8)))});
    }
    return sent;
}

class MotionPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(servos.isValid()) << qPrintable(servos.errorString());
        servos.setLinePacing(true);
        for (int index = 0; index < busIds.size(); ++index)
            servos.setPosition(500, index);
        ASSERT_TRUE(bus.open()) << qPrintable(bus.portFailure().message);
    }

    static MotionStep step(int timeMs, int position)
    {
        MotionStep made{QStringLiteral("step"), timeMs, 0, {}};
        for (int id : busIds)
            made.positions.insert(id, position);
        return made;
    }

    VirtualServo servos{VirtualServo::servosWithIds(busIds)};
    ServoBus bus{ORSSerialPort::serialPortWithPath(servos.slavePath())};
};

TEST_F(MotionPlayerTest, TheScheduleIsAbsoluteAndEachServosFirstMoveComesAtTheApproachSpeed)
{
    servos.setPosition(100, 0);  // servo 1 stands 400 units from the first pose, the others on it
    PlayOptions options;
    options.loops = 2;
    options.approachSpeed = 4;  // units per ms: servo 1 takes 100 ms to get there, and the step waits for it
    MotionPlayer player(bus, Motion{1, {step(60, 500), step(60, 560), step(60, 520)}}, options);
    ASSERT_TRUE(player.prepare());
    QList<MotionPlayer::StepStart> starts;
    player.onStepStart = [&](const MotionPlayer::StepStart& start) { starts.append(start); };
    ASSERT_TRUE(player.play());

    ASSERT_EQ(starts.size(), 6);
    QList<int> times;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        times.append(starts[i].timeMs);
        // Where each step was due follows from the plan alone, never from when the last went out.
        if (i > 0) {
            EXPECT_EQ(starts[i].scheduled - starts[i - 1].scheduled, std::chrono::milliseconds(starts[i - 1].timeMs)) << "step " << i;
        }
    }
    EXPECT_EQ(times, QList<int>({100, 60, 60, 60, 60, 60}));
    ASSERT_TRUE(waitForCondition([&] { return movesOn(servos).size() == 18; })) << movesOn(servos).size() << " moves on the wire";
    for (const MoveFrame& first : movesOn(servos).mid(0, 3))
        EXPECT_EQ(first.timeMs, 100) << "servo " << first.id << "'s first move is not slowed to servo 1's approach";
}

TEST_F(MotionPlayerTest, AStalledPlayerSkipsTheStepsItMissedInsteadOfSendingThemInABurst)
{
    QList<MotionStep> steps;
    for (int i = 0; i < 10; ++i)
        steps.append(step(30, 400 + 20 * i));
    MotionPlayer player(bus, Motion{1, steps}, PlayOptions{});
    ASSERT_TRUE(player.prepare());
    int started = 0;
    QList<int> skipped;
    player.onStepStart = [&](const MotionPlayer::StepStart& start) {
        ++started;
        if (start.stepIndex == 1)
            std::this_thread::sleep_for(250ms);  // the machine stalls the player
    };
    player.onStepSkipped = [&](const MotionPlayer::StepSkip& skip) { skipped.append(skip.stepIndex); };
    ASSERT_TRUE(player.play());

    EXPECT_FALSE(skipped.isEmpty()) << "nothing was skipped after a stall of eight steps";
    EXPECT_EQ(started + skipped.size(), 10);
    ASSERT_TRUE(waitForCondition([&] { return movesOn(servos).size() >= 3 * started; }));
    EXPECT_EQ(movesOn(servos).size(), 3 * started) << "a skipped step's moves went out";
    EXPECT_EQ(movesOn(servos).last().position, 400 + 20 * 9) << "the last pose was not sent";
}

// Each ending the player can see, given while the second step runs: the result, and which servos are
// told to hold (a move of time 0 to where they are) as the last frames on the wire.
TEST_F(MotionPlayerTest, EveryEndingLeavesTheAnsweringServosHolding)
{
    enum class End { Stop, ServoLeaves, PortGone };
    const struct {
        const char* name;
        End end;
        Failure::Kind kind;
        QList<int> held;
        const char* message;
    } endings[] = {
        {"a stop", End::Stop, Failure::Kind::Interrupted, {1, 2, 7}, "stopped; the servos hold where they are"},
        {"servo 7 leaves the bus", End::ServoLeaves, Failure::Kind::Failed, {1, 2}, "servo 7 stopped answering; the others hold"},
        {"the adapter is unplugged", End::PortGone, Failure::Kind::Failed, {}, "gone"},
    };
    for (const auto& e : endings) {
        SCOPED_TRACE(e.name);
        VirtualServo line{VirtualServo::servosWithIds(busIds)};
        line.setLinePacing(true);
        ServoBus lineBus{ORSSerialPort::serialPortWithPath(line.slavePath())};
        ASSERT_TRUE(lineBus.open());
        PlayOptions untilStopped;
        untilStopped.loops = 0;
        MotionPlayer player(lineBus, Motion{1, {step(300, 400), step(300, 600)}}, untilStopped);
        ASSERT_TRUE(player.prepare());
        bool stop = false;
        player.stopRequested = [&] { return stop; };
        player.onStepStart = [&](const MotionPlayer::StepStart& start) {
            if (start.stepIndex != 1)
                return;
            if (e.end == End::Stop)
                stop = true;
            else if (e.end == End::ServoLeaves)
                line.disconnectServo(2);
            else
                line.vanish();
        };
        const Result<void> result = player.play();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.failure().kind, e.kind);
        EXPECT_TRUE(result.failure().message.contains(QLatin1String(e.message))) << qPrintable(result.failure().message);
        EXPECT_EQ(player.heldServos(), e.held);
        if (e.held.isEmpty())
            continue;
        // The holds are the last frames written; the servo hears them once their bytes are through.
        const auto heldLast = [&] {
            const QList<MoveFrame> sent = movesOn(line);
            return sent.size() >= e.held.size()
                && std::all_of(sent.end() - e.held.size(), sent.end(), [](const MoveFrame& move) { return move.timeMs == 0; });
        };
        EXPECT_TRUE(waitForCondition(heldLast)) << "the last frames on the wire are not holds";
        const QList<MoveFrame> sent = movesOn(line);
        ASSERT_GE(sent.size(), e.held.size());
        for (qsizetype i = 0; i < e.held.size(); ++i) {
            const MoveFrame& hold = sent[sent.size() - e.held.size() + i];
            EXPECT_EQ(hold.id, e.held[i]);
            EXPECT_EQ(hold.timeMs, 0) << "servo " << hold.id << " was not held";
            EXPECT_EQ(hold.position, line.position(int(busIds.indexOf(hold.id)))) << "servo " << hold.id << " was held elsewhere";
        }
    }
}

}  // namespace
