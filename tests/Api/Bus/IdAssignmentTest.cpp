// Numbering new servos over a pseudo-terminal to a paced virtual bus, with servos plugged in and
// pulled out by the test as the run asks: the factory ID given last, each ID written to the
// newcomer's own ID and read back before anything else goes out, nothing ever sent to the broadcast
// address, nothing written while two unknown servos or two on one ID answer, a resumed run and a redo,
// and the stops (a servo lost mid-write, an unplug, a request) that say what is done and what is not.
#include "Api/Bus/IdAssignment.h"
#include "VirtualServo/DemoServoBox.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/EventLoopWait.h"

#include <gtest/gtest.h>

namespace {

using namespace IdAssignment;

QList<int> idsOf(const QList<Joint>& joints)
{
    QList<int> ids;
    for (const Joint& joint : joints)
        ids.append(joint.id);
    return ids;
}

VirtualServo::Settings servoWithId(int id)
{
    VirtualServo::Settings settings;
    settings.id = id;
    return settings;
}

class IdAssignmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isValid()) << qPrintable(bus.errorString());
        bus.setLinePacing(true);
        ASSERT_TRUE(servoBus.open());
    }

    // Runs plan, calling act on every event before the run goes on.
    // A run that never ends on its own stops after a while, so that the test fails instead of hanging.
    Result<QList<Joint>> runPlan(const QList<int>& ids, std::function<void(const Event&)> act = {}, std::optional<int> redo = {})
    {
        const Result<Plan> plan = makePlan(ids, {{2, QStringLiteral("left knee")}}, redo);
        EXPECT_TRUE(plan);
        Hooks hooks;
        hooks.report = [&](const Event& event) {
            events.append(event);
            if (act)
                act(event);
        };
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        hooks.stopRequested = [giveUp] { return std::chrono::steady_clock::now() > giveUp; };
        return run(servoBus, *plan, hooks);
    }

    // An empty bus and a new box of servos.
    void emptyBus()
    {
        box.reset();
        box.emplace(bus, 18);
        bus.clearRecords();
        events.clear();
    }

    template <typename T>
    QList<T> eventsOf() const
    {
        QList<T> found;
        for (const Event& event : events)
            if (const T* e = std::get_if<T>(&event))
                found.append(*e);
        return found;
    }

    // The IDs of the servos on the bus, in the order they were connected.
    QList<int> busIds() const
    {
        QList<int> ids;
        for (int i = 0; i < bus.servoCount(); ++i)
            ids.append(bus.settings(i).id);
        return ids;
    }

    int indexOfId(int id) const { return int(busIds().indexOf(id)); }

    // The rules of the wire, whatever happened: nothing to the broadcast ID, every ID write addressed
    // to a servo and followed at once by the read of that new ID.
    void expectSafeWire() const
    {
        const QList<VirtualServo::Chunk> frames = bus.receivedFrames();
        for (qsizetype i = 0; i < frames.size(); ++i) {
            const QByteArray& f = frames[i].bytes;
            EXPECT_NE(quint8(f.at(2)), SVProtocol::broadcastId) << "frame " << i << " went to the broadcast ID";
            if (quint8(f.at(4)) != SVProtocol::WriteId || i + 1 >= frames.size())
                continue;
            const QByteArray& next = frames[i + 1].bytes;
            EXPECT_EQ(quint8(next.at(4)), SVProtocol::ReadId) << "the ID write of frame " << i << " was not read back next";
            EXPECT_EQ(quint8(next.at(2)), quint8(f.at(5))) << "the read-back went elsewhere than the new ID";
        }
    }

    int idWrites() const
    {
        int count = 0;
        for (const VirtualServo::Chunk& frame : bus.receivedFrames())
            count += quint8(frame.bytes.at(4)) == SVProtocol::WriteId;
        return count;
    }

    VirtualServo bus{QList<VirtualServo::Settings>{servoWithId(200)}};
    std::optional<DemoServoBox> box{std::in_place, bus, 18};
    ServoBus servoBus{ORSSerialPort::serialPortWithPath(bus.slavePath())};
    QList<Event> events;
};

