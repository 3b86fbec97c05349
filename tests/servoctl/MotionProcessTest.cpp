// Poses and motion sequences from servoctl, against the paced virtual bus of servos 1, 2 and 7:
// what pose and teach keep, and what play sends, in which order, with which times, and how it stops.
#include "servoctl/ServoctlRunner.h"
#include "support/core/PseudoTerminalPair.h"

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/Protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <unistd.h>

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
    writeFile("stream.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"name": "a", "time_ms": 1000, "positions": {"1": 200, "2": 200, "7": 200}, "curve": "through"},
        {"name": "b", "time_ms": 1000, "positions": {"1": 800, "2": 800, "7": 450}, "curve": "through"}]})");
    writeFile("odd.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"name": "a", "time_ms": 500, "positions": {"1": 300}}, {"name": "a", "time_ms": 500, "positions": {"1": 400}},
        {"name": "\u001b]0;owned\u0007\u001b[2J", "time_ms": 500, "positions": {}}]})");
    const struct {
        QStringList arguments;
        int exitCode;
        const char* message;
    } refused[] = {
        {{"play", file("odd.json"), "--step", "a"}, 2, "steps 1, 2 are all named \"a\""},
        {{"play", file("odd.json")}, 2, "step 3 (\"\\x1b]0;owned\\x07\\x1b[2J\"): no positions"},
        {{"play", file("swing.json"), "--speed", "0x2"}, 2, "--speed: \"0x2\" is not a decimal number"},
        {{"play", file("swing.json"), "--loop", "0x3"}, 2, "--loop: \"0x3\" is not a whole decimal number"},
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
        EXPECT_FALSE(result.err.contains(QChar(0x1b))) << "a control character reached the terminal";
    }
    EXPECT_TRUE(moves().isEmpty()) << "a refused play moved a servo";

    // A step played alone is named by its number in the file.
    const ServoctlRun alone = run({"play", file("swing.json"), "--step", "b", "--json", "--approach-speed", "10"});
    ASSERT_EQ(alone.exitCode, 0) << alone.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(alone.out.toUtf8()).object().value("step").toInt(), 2) << alone.out.toStdString();

    // Ctrl-C, a silent bus, then an unplugged one, in the middle of a move or of a stream of
    // set-points: each servo that answers is held; one on set-points at its last, without a read.
    enum class Stop { CtrlC, Silence, Unplug };
    const std::pair<bool, Stop> runs[] = {{false, Stop::CtrlC}, {false, Stop::Silence}, {true, Stop::CtrlC}, {true, Stop::Silence},
                                          {false, Stop::Unplug}};  // the bus is gone for good after an unplug
    for (const auto& [streamed, stop] : runs) {
        SCOPED_TRACE(streamed ? "streamed" : "linear");
        bus.setSilent(false);
        bus.clearRecords();
        QProcess play;
        start(play, {"play", file(streamed ? "stream.json" : "swing.json"), "--forever", "--approach-speed", "10"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return moves().size() >= (streamed ? 40 : 4); }, 30000)) << "play does not move the servos";
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
            if (!streamed) {
                EXPECT_EQ(sent.last().timeMs, 1000) << "a silent servo cannot be held";
                continue;
            }
            // The servo found silent is left alone; the others are sent their last set-point again.
            const int silent = QRegularExpression("servo ([0-9]+) stopped answering").match(result.err).captured(1).toInt();
            ASSERT_TRUE(busIds.contains(silent)) << result.err.toStdString();
            ASSERT_GE(sent.size(), 2);
            for (const MoveFrame& hold : sent.mid(sent.size() - 2)) {
                EXPECT_NE(hold.id, silent);
                EXPECT_EQ(hold.timeMs, 0) << "servo " << hold.id << " was not held";
            }
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

