// The bus of the window's Motion and Robot pages. Its jobs run on the encoder's serial queue, the
// one thread that writes to the port: a job's requests and replies are never interleaved with the
// other pages' frames, which wait in the queue until the job has ended. While a job runs, the port's
// reader hands its bytes straight to this bus (an input tap), not by way of the main thread; every
// other read goes to the port's delegate, the window's controller, as before. The controller still
// passes on the port's removal and errors. Jobs run one at a time in the order given; their results
// come back as signals, emitted on the main thread through the main thread's gate.
#pragma once

#include "Api/Bus/BusScan.h"
#include "Api/Bus/IdAssignment.h"
#include "Api/Bus/LoneServo.h"
#include "Api/Bus/MotionPlayer.h"
#include "Api/Bus/RobotWrite.h"
#include "Api/Bus/ServoAccess.h"
#include "Api/Bus/ServoBus.h"
#include "Api/SerialQueue.h"

#include <QList>
#include <QMap>
#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class BusWorker : public QObject, private ORSSerialPortInputTap {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    using Positions = QMap<int, int>;
    enum class Job { Scan, ReadStates, Capture, Torque, Play, FindLoneServo, ReadSettings, WriteSettings, Trim, Centre, RecordRange, AssignIds };
    Q_ENUM(Job)

    // wire is the queue every frame to port leaves from; it outlives the worker.
    BusWorker(ORSSerialPort::Ptr port, SerialQueue& wire, QObject* parent = nullptr);
    // Stops the running job and waits until none of this worker's jobs is left on the queue.
    ~BusWorker() override;

    ORSSerialPort* port() const { return m_port.get(); }

    // From the main thread: what the port told its delegate.
    void deliverRemoval();
    void deliverError(const ORSSerialPortError& error);

    // From the moment a job is given until it has ended and no reply it asked for can still come:
    // meanwhile the port's replies belong to this bus and no one else's.
    bool holdsBus() const { return m_jobsOpen.load() > 0; }
    // On the main thread: a job that keeps the bus until it is stopped (a play, a range recording) has
    // been given and has not ended. Whatever another page queued behind it would go out only after the
    // stop, so the pages refuse to give anything meanwhile.
    bool runsUntilStopped() const { return jobKeepingBus().has_value(); }
    // That job, for the pages to say which it is.
    std::optional<Job> jobKeepingBus() const;
    // The servo whose voltage and temperature a playing motion reads now and then; -1 for none.
    void setWatchedServo(int servoId) { m_watchedServo = servoId; }

    // The jobs.
    void scan(const QList<int>& ids);
    void readStates(const QList<int>& ids);
    void capture(const QList<int>& ids);
    void setTorque(const QList<int>& ids, bool on);
    // Whether one servo alone answers the broadcast address, before a page sends anything there:
    // found gets the finding on the main thread, unless the port failed.
    void findLoneServo(std::function<void(const LoneServo::Finding&)> found);
    // A "go to step" is a motion of that one step, played once.
    void play(const Motion& motion, const PlayOptions& options);

    // The Robot page's jobs. Each tells its outcome through a signal of its own; their finished
    // fails only when the port went or a stop dropped them.
    // Each servo's stored settings, or servoSilent.
    void readSettings(const QList<int>& ids);
    void writeSettings(const QList<RobotWrite::Change>& changes);
    // The offset adjustment, not stored: the servo moves by it.
    void adjustDeviation(int servoId, int deviation);
    void moveTo(const QList<int>& ids, int position, int timeMs);
    // Switches the servos' torque off and reads their positions over and over until stop(); then
    // switches it on again, also when a servo stopped answering meanwhile.
    void recordRange(const QList<int>& ids);
    // Gives new servos the plan's IDs one at a time until every joint is done or stop(); each step
    // comes as assignEvent, the run's end (a stop included) as its last.
    void assignIds(const IdAssignment::Plan& plan);

    // Ends the running job and drops the jobs given before now; a playing motion stops with every
    // answering servo holding where it is.
    void stop();

    // Seconds on the steady clock, as positionRead gives them.
    static double secondsOf(Clock::time_point time);