TEST_F(IdAssignmentTest, GivesEachNewServoItsIdByItsOwnIdAndTheFactoryIdLast)
{
    const Result<QList<Joint>> done = runPlan({1, 2, 3}, [&](const Event& event) {
        if (std::holds_alternative<Waiting>(event))
            box->connectNext();
    });
    ASSERT_TRUE(done) << qPrintable(done.failure().message);
    EXPECT_EQ(idsOf(*done), (QList<int>{2, 3, 1}));
    EXPECT_EQ(busIds(), (QList<int>{2, 3, 1}));
    ASSERT_FALSE(eventsOf<Started>().isEmpty());
    EXPECT_TRUE(eventsOf<Started>().first().plan.factoryIdMoved);
    QList<int> asked;
    for (const Waiting& waiting : eventsOf<Waiting>())
        asked.append(waiting.joint.id);
    EXPECT_EQ(asked, (QList<int>{2, 3, 1}));
    EXPECT_EQ(eventsOf<Waiting>().first().joint.name, QStringLiteral("left knee"));
    // Servo 1 came with its ID: nothing to write, but still read back and wiggled.
    EXPECT_EQ(idWrites(), 2);
    EXPECT_EQ(eventsOf<Verified>().size(), 3);
    for (const Done& d : eventsOf<Done>())
        EXPECT_TRUE(d.wiggled) << "servo " << d.joint.id << " did not wiggle";
    EXPECT_EQ(eventsOf<Done>().first().next, (std::optional<Joint>{Joint{3, {}}}));
    for (const VirtualServo::Chunk& frame : bus.receivedFrames()) {
        if (quint8(frame.bytes.at(4)) == SVProtocol::WriteId) {
            EXPECT_EQ(quint8(frame.bytes.at(2)), factoryId) << "an ID went to another servo than the newcomer";
        }
    }
    // Each servo moved a little out and back to where it stood, and its torque is off again as it came.
    QMap<int, QList<int>> moves;
    for (const VirtualServo::Chunk& frame : bus.receivedFrames())
        if (quint8(frame.bytes.at(4)) == SVProtocol::Move)
            moves[quint8(frame.bytes.at(2))].append(SVProtocol::wordFrom(uint8_t(frame.bytes.at(5)), uint8_t(frame.bytes.at(6))));
    for (int i = 0; i < bus.servoCount(); ++i) {
        const QList<int> servoMoves = moves.value(bus.settings(i).id);
        ASSERT_EQ(servoMoves.size(), 2) << "servo " << bus.settings(i).id;
        EXPECT_EQ(std::abs(servoMoves[0] - servoMoves[1]), 50);
        EXPECT_EQ(servoMoves[1], bus.position(i));
        // The last torque-off may still be on its way over the paced line when the run ends.
        EXPECT_TRUE(waitForCondition([&] { return !bus.settings(i).motorLoaded; }, 2000)) << "servo " << bus.settings(i).id;
    }
    expectSafeWire();
}

