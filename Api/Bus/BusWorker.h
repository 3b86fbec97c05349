// The window's bus: the one owner of the line. Its jobs (the Motion and Robot pages') run on the
// encoder's serial queue, the one thread that writes to the port, so a job's requests and replies are
// never interleaved with the other pages' frames, which wait in the queue until the job has ended.
// Every byte the port reads goes, on the port's reader thread, to the line's one reply router: a
// reply a job awaits wakes the job; the others go to the window's controller on the main thread,
// except while a job runs, when they are the job's late replies. The controller passes on the port's
// removal and errors. Jobs run one at a time in the order given. What a job finds comes back as
// signals, emitted on the main thread through the main thread's gate (a scan that both pages show is
// one job); how a job ended goes only to whoever gave it, through the Done it gave.
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

class BusWorker : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    using Positions = QMap<int, int>;
    enum class Job { Scan, ReadStates, Capture, Torque, Play, FindLoneServo, ReadSettings, WriteSettings, Trim, Centre, RecordRange, AssignIds };
    Q_ENUM(Job)
    // How a job ended: its result, whether the port went meanwhile, and whether it ran at all (a stop
    // drops the jobs given before it). The Robot page's jobs fail only when the port went or a stop
    // dropped them: their outcomes come by signals of their own.
    struct JobEnd {
        Job job;
        Result<void> result;
        bool portGone = false;
        bool ran = true;
    };
    // Called on the main thread once the job has ended, unless the worker is gone by then.
    using Done = std::function<void(const JobEnd& end)>;

    // wire is the queue every frame to port leaves from; replies is the line's reader, which the worker
    // makes the port's receiver while it lives. Both outlive the worker.
    BusWorker(ORSSerialPort::Ptr port, SerialQueue& wire, ReplyRouter& replies, QObject* parent = nullptr);
    // Stops the running job and waits until none of this worker's jobs is left on the queue.
    ~BusWorker() override;

    ORSSerialPort* port() const { return m_port.get(); }

    // From the main thread: what the port told its delegate.
    void deliverRemoval();
    void deliverError(const ORSSerialPortError& error);

    // From the moment a job is given until its end has been told on the main thread.
    bool hasOpenJobs() const { return m_jobsOpen.load() > 0; }
    // On the main thread: a job that keeps the bus until it is stopped (a play, a range recording) has
    // been given and has not ended. Whatever another page queued behind it would go out only after the
    // stop, so the pages refuse to give anything meanwhile.
    bool runsUntilStopped() const { return jobKeepingBus().has_value(); }
    // That job, for the pages to say which it is.
    std::optional<Job> jobKeepingBus() const;
    // The servo whose voltage and temperature a playing motion reads now and then; -1 for none.
    void setWatchedServo(int servoId) { m_watchedServo = servoId; }

    // The jobs.
    void scan(const QList<int>& ids, Done done = {});
    void readStates(const QList<int>& ids, Done done = {});
    void capture(const QList<int>& ids, Done done = {});
    void setTorque(const QList<int>& ids, bool on, Done done = {});
    // Whether one servo alone answers the broadcast address, before a page sends anything there:
    // found gets the finding on the main thread, unless the port failed.
    void findLoneServo(std::function<void(const LoneServo::Finding&)> found);
    // A "go to step" is a motion of that one step, played once.
    void play(const Motion& motion, const PlayOptions& options, Done done = {});

    // The Robot page's jobs. Each tells its outcome through a signal of its own.
    // Each servo's stored settings, or servoSilent.
    void readSettings(const QList<int>& ids, Done done = {});
    void writeSettings(const QList<RobotWrite::Change>& changes, Done done = {});
    // The offset adjustment, not stored: the servo moves by it.
    void adjustDeviation(int servoId, int deviation, Done done = {});
    void moveTo(const QList<int>& ids, int position, int timeMs, Done done = {});
    // Switches the servos' torque off and reads their positions over and over until stop(); then
    // switches it on again, also when a servo stopped answering meanwhile.
    void recordRange(const QList<int>& ids, Done done = {});
    // Gives new servos the plan's IDs one at a time until every joint is done or stop(); each step
    // comes as assignEvent, the run's end (a stop included) as its last.
    void assignIds(const IdAssignment::Plan& plan, Done done = {});

    // Ends the running job and drops the jobs given before now; a playing motion stops with every
    // answering servo holding where it is.
    void stop();

    // Seconds on the steady clock, as positionRead gives them.
    static double secondsOf(Clock::time_point time);

signals:
    void hasOpenJobsChanged(bool open);
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

private:
    using Work = std::function<Result<void>(const std::function<bool()>& stopRequested)>;
    struct QueuedJob {
        Job job;
        int generation;
        Work work;
        Done done;
    };

    // Runs work on the queue, unless a stop came after it was given; done gets its end.
    void post(Job job, Work work, Done done = {});
    // Port news for the running job, passed to the bus in order while it waits.
    void tell(std::function<void()> news);
    // Runs signal (which emits one) on the main thread, unless this worker is gone by then.
    void tellMain(std::function<void()> signal);
    // A playing motion's position sample (or set-point) for the main thread: samples that wait for it
    // are merged behind one wake-up, as the port merges its input, so that 18 servos never cost 18 wake-ups.
    void tellPosition(const MotionPlayer::PositionSample& sample);
    void runJob(const QueuedJob& queued);
    // The bus's waiter: passes on port news until done() holds, the deadline passes or the worker ends.
    void serveNewsUntil(Clock::time_point deadline, const std::function<bool()>& done);
    int troubleCount() const;
    Result<void> recordRangeOnBus(const QList<int>& ids, const std::function<bool()>& stopRequested);
    // What a Robot page job returns: its outcome went out by its own signal.
    Result<void> portState() const { return m_bus.isUsable() ? Result<void>() : m_bus.portFailure(); }

    ORSSerialPort::Ptr m_port;
    ReplyRouter& m_replies;
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

    std::atomic<int> m_jobsOpen{0};
    std::atomic<int> m_stopGeneration{0};
    std::atomic<int> m_watchedServo{-1};
};
