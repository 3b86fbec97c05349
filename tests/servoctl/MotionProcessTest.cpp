// Poses and motion sequences from servoctl, against the paced virtual bus of servos 1, 2 and 7:
// what pose and teach keep, and what play sends, in which order, with which times, and how it stops.
#include "servoctl/ServoctlRunner.h"
#include "support/core/PseudoTerminalPair.h"

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/Protocol.h"

#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using Settings = VirtualServo::Settings;

struct MoveFrame {
    int id;
    int position;
    int timeMs;
    VirtualServo::Clock::time_point time;
};

class MotionProcess : public ::testing::Test, public ServoctlRunner {
protected:
    void SetUp() override
    {
        SKIP_UNDER_THREAD_SANITIZER();
        ASSERT_TRUE(bus.isValid()) << bus.errorString().toStdString();
        bus.setLinePacing(true);
    }

    QList<MoveFrame> moves() const
    {
        QList<MoveFrame> frames;
        for (const VirtualServo::Chunk& frame : framesOf({SVProtocol::Move})) {
            const auto* b = reinterpret_cast<const uint8_t*>(frame.bytes.constData());
            frames.append({b[2], SVProtocol::wordFrom(b[5], b[6]), SVProtocol::wordFrom(b[7], b[8]), frame.time});
        }
        return frames;
    }

    void placeServos(const QMap<int, int>& positions)
    {
        for (auto it = positions.begin(); it != positions.end(); ++it)
            bus.setPosition(it.value(), indexOf(it.key()));
    }

    Motion motionIn(const QString& name) const
    {
        const ::Result<Motion> motion = MotionFile::read(file(name));
        EXPECT_TRUE(motion) << motion.failure().message.toStdString();
        return motion ? *motion : Motion{};
    }
};

qint64 msBetween(VirtualServo::Clock::time_point a, VirtualServo::Clock::time_point b)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

}  // namespace

TEST_F(MotionProcess, PosedStepsPlayInOrderWithScaledTimesAndAFirstMoveSlowedToTheApproachSpeed)
{
    placeServos({{1, 500}, {2, 620}, {7, 410}});
    ASSERT_EQ(run({"pose", "1", "2", "7", "-o", file("wave.json"), "--name", "up", "--time", "800", "--pause", "200"}).exitCode, 0);
    placeServos({{1, 300}, {7, 600}});
    const ServoctlRun second = run({"pose", "7", "1", "-o", file("wave.json"), "--name", "wave", "--time", "400"});
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    const Motion expected{1, {{"up", 800, 200, {{1, 500}, {2, 620}, {7, 410}}}, {"wave", 400, 0, {{1, 300}, {7, 600}}}}};
    EXPECT_EQ(motionIn("wave.json"), expected);

    // Servo 1 is 400 units from its first target: at 0.25 units/ms its first move takes 1600 ms.
    placeServos({{1, 100}});
    bus.clearRecords();
    const ServoctlRun play = run({"play", file("wave.json"), "--loop", "2", "--speed", "2", "--json"});
    ASSERT_EQ(play.exitCode, 0) << play.err.toStdString();
    EXPECT_EQ(play.out.count('\n'), 4) << "one JSON line per step played:\n" << play.out.toStdString();

    const QList<MoveFrame> sent = moves();
    const struct {
        int id, position, timeMs;
    } wanted[] = {{1, 500, 1600}, {2, 620, 1600}, {7, 410, 1600}, {1, 300, 200}, {7, 600, 200},
                  {1, 500, 400},  {2, 620, 400},  {7, 410, 400},  {1, 300, 200}, {7, 600, 200}};
    ASSERT_EQ(sent.size(), std::size(wanted));
    for (size_t i = 0; i < std::size(wanted); ++i) {
        EXPECT_EQ(sent[i].id, wanted[i].id) << "frame " << i;
        EXPECT_EQ(sent[i].position, wanted[i].position) << "frame " << i;
        EXPECT_EQ(sent[i].timeMs, wanted[i].timeMs) << "frame " << i;
    }
    // Each step starts when the last one's move time and pause (both halved) have passed: never earlier.
    EXPECT_GE(msBetween(sent[0].time, sent[3].time), 1600 + 100 - 3);
    EXPECT_GE(msBetween(sent[3].time, sent[5].time), 200 - 3);
    EXPECT_GE(msBetween(sent[5].time, sent[8].time), 400 + 100 - 3);
    EXPECT_EQ(bus.position(indexOf(7)), 600);
}