TEST_F(MotionProcess, EveryEndingAProgramCanCatchLeavesPlayedServosHoldingAndTaughtServosWithTorque)
{
    writeFile("swing.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"name": "a", "time_ms": 600, "positions": {"1": 200, "2": 200, "7": 200}},
        {"name": "b", "time_ms": 600, "positions": {"1": 800, "2": 800, "7": 800}}]})");
    // Streamed: the servos are held at their last set-point, with no read before it.
    writeFile("stream.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"name": "a", "time_ms": 600, "positions": {"1": 200, "2": 200, "7": 200}, "curve": "through"},
        {"name": "b", "time_ms": 600, "positions": {"1": 800, "2": 800, "7": 800}, "curve": "ease"}]})");
    const auto torqueOn = [&](int id) { return bus.settings(indexOf(id)).motorLoaded; };
    using End = std::function<void(QProcess&, PseudoTerminalPair&)>;
    const auto send = [](std::vector<int> numbers) -> End {
        return [numbers](QProcess& process, PseudoTerminalPair&) {
            for (int number : numbers) {
                ::kill(pid_t(process.processId()), number);
                ::usleep(2000);
            }
        };
    };
    const End hangUpTerminal = [](QProcess&, PseudoTerminalPair& terminal) { terminal.closeMaster(); };
    enum class Output { Pipe, Terminal, FullDisk, FirstLineOnly };
    const struct {
        const char* name;
        bool teach;
        Output output;
        End end;
        int exitCode;
        const char* message;
    } endings[] = {
        {"a hang-up", false, Output::Pipe, send({SIGHUP}), 130, "SIGHUP (the terminal or connection hung up): stopped; the servos hold"},
        {"Ctrl-\\", false, Output::Pipe, send({SIGQUIT}), 130, "SIGQUIT"},
        {"SIGUSR1", false, Output::Pipe, send({SIGUSR1}), 130, "SIGUSR1"},
        {"SIGALRM", false, Output::Pipe, send({SIGALRM}), 130, "SIGALRM: stopped; the servos hold"},
        // The kernel hands over pending signals lowest number first, so the later signal has the higher
        // number: whether it comes while the first is handled or both wait, Ctrl-C is the one named.
        {"Ctrl-C, then SIGTERM 2 ms later", false, Output::Pipe, send({SIGINT, SIGTERM}), 130, "Ctrl-C (SIGINT): stopped; the servos hold"},
        {"the JSON's reader gone (| head -1)", false, Output::FirstLineOnly, nullptr, 130, "SIGPIPE"},
        {"its terminal gone", false, Output::Terminal, hangUpTerminal, 1, "standard output: Input/output error: stopped; the servos hold"},
        {"a full disk", false, Output::FullDisk, nullptr, 1, "standard output: No space left on device: stopped; the servos hold"},
        {"SIGTERM while streaming", false, Output::Pipe, send({SIGTERM}), 130, "SIGTERM"},
        {"a hang-up while streaming", false, Output::Pipe, send({SIGHUP}), 130, "SIGHUP"},
        {"its terminal gone while streaming", false, Output::Terminal, hangUpTerminal, 1, "standard output: Input/output error: stopped"},
        {"a hang-up", true, Output::Pipe, send({SIGHUP, SIGHUP}), 130, "SIGHUP (the terminal or connection hung up): stopped; the torque is back on"},
        {"Ctrl-\\", true, Output::Pipe, send({SIGQUIT}), 130, "SIGQUIT"},
        {"SIGUSR2", true, Output::Pipe, send({SIGUSR2}), 130, "SIGUSR2: stopped; the torque is back on"},
        {"its terminal gone", true, Output::Terminal, hangUpTerminal, 1, "standard input: the terminal is gone: stopped; the torque is back on"},
    };
    for (const auto& e : endings) {
        SCOPED_TRACE(std::string(e.teach ? "teach, " : "play, ") + e.name);
        PseudoTerminalPair terminal;
        ASSERT_TRUE(terminal.isValid());
        bus.clearRecords();
        QProcess process;
        if (e.output == Output::Terminal)
            (e.teach ? process.setStandardInputFile(terminal.slavePath()) : process.setStandardOutputFile(terminal.slavePath()));
        else if (e.teach)
            process.setStandardInputFile(terminal.slavePath());
        else if (e.output == Output::FullDisk)
            process.setStandardOutputFile(QStringLiteral("/dev/full"));
        if (e.teach) {
            start(process, {"teach", "1", "7", "-o", file("taught.json")});
            ASSERT_TRUE(QTest::qWaitFor([&] { return !torqueOn(1) && !torqueOn(7); }, 30000)) << "the torque stays on";
        } else if (e.output == Output::FirstLineOnly) {
            process.start(QStringLiteral("/bin/bash"), {"-c", "\"$0\" \"$@\" | head -1 >/dev/null; exit ${PIPESTATUS[0]}",
                                                        QStringLiteral(SERVOCTL_PROGRAM), "play", file("swing.json"), "--forever", "--json",
                                                        "--port", bus.slavePath()});
        } else {
            const bool streamed = std::string(e.name).ends_with("while streaming");
            start(process, {"play", file(streamed ? "stream.json" : "swing.json"), "--forever", "--json", "--approach-speed", "10"});
            ASSERT_TRUE(QTest::qWaitFor([&] { return moves().size() >= (streamed ? 40 : 4) || process.state() == QProcess::NotRunning; }, 30000))
                << "play does not move the servos";
        }
        if (e.end)
            e.end(process, terminal);
        const ServoctlRun result = finish(process);
        EXPECT_EQ(result.exitCode, e.exitCode) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(e.message))) << result.err.toStdString();
        if (e.teach) {
            EXPECT_TRUE(torqueOn(1) && torqueOn(7)) << "the robot was left limp";
            continue;
        }
        const QList<MoveFrame> sent = moves();
        ASSERT_GE(sent.size(), 6);
        for (int i = 0; i < 3; ++i) {
            const MoveFrame& hold = sent[sent.size() - 3 + i];
            EXPECT_EQ(hold.id, busIds[i]);
            EXPECT_EQ(hold.timeMs, 0) << "servo " << hold.id << " was not held";
            EXPECT_EQ(hold.position, bus.position(i)) << "servo " << hold.id;
        }
    }

    // Output that cannot be written at all is found before anything moves.
    bus.clearRecords();
    QProcess closed;
    closed.start(QStringLiteral("/bin/sh"), {"-c", "exec \"$0\" \"$@\" >&-", QStringLiteral(SERVOCTL_PROGRAM), "play", file("swing.json"),
                                           "--port", bus.slavePath()});
    const ServoctlRun refused = finish(closed);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("standard output cannot be written (it is closed); nothing moved")) << refused.err.toStdString();
    EXPECT_TRUE(moves().isEmpty());
}