signals:
    void holdsBusChanged(bool holds);
    // runsUntilStopped() has changed.
    void runsUntilStoppedChanged(bool runs);
    void scanProgress(int asked, int total);
    void scanned(const BusScan::Outcome& outcome);
    void stateRead(int servoId, const ServoAccess::LiveState& state);
    // A servo of readStates that did not answer.
    void servoSilent(int servoId);
    void captured(const BusWorker::Positions& positions);
    void stepStarted(int loop, int stepIndex, int timeMs);
    void positionRead(int servoId, int position, double seconds);
    // A set-point of a streamed step went out: the servo is to be at position at seconds.
    void setPointSent(int servoId, int position, double seconds);
    void healthRead(int servoId, int millivolts, int celsius, double seconds);
    void settingsRead(int servoId, const ServoSettings& settings);
    void settingsWritten(const Result<RobotWrite::Outcome>& outcome);
    void rangePositions(const BusWorker::Positions& positions);
    // The recording's servos answered and their torque is off.
    void rangeStarted(const QList<int>& ids);
    // The recording has ended with the torque on again, or why not.
    void rangeEnded(const Result<void>& result);
    void assignEvent(const IdAssignment::Event& event);
    // Every job ends with this, also one dropped by stop() before it ran (then ran is false);
    // portGone when the port went meanwhile.
    void finished(BusWorker::Job job, const Result<void>& result, bool portGone, bool ran);

private:
    using Work = std::function<Result<void>(const std::function<bool()>& stopRequested)>;
    struct QueuedJob {
        Job job;
        int generation;
        Work work;
    };

    // Runs work on the queue, unless a stop came after it was given.
    void post(Job job, Work work);
    // Port news for the running job, passed to the bus in order while it waits.
    void tell(std::function<void()> news);
    // Runs signal (which emits one) on the main thread, unless this worker is gone by then.
    void tellMain(std::function<void()> signal);
    // A playing motion's position sample (or set-point) for the main thread: samples that wait for it
    // are merged behind one wake-up, as the port merges its input, so that 18 servos never cost 18 wake-ups.
    void tellPosition(const MotionPlayer::PositionSample& sample);
    // On the port's reader thread: the bytes are the running job's.
    bool takeInput(QByteArrayView data, Clock::time_point readTime) override;
    void runJob(const QueuedJob& queued);
    // The bus's waiter: passes on port news until done() holds, the deadline passes or the worker ends.
    void serveNewsUntil(Clock::time_point deadline, const std::function<bool()>& done);
    int troubleCount() const;
    Result<void> recordRangeOnBus(const QList<int>& ids, const std::function<bool()>& stopRequested);
    // What a Robot page job returns: its outcome went out by its own signal.
    Result<void> portState() const { return m_bus.isUsable() ? Result<void>() : m_bus.portFailure(); }

    ORSSerialPort::Ptr m_port;
    ServoBus m_bus;  // used on the thread only
    std::shared_ptr<BusWorker*> m_alive = std::make_shared<BusWorker*>(this);  // main thread only

    SerialQueue& m_wire;

    std::mutex m_mutex;  // guards the news, the count of jobs on the queue and the end flag
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_news;
    int m_jobsQueued = 0;
    bool m_ending = false;

    std::mutex m_samplesMutex;
    QList<MotionPlayer::PositionSample> m_samples;  // waiting for the main thread

    QList<Job> m_openJobs;  // main thread only: given and not yet finished, in order

    std::atomic<bool> m_exchanging{false};  // a job runs: the port's reads are its own
    std::atomic<int> m_jobsOpen{0};
    std::atomic<int> m_stopGeneration{0};
    std::atomic<int> m_watchedServo{-1};
};