TEST_F(MotionProcess, NothingMovesUnlessEveryServoAnswersWithinItsLimitsAndAStopLeavesThemHolding)
{
    Settings narrow = bus.settings(indexOf(7));
    narrow.angleMax = 500;
    bus.setSettings(narrow, indexOf(7));
    writeFile("far.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"name": "reach", "time_ms": 500, "positions": {"1": 300, "7": 600}}]})");
    writeFile("absent.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"time_ms": 500, "positions": {"1": 300, "5": 600}}]})");
    writeFile("swing.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"name": "a", "time_ms": 1000, "positions": {"1": 200, "2": 200, "7": 200}},
        {"name": "b", "time_ms": 1000, "positions": {"1": 800, "2": 800, "7": 450}}]})");
    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } refused[] = {
        {{"play", file("far.json")}, 2, "step 1 (\"reach\"): servo 7: position 600 is outside its angle limits 0-500; nothing moved"},
        {{"play", file("absent.json")}, 1, "servo 5 did not answer; nothing moved"},
        {{"play", file("swing.json"), "--step", "c"}, 2, "has no step \"c\" (steps: \"a\", \"b\")"},
        {{"play", file("swing.json"), "--speed", "11"}, 2, "--speed"},
        {{"play", file("swing.json"), "--loop", "2", "--forever"}, 2, "excludes"},
    };
    for (const auto& r : refused) {
        const ServoctlRun result = run(r.arguments);
        EXPECT_EQ(result.exitCode, r.exitCode) << r.message << "\n" << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(r.message))) << result.err.toStdString();
    }
    EXPECT_TRUE(moves().isEmpty()) << "a refused play moved a servo";

    // Ctrl-C, a silent bus, then an unplugged one, in the middle of a move: each servo that answers is held.
    enum class Stop { CtrlC, Silence, Unplug };
    for (const Stop stop : {Stop::CtrlC, Stop::Silence, Stop::Unplug}) {
        bus.setSilent(false);
        bus.clearRecords();
        QProcess play;
        start(play, {"play", file("swing.json"), "--forever", "--approach-speed", "10"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return moves().size() >= 4; }, 30000)) << "play does not move the servos";
        switch (stop) {
        case Stop::CtrlC: ::kill(pid_t(play.processId()), SIGINT); break;
        case Stop::Silence: bus.setSilent(true); break;
        case Stop::Unplug: bus.vanish(); break;
        }
        const ServoctlRun result = finish(play);
        const QList<MoveFrame> sent = moves();
        if (stop == Stop::Unplug) {
            EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
            EXPECT_TRUE(result.err.contains("the port is gone")) << result.err.toStdString();
            continue;
        }
        if (stop == Stop::Silence) {
            EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
            EXPECT_TRUE(result.err.contains("stopped answering")) << result.err.toStdString();
            EXPECT_EQ(sent.last().timeMs, 1000) << "a silent servo cannot be held";
            continue;
        }
        EXPECT_EQ(result.exitCode, 130) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains("stopped; the servos hold where they are")) << result.err.toStdString();
        ASSERT_GE(sent.size(), 7);
        for (int i = 0; i < 3; ++i) {
            const MoveFrame& hold = sent[sent.size() - 3 + i];
            EXPECT_EQ(hold.id, busIds[i]);
            EXPECT_EQ(hold.timeMs, 0) << "servo " << hold.id << " was not held";
            EXPECT_EQ(hold.position, bus.position(i)) << "servo " << hold.id;
        }
    }
}

TEST_F(MotionProcess, TeachKeepsAPosePerEnterAndGivesTheTorqueBackHowEverItEnds)
{
    PseudoTerminalPair terminal;
    ASSERT_TRUE(terminal.isValid());
    const auto torqueOn = [&](int id) { return bus.settings(indexOf(id)).motorLoaded; };
    for (int id : {1, 7}) {
        Settings loaded = bus.settings(indexOf(id));
        loaded.motorLoaded = true;
        bus.setSettings(loaded, indexOf(id));
    }

    QProcess teach;
    teach.setStandardInputFile(terminal.slavePath());
    start(teach, {"teach", "1", "7", "-o", file("taught.json"), "--time", "700"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !torqueOn(1) && !torqueOn(7); }, 30000)) << "the torque stays on";
    for (const QMap<int, int>& pose : {QMap<int, int>{{1, 250}, {7, 750}}, QMap<int, int>{{1, 100}, {7, 900}}}) {
        placeServos(pose);
        const qsizetype before = QFile::exists(file("taught.json")) ? motionIn("taught.json").steps.size() : 0;
        ASSERT_TRUE(terminal.writeToMaster("\n"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file("taught.json")) && motionIn("taught.json").steps.size() > before; }, 30000));
    }
    ASSERT_TRUE(terminal.writeToMaster("q\n"));
    const ServoctlRun ended = finish(teach);
    EXPECT_EQ(ended.exitCode, 0) << ended.err.toStdString();
    const Motion expected{1, {{"step 1", 700, 0, {{1, 250}, {7, 750}}}, {"step 2", 700, 0, {{1, 100}, {7, 900}}}}};
    EXPECT_EQ(motionIn("taught.json"), expected);
    EXPECT_TRUE(torqueOn(1) && torqueOn(7));

    QProcess interrupted;
    interrupted.setStandardInputFile(terminal.slavePath());
    start(interrupted, {"teach", "1", "7", "-o", file("taught.json")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !torqueOn(1) && !torqueOn(7); }, 30000)) << "the torque stays on";
    ::kill(pid_t(interrupted.processId()), SIGINT);
    EXPECT_EQ(finish(interrupted).exitCode, 130);
    EXPECT_TRUE(torqueOn(1) && torqueOn(7)) << "Ctrl-C left the robot limp";
    EXPECT_EQ(motionIn("taught.json"), expected);
}