TEST_F(MotionProcess, AFirstMoveGoesFromTheNewestPositionAndAStalledPlayerSkipsWhatItMissedInsteadOfABurst)
{
    // Servo 2 is moved by hand while servo 1 makes its move: its own first move must start from
    // where it was last read, not from where it was before play.
    placeServos({{1, 500}, {2, 500}});
    writeFile("late.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"time_ms": 3000, "positions": {"1": 600}}, {"time_ms": 200, "positions": {"2": 900}}]})");
    bus.clearRecords();
    QProcess late;
    start(late, {"play", file("late.json")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !moves().isEmpty(); }, 30000)) << "play does not move the servos";
    const VirtualServo::Clock::time_point moved = VirtualServo::Clock::now();
    bus.setPosition(100, indexOf(2));
    const auto positionReadOf2 = [&] {
        for (const VirtualServo::Chunk& frame : framesOf({SVProtocol::ReadPosition}))
            if (quint8(frame.bytes.at(2)) == 2 && frame.time > moved)
                return true;
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(positionReadOf2, 30000)) << "the player stopped reading positions";
    ASSERT_EQ(moves().size(), 1) << "the test moved servo 2 too late to say anything";
    ASSERT_EQ(finish(late).exitCode, 0);
    ASSERT_EQ(moves().size(), 2);
    EXPECT_EQ(moves()[1].timeMs, (900 - 100) * 4) << "servo 2's first move is faster than 0.25 units/ms";

    // Stopped for a while after its first step, the player skips the steps it missed and goes on
    // from where the servos are, at the approach speed where a step's own time is too short.
    QByteArray steps;
    for (int i = 0; i < 12; ++i) {
        const int position = i % 2 == 0 ? 200 : 800;
        steps += QStringLiteral(R"(%1{"time_ms": 300, "positions": {"1": %2, "7": %2}})").arg(i == 0 ? "" : ", ").arg(position).toUtf8();
    }
    writeFile("steps.json", R"({"format": "servodesk-motion", "version": 1, "steps": [)" + steps + "]}");
    placeServos({{1, 200}, {7, 200}});
    bus.clearRecords();
    QProcess stalled;
    start(stalled, {"play", file("steps.json"), "--json"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return moves().size() >= 2; }, 30000)) << "play does not move the servos";
    ::kill(pid_t(stalled.processId()), SIGSTOP);
    QTest::qWait(1500);
    ::kill(pid_t(stalled.processId()), SIGCONT);
    const ServoctlRun result = finish(stalled);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("skipped")) << result.err.toStdString();

    // Every step is said once, played or skipped; the moves sent are those of the played steps.
    QList<int> numbers;
    QList<MoveFrame> expected;
    bool afterSkip = true;  // the first move goes from where the servos are, too
    int skipped = 0;
    QMap<int, int> at{{1, 200}, {7, 200}};
    for (const QString& line : result.out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject step = QJsonDocument::fromJson(line.toUtf8()).object();
        numbers.append(step.value("step").toInt());
        if (step.value("skipped").toBool()) {
            ++skipped;
            afterSkip = true;
            continue;
        }
        const int position = step.value("positions").toObject().value("1").toInt();
        const int timeMs = afterSkip ? std::max(300, std::abs(position - at[1]) * 4) : 300;
        expected += {{1, position, timeMs, {}}, {7, position, timeMs, {}}};
        at = {{1, position}, {7, position}};
        afterSkip = false;
    }
    EXPECT_EQ(numbers, QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})) << result.out.toStdString();
    // How many steps the stop covers depends on how far the play got before it; one at least.
    EXPECT_GE(skipped, 1);
    const QList<MoveFrame> sent = moves();
    ASSERT_EQ(sent.size(), expected.size()) << result.out.toStdString();
    for (qsizetype i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].id, expected[i].id) << "frame " << i;
        EXPECT_EQ(sent[i].position, expected[i].position) << "frame " << i;
        EXPECT_EQ(sent[i].timeMs, expected[i].timeMs) << "frame " << i;
    }
}

