// The window's bus over a pseudo-terminal to a virtual bus of servos 1, 2 and 7, its jobs on a queue of
// their own, the port's removal and errors passed on by a delegate as the window's controller does: a
// scan, a play stopped with every servo told to hold, and a stop that drops the jobs given before it.
#include "Api/Bus/BusWorker.h"
#include "Api/Bus/Protocol.h"
#include "support/core/BusWorkerRig.h"

#include <gtest/gtest.h>

namespace {

const QList<int> busIds{1, 2, 7};

// What the worker told, received on the main thread as the window receives it.
struct Told : QObject {
    explicit Told(BusWorker& worker)
    {
        connect(&worker, &BusWorker::hasOpenJobsChanged, this, [this](bool open) { this->open.append(open); });
        connect(&worker, &BusWorker::scanned, this, [this](const BusScan::Outcome& outcome) {
            for (const BusScan::Found& servo : outcome.found)
                found.append(servo.id);
        });
        connect(&worker, &BusWorker::stepStarted, this, [this] { ++steps; });
        connect(&worker, &BusWorker::positionRead, this, [this] { ++positions; });
        connect(&worker, &BusWorker::captured, this, [this](const BusWorker::Positions& p) { captured.append(p); });
    }
    // What this asker is told of the jobs it gave.
    BusWorker::Done done()
    {
        return [this](const BusWorker::JobEnd& end) { results.append(end.result); };
    }
    QList<bool> open;
    QList<int> found;
    QList<Result<void>> results;
    int steps = 0;
    int positions = 0;
    QList<BusWorker::Positions> captured;
};

class BusWorkerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.open()) << qPrintable(bus.errorString()); }

    // Servo ID to the move times it was sent since the records were cleared.
    QMultiMap<int, int> moveTimes() const
    {
        QMultiMap<int, int> times;
        for (const VirtualServo::Chunk& chunk : bus.receivedFrames()) {
            const QByteArray& f = chunk.bytes;
            if (quint8(f.at(SVProtocol::commandOffset)) == SVProtocol::Move)
                times.insert(quint8(f.at(2)), SVProtocol::wordFrom(uint8_t(f.at(7)), uint8_t(f.at(8))));
        }
        return times;
    }

    static Motion swing()
    {
        return {0, {{QStringLiteral("out"), 400, 0, {{1, 300}, {2, 700}, {7, 300}}},
                    {QStringLiteral("back"), 400, 0, {{1, 700}, {2, 300}, {7, 700}}}}};
    }

    BusWorkerRig rig{VirtualServo::servosWithIds(busIds)};
    VirtualServo& bus = rig.bus;
    std::unique_ptr<BusWorker>& worker = rig.worker;
};

TEST_F(BusWorkerTest, ScansThenPlaysUntilStoppedAndLeavesEveryServoHolding)
{
    Told told(*worker);
    worker->scan({0, 1, 2, 3, 7, 8}, told.done());
    EXPECT_TRUE(worker->hasOpenJobs()) << "a job is not open from the moment it is given";
    ASSERT_TRUE(waitForCondition([&] { return told.results.size() == 1 && !worker->hasOpenJobs(); }, 10000)) << "the scan did not end";
    EXPECT_EQ(told.found, busIds);
    ASSERT_TRUE(waitForCondition([&] { return told.open.size() == 2; }));
    EXPECT_EQ(told.open, QList<bool>({true, false}));

    bus.clearRecords();
    PlayOptions untilStopped;
    untilStopped.loops = 0;
    worker->play(swing(), untilStopped, told.done());
    ASSERT_TRUE(waitForCondition([&] { return told.steps >= 3; }, 10000)) << "the motion did not play";
    EXPECT_GT(told.positions, 0) << "no position was read while playing";
    worker->stop();
    ASSERT_TRUE(waitForCondition([&] { return told.results.size() == 2; }, 10000)) << "the stop did not end the play";
    EXPECT_EQ(told.results.at(1).failure().kind, Failure::Kind::Interrupted);
    for (int id : busIds)
        EXPECT_TRUE(moveTimes().values(id).contains(0)) << "servo " << id << " was not told to hold";
}

TEST_F(BusWorkerTest, AStopDropsTheJobsGivenBeforeItWithoutMovingAnything)
{
    Told told(*worker);
    bus.clearRecords();
    QList<BusWorker::Job> toldOther;  // another page's jobs: their ends are its own
    worker->readStates(busIds, told.done());
    worker->scan({1}, [&](const BusWorker::JobEnd& end) { toldOther.append(end.job); });
    worker->play(swing(), PlayOptions{}, told.done());
    worker->stop();
    ASSERT_TRUE(waitForCondition([&] { return told.results.size() == 2; }, 10000));
    EXPECT_EQ(toldOther, QList<BusWorker::Job>{BusWorker::Job::Scan}) << "an end went to the wrong asker";
    // The reads may have begun before the stop; the play waits behind them and never starts.
    EXPECT_EQ(told.results.at(1).failure().kind, Failure::Kind::Interrupted);
    EXPECT_TRUE(moveTimes().isEmpty()) << "a dropped play moved a servo";
    EXPECT_TRUE(waitForCondition([&] { return !worker->hasOpenJobs(); }));

    worker->capture(busIds, told.done());  // jobs given after the stop run
    ASSERT_TRUE(waitForCondition([&] { return told.captured.size() == 1; }, 10000)) << "a job after the stop did not run";
    EXPECT_EQ(told.captured.at(0).keys(), busIds);
}

}  // namespace