TEST_F(IdAssignmentTest, NothingIsWrittenWhileTwoServosAnswer)
{
    struct Case {
        const char* name;
        std::function<void(VirtualServo&, DemoServoBox&)> connect;  // the trouble, at the second joint's turn
        std::function<bool(const Event&)> seen;          // the event that tells of it
        int extraId;                                      // the ID of the servo the user then pulls out
    };
    const QList<Case> cases{
        {"two new servos at once",
         [](VirtualServo&, DemoServoBox& box) { box.setPairAt(2); box.connectNext(); },
         [](const Event& e) { return std::holds_alternative<SharedId>(e) && std::get<SharedId>(e).servoId == factoryId && !std::get<SharedId>(e).doneJoint; },
         factoryId},
        {"a new servo and a used one",
         [](VirtualServo& bus, DemoServoBox& box) { box.connectNext(); bus.connectServo(servoWithId(40), 700, 35); },
         [](const Event& e) { return std::holds_alternative<TwoAtOnce>(e) && std::get<TwoAtOnce>(e).servoIds == QList<int>{1, 40}; },
         40},
        {"a used servo on a done joint's ID",
         [](VirtualServo& bus, DemoServoBox& box) { box.connectNext(); bus.connectServo(servoWithId(5), 700, 35); },
         [](const Event& e) { return std::holds_alternative<SharedId>(e) && std::get<SharedId>(e).servoId == 5 && std::get<SharedId>(e).doneJoint; },
         5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emptyBus();
        int waits = 0;
        int writesAtTrouble = -1;
        const Result<QList<Joint>> done = runPlan({5, 6}, [&](const Event& event) {
            if (std::holds_alternative<Waiting>(event) && ++waits == 1)
                box->connectNext();
            else if (std::holds_alternative<Waiting>(event))
                c.connect(bus, *box);
            else if (c.seen(event) && writesAtTrouble < 0) {
                writesAtTrouble = idWrites();
                // The user pulls out the extra servo: the last one connected at that ID.
                for (int i = bus.servoCount() - 1; i >= 0; --i)
                    if (bus.settings(i).id == c.extraId) {
                        bus.disconnectServo(i);
                        break;
                    }
            }
        });
        ASSERT_TRUE(done) << qPrintable(done.failure().message);
        EXPECT_EQ(writesAtTrouble, 1) << "the trouble was not seen, or something was written after the first joint";
        EXPECT_EQ(idsOf(*done), (QList<int>{5, 6}));
        EXPECT_TRUE(busIds().contains(5) && busIds().contains(6));
        expectSafeWire();
    }
}

TEST_F(IdAssignmentTest, ResumesAndRedoesWithServosAlreadyNumbered)
{
    struct Case {
        const char* name;
        QList<int> plan;
        QList<int> onBus;
        std::optional<int> redo;
        bool alone;  // the new servo comes alone: the robot has a servo at the factory ID
        QList<int> recognised;
        QList<int> asked;  // the joints the run waits for
        int servosAtEnd;
    };
    const QList<Case> cases{
        {"resume", {1, 2, 3, 4}, {3, 4}, std::nullopt, false, {3, 4}, {2, 1}, 4},
        {"redo one joint", {2, 3, 4}, {2, 3, 4}, 3, false, {}, {3}, 3},
        {"redo on a robot with the factory ID", {1, 2, 3}, {1, 2, 3}, 2, true, {}, {2}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emptyBus();
        for (int id : c.onBus)
            bus.connectServo(servoWithId(id), 500, 30);
        const Result<QList<Joint>> done = runPlan(c.plan, [&](const Event& event) {
            if (const Started* started = std::get_if<Started>(&event)) {
                EXPECT_EQ(started->connectAlone, c.alone);
            }
            if (!std::holds_alternative<Waiting>(event))
                return;
            if (c.redo)
                bus.disconnectServo(indexOfId(*c.redo));  // the broken servo goes, a new one comes
            while (c.alone && bus.servoCount() > 0)
                bus.disconnectServo(0);
            box->connectNext();
        }, c.redo);
        ASSERT_TRUE(done) << qPrintable(done.failure().message);
        QList<int> recognised;
        for (const Recognised& r : eventsOf<Recognised>())
            recognised.append(r.joint.id);
        EXPECT_EQ(recognised, c.recognised);
        QList<int> asked;
        for (const Waiting& waiting : eventsOf<Waiting>())
            asked.append(waiting.joint.id);
        EXPECT_EQ(asked, c.asked);
        for (int id : c.asked) {
            EXPECT_NE(indexOfId(id), -1) << "no servo has ID " << id;
        }
        EXPECT_EQ(bus.servoCount(), c.servosAtEnd);
        expectSafeWire();
    }
}

TEST_F(IdAssignmentTest, AStopSaysWhatIsDoneAndWhatIsNot)
{
    enum class Ending { ServoPulledMidWrite, Unplug, Request };
    struct Case {
        const char* name;
        Ending ending;
        Stopped::Why why;
        Failure::Kind kind;
        bool unconfirmed;
    };
    const QList<Case> cases{
        {"a servo pulled out mid-write", Ending::ServoPulledMidWrite, Stopped::Why::ServoLost, Failure::Kind::Failed, true},
        {"the adapter unplugged mid-write", Ending::Unplug, Stopped::Why::PortGone, Failure::Kind::Failed, true},
        {"a stop request", Ending::Request, Stopped::Why::Request, Failure::Kind::Interrupted, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualServo line{QList<VirtualServo::Settings>{servoWithId(2)}};
        ASSERT_TRUE(line.isValid());
        line.setLinePacing(true);
        ServoBus lineBus(ORSSerialPort::serialPortWithPath(line.slavePath()));
        ASSERT_TRUE(lineBus.open());
        DemoServoBox lineBox(line, 5);
        int dones = 0;
        QList<Event> seen;
        Hooks hooks;
        hooks.report = [&](const Event& event) {
            seen.append(event);
            // The second servo is pulled out as its ID write goes out, before the read-back.
            if (std::holds_alternative<Written>(event) && dones == 1 && c.ending == Ending::ServoPulledMidWrite)
                line.disconnectServo(line.servoCount() - 1);
            if (std::holds_alternative<Done>(event) && ++dones == 1 && c.ending == Ending::Unplug)
                line.setUnplugOnCommand(SVProtocol::WriteId);
            if (std::holds_alternative<Waiting>(event))
                lineBox.connectNext();
        };
        hooks.stopRequested = [&] { return c.ending == Ending::Request && dones == 1; };
        const Result<QList<Joint>> done = run(lineBus, *makePlan({2, 3, 4}), hooks);
        ASSERT_FALSE(done);
        EXPECT_EQ(done.failure().kind, c.kind);
        ASSERT_TRUE(std::holds_alternative<Stopped>(seen.last()));
        const Stopped stopped = std::get<Stopped>(seen.last());
        EXPECT_EQ(stopped.why, c.why);
        EXPECT_EQ(idsOf(stopped.done), QList<int>{2});
        EXPECT_EQ(idsOf(stopped.notDone), (QList<int>{3, 4}));
        EXPECT_EQ(stopped.unconfirmed.has_value(), c.unconfirmed);
        if (c.unconfirmed) {
            EXPECT_EQ(stopped.unconfirmed->fromId, factoryId);
            EXPECT_EQ(stopped.unconfirmed->joint.id, 3);
            EXPECT_TRUE(stopped.message.contains(QStringLiteral("may now have ID 3 or still 1"))) << qPrintable(stopped.message);
        }
        EXPECT_TRUE(stopped.message.contains(QStringLiteral("done: 2; not done: 3, 4"))) << qPrintable(stopped.message);
    }
}

TEST(IdAssignmentPlanTest, RefusesWhatCannotBeGiven)
{
    EXPECT_EQ(makePlan({}).failure().kind, Failure::Kind::Usage);
    EXPECT_EQ(makePlan({3, 4, 3}).failure().kind, Failure::Kind::Usage);
    EXPECT_EQ(makePlan({3, 254}).failure().kind, Failure::Kind::Usage);
    EXPECT_EQ(makePlan({3, 4}, {}, 5).failure().kind, Failure::Kind::Usage);
    EXPECT_TRUE(makePlan({3, 1, 4})->factoryIdMoved);
    EXPECT_FALSE(makePlan({3, 4, 1})->factoryIdMoved);
}

}  // namespace