TEST_F(MotionProcess, StreamedStepsGoOutAsPlannedOneFramePerServoPerTickAndATickMissedIsSkippedNotSentLate)
{
    // The plan needs no bus; its positions are worked out by hand: 100 + 500 * (6u^5 - 15u^4 + 10u^3)
    // at u = 0.2, 0.4, 0.6, 0.8 and 1 of a 100 ms ease at 50 set-points per second.
    writeFile("ease.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"time_ms": 100, "positions": {"1": 100}}, {"time_ms": 100, "positions": {"1": 600}, "curve": "ease"}]})");
    const ServoctlRun plan = run({"play", file("ease.json"), "--plan"});
    ASSERT_EQ(plan.exitCode, 0) << plan.err.toStdString();
    EXPECT_EQ(plan.out, "time_ms,servo,position\n0,1,100\n100,1,100\n120,1,129\n140,1,259\n160,1,441\n180,1,571\n200,1,600\n");
    const ServoctlRun json = run({"play", file("ease.json"), "--plan", "--json", "--rate", "20"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_EQ(json.out, "{\"time_ms\": 0, \"servo\": 1, \"position\": 100}\n{\"time_ms\": 100, \"servo\": 1, \"position\": 100}\n"
                        "{\"time_ms\": 150, \"servo\": 1, \"position\": 350}\n{\"time_ms\": 200, \"servo\": 1, \"position\": 600}\n");

    // A rate the wire cannot carry for the file's servos is refused before the bus is even opened.
    QByteArray eighteen;
    for (int id = 1; id <= 18; ++id)
        eighteen += QStringLiteral("%1\"%2\": 500").arg(id == 1 ? "" : ", ").arg(id).toUtf8();
    writeFile("robot.json", R"({"format": "servodesk-motion", "version": 1, "steps": [{"time_ms": 500, "curve": "ease", "positions": {)" + eighteen + "}}]}");
    bus.clearRecords();
    const ServoctlRun tooFast = run({"play", file("robot.json"), "--rate", "50"});
    EXPECT_EQ(tooFast.exitCode, 2);
    EXPECT_TRUE(tooFast.err.contains("rate 50/s is more than the wire carries for 18 servos beside their position reads; the highest is 35.2/s"))
        << tooFast.err.toStdString();
    EXPECT_TRUE(bus.receivedFrames().isEmpty()) << "a refused play or a plan reached the bus";

    // On the wire: each servo's frames carry the planned positions in order, the linear step's with
    // its move time, each streamed one with the tick's 20 ms. A busy machine may make the player skip
    // a tick: then it skips it for every servo, and never a step's last tick, which carries its pose.
    writeFile("curves.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"time_ms": 100, "positions": {"1": 200, "7": 200}},
        {"time_ms": 300, "positions": {"1": 500, "7": 260}, "curve": "through"},
        {"time_ms": 300, "positions": {"1": 800, "7": 200}, "curve": "through"},
        {"time_ms": 200, "positions": {"1": 300}, "curve": "ease"}]})");
    const ServoctlRun planned = run({"play", file("curves.json"), "--plan"});
    ASSERT_EQ(planned.exitCode, 0) << planned.err.toStdString();
    QMap<int, QList<int>> plannedPositions;
    for (const QString& line : planned.out.split('\n', Qt::SkipEmptyParts).mid(1)) {
        const QStringList fields = line.split(',');
        if (fields[0] != "0")
            plannedPositions[fields[1].toInt()].append(fields[2].toInt());
    }
    ASSERT_EQ(plannedPositions[1].size(), 1 + 15 + 15 + 10);
    placeServos({{1, 200}, {7, 200}});
    bus.clearRecords();
    const ServoctlRun played = run({"play", file("curves.json"), "--json"});
    ASSERT_EQ(played.exitCode, 0) << played.err.toStdString();
    EXPECT_TRUE(played.out.contains(R"("curve":"through")") && played.out.contains(R"("ticks":15)")) << played.out.toStdString();
    QMap<int, QList<int>> sentPositions;
    for (const MoveFrame& frame : moves()) {
        EXPECT_EQ(frame.timeMs, sentPositions[frame.id].isEmpty() ? 100 : 20) << "servo " << frame.id;
        sentPositions[frame.id].append(frame.position);
    }
    QMap<int, QList<int>> sentTicks;  // the place in the plan of each position sent
    for (int id : {1, 7}) {
        qsizetype tick = 0;
        for (int position : sentPositions[id]) {
            while (tick < plannedPositions[id].size() && plannedPositions[id][tick] != position)
                ++tick;
            ASSERT_LT(tick, plannedPositions[id].size()) << "servo " << id << " was sent " << position << ", not in its plan";
            sentTicks[id].append(int(tick++));
        }
        for (int lastTick : {0, 15, 30})
            EXPECT_TRUE(sentTicks[id].contains(lastTick)) << "servo " << id << ": the pose at tick " << lastTick << " was not sent";
    }
    EXPECT_EQ(sentTicks[7], sentTicks[1].mid(0, sentTicks[7].size()));
    EXPECT_TRUE(sentTicks[1].contains(40));
    EXPECT_GE(sentTicks[1].size(), 41 - 10) << "most ticks go out on a quiet machine";
    EXPECT_EQ(bus.position(indexOf(1)), 300);

    // Stopped for 300 ms in a 3 s ease of 150 ticks, the player goes on with the tick that is due:
    // the ticks it missed are never sent, and the last one still brings the servo to its pose.
    writeFile("long.json", R"({"format": "servodesk-motion", "version": 1, "steps": [
        {"time_ms": 100, "positions": {"1": 200}}, {"time_ms": 3000, "positions": {"1": 800}, "curve": "ease"}]})");
    placeServos({{1, 200}});
    bus.clearRecords();
    QProcess stalled;
    start(stalled, {"play", file("long.json")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return moves().size() >= 10; }, 30000)) << "play does not stream";
    ::kill(pid_t(stalled.processId()), SIGSTOP);
    QTest::qWait(300);
    ::kill(pid_t(stalled.processId()), SIGCONT);
    const ServoctlRun resumed = finish(stalled);
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();
    EXPECT_TRUE(resumed.err.contains("late set-point ticks skipped")) << resumed.err.toStdString();
    const QList<MoveFrame> sent = moves();
    EXPECT_LE(sent.size(), 1 + 150 - 10) << "the ticks missed while stopped went out late";
    EXPECT_GE(sent.size(), 1 + 150 - 60) << "more ticks were skipped than the stop covers";
    EXPECT_EQ(sent.last().position, 800);
    EXPECT_EQ(bus.position(indexOf(1)), 800);
}
