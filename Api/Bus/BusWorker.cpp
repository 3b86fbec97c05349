#include "Api/Bus/BusWorker.h"

#include "Api/Bus/Protocol.h"
#include "Api/SVFrameTools.h"
#include "Api/Source/ORSMainThreadGate.h"
#include "Api/Source/ThreadLatency.h"

namespace {

using namespace std::chrono_literals;

// A job that saw a reply missing or garbled listens this long before it lets go of the bus, so that a
// late reply lands here and never on another page.
constexpr ServoBus::Microseconds lateReplyWait = 30ms;
// Between two rounds of position reads while a range is recorded.
constexpr ServoBus::Microseconds rangeReadPause = 20ms;

}  // namespace

BusWorker::BusWorker(ORSSerialPort::Ptr port, SerialQueue& wire, ReplyRouter& replies, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_replies(replies)
    , m_bus(std::move(port), ServoBus::PortUse::Borrowed, &replies)
    , m_wire(wire)
{
    m_bus.setWaiter([this](Clock::time_point deadline, const std::function<bool()>& done) { serveNewsUntil(deadline, done); });
    // Taken with the lock that the waiter holds while it looks at done(), so no wake-up is lost.
    m_replies.setArrivalHook([this] {
        std::lock_guard lock(m_mutex);
        m_changed.notify_all();
    });
    m_port->setReceiver(&m_replies);
}

BusWorker::~BusWorker()
{
    stop();
    std::unique_lock lock(m_mutex);
    m_ending = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_jobsQueued == 0; });
    lock.unlock();
    m_port->removeReceiver(&m_replies);
    m_replies.setArrivalHook(nullptr);
}

double BusWorker::secondsOf(Clock::time_point time)
{
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

// ---- Between the threads ----

void BusWorker::tell(std::function<void()> news)
{
    {
        std::lock_guard lock(m_mutex);
        m_news.push_back(std::move(news));
    }
    m_changed.notify_all();
}

void BusWorker::tellMain(std::function<void()> signal)
{
    ORSMainThreadGate::post([alive = std::weak_ptr<BusWorker*>(m_alive), signal = std::move(signal)] {
        if (alive.lock())
            signal();
    });
}

void BusWorker::tellPosition(const MotionPlayer::PositionSample& sample)
{
    {
        std::lock_guard lock(m_samplesMutex);
        m_samples.append(sample);
        if (m_samples.size() > 1)
            return;  // a wake-up is on its way
    }
    tellMain([this] {
        QList<MotionPlayer::PositionSample> samples;
        {
            std::lock_guard lock(m_samplesMutex);
            samples.swap(m_samples);
        }
        for (const MotionPlayer::PositionSample& taken : samples)
            if (taken.commanded)
                emit setPointSent(taken.servoId, taken.position, secondsOf(taken.time));
            else
                emit positionRead(taken.servoId, taken.position, secondsOf(taken.time));
    });
}

void BusWorker::deliverRemoval()
{
    tell([this] { m_bus.serialPortWasRemovedFromSystem(nullptr); });
}

void BusWorker::deliverError(const ORSSerialPortError& error)
{
    tell([this, error] { m_bus.serialPortDidEncounterError(nullptr, error); });
}

void BusWorker::stop()
{
    ++m_stopGeneration;
}

std::optional<BusWorker::Job> BusWorker::jobKeepingBus() const
{
    for (Job job : m_openJobs)
        if (job == Job::Play || job == Job::RecordRange || job == Job::AssignIds)
            return job;
    return std::nullopt;
}

void BusWorker::post(Job job, Work work, Done done)
{
    const bool runsBefore = runsUntilStopped();
    m_openJobs.append(job);
    if (runsUntilStopped() != runsBefore)
        emit runsUntilStoppedChanged(true);
    if (m_jobsOpen.fetch_add(1) == 0)
        emit hasOpenJobsChanged(true);
    {
        std::lock_guard lock(m_mutex);
        ++m_jobsQueued;
    }
    m_wire.async([this, queued = QueuedJob{job, m_stopGeneration.load(), std::move(work), std::move(done)}] {
        runJob(queued);
        std::lock_guard lock(m_mutex);
        --m_jobsQueued;
        m_changed.notify_all();
    });
}

// ---- On the queue ----

void BusWorker::serveNewsUntil(Clock::time_point deadline, const std::function<bool()>& done)
{
    std::unique_lock lock(m_mutex);
    while (!done() && !m_ending) {
        if (m_news.empty()) {
            // A reply the bus awaits wakes this wait through the router's arrival hook.
            if (!m_changed.wait_until(lock, deadline, [&] { return m_ending || !m_news.empty() || done(); }))
                return;
            continue;
        }
        std::function<void()> news = std::move(m_news.front());
        m_news.pop_front();
        lock.unlock();
        news();
        lock.lock();
    }
}

void BusWorker::runJob(const QueuedJob& queued)
{
    // Moves must leave on time even when the processor is busy.
    ThreadLatency::requestShortSlice();
    const int generation = queued.generation;
    const std::function<bool()> stopRequested = [this, generation] { return m_stopGeneration.load() != generation; };
    Result<void> result = Failure::interrupted(QStringLiteral("stopped"));
    const bool ran = !stopRequested();
    if (ran) {
        // What the port told since the last job (a removal, an error) reaches the bus first.
        serveNewsUntil(Clock::now(), [] { return false; });
        m_bus.claimReplies(true);
        const int troubleBefore = troubleCount();
        result = m_bus.isUsable() ? queued.work(stopRequested) : m_bus.portFailure();
        if (troubleCount() != troubleBefore && m_bus.isUsable())
            m_bus.listen(lateReplyWait);
        m_bus.claimReplies(false);
        m_bus.takeLateReplies();
    }
    const bool portGone = !m_bus.isUsable();
    tellMain([this, end = JobEnd{queued.job, result, portGone, ran}, done = queued.done] {
        const bool runsBefore = runsUntilStopped();
        m_openJobs.removeOne(end.job);
        if (done)
            done(end);
        if (runsUntilStopped() != runsBefore)
            emit runsUntilStoppedChanged(false);
        if (m_jobsOpen.fetch_sub(1) == 1)
            emit hasOpenJobsChanged(false);
    });
}

// Replies missed or garbled so far, over every servo.
int BusWorker::troubleCount() const
{
    int count = 0;
    for (const auto& [id, statistics] : m_bus.statistics())
        count += statistics.timeouts + statistics.garbled;
    return count;
}

// ---- The jobs ----

void BusWorker::scan(const QList<int>& ids, Done done)
{
    post(Job::Scan, [this, ids](const std::function<bool()>& stopRequested) -> Result<void> {
        BusScan::Hooks hooks;
        hooks.stopRequested = stopRequested;
        hooks.progress = [this, total = int(ids.size())](int asked, int) { tellMain([this, asked, total] { emit scanProgress(asked, total); }); };
        const BusScan::Outcome outcome = BusScan::scan(m_bus, ids, hooks);
        tellMain([this, outcome] { emit scanned(outcome); });
        if (outcome.stopped)
            return Failure::interrupted(QStringLiteral("stopped"));
        return m_bus.isUsable() ? Result<void>() : m_bus.portFailure();
    }, std::move(done));
}

void BusWorker::readStates(const QList<int>& ids, Done done)
{
    post(Job::ReadStates, [this, ids](const std::function<bool()>& stopRequested) -> Result<void> {
        for (int id : ids) {
            if (stopRequested())
                return Failure::interrupted(QStringLiteral("stopped"));
            const Result<ServoAccess::LiveState> state = ServoAccess::readState(m_bus, id);
            if (!m_bus.isUsable())
                return m_bus.portFailure();
            if (!state) {
                tellMain([this, id] { emit servoSilent(id); });
                continue;
            }
            tellMain([this, id, state = *state, now = secondsOf(m_bus.replyReadTime())] {
                emit stateRead(id, state);
                emit positionRead(id, state.position, now);
                emit healthRead(id, state.voltageMillivolts, state.temperature, now);
            });
        }
        return {};
    }, std::move(done));
}

void BusWorker::capture(const QList<int>& ids, Done done)
{
    post(Job::Capture, [this, ids](const std::function<bool()>&) -> Result<void> {
        const Result<QMap<int, int>> positions = ServoAccess::readPositions(m_bus, ids);
        if (!positions)
            return positions.failure();
        tellMain([this, positions = *positions] { emit captured(positions); });
        return {};
    }, std::move(done));
}

void BusWorker::setTorque(const QList<int>& ids, bool on, Done done)
{
    post(Job::Torque, [this, ids, on](const std::function<bool()>&) { return ServoAccess::setTorque(m_bus, ids, on); }, std::move(done));
}

void BusWorker::findLoneServo(std::function<void(const LoneServo::Finding&)> found)
{
    post(Job::FindLoneServo, [this, found = std::move(found)](const std::function<bool()>&) -> Result<void> {
        // The window's frame log shows the look's reads, as it shows every frame the encoder sends.
        const Result<LoneServo::Finding> finding = LoneServo::take(m_bus, [](const QByteArray& frame) {
            SVFrameTools::logData(reinterpret_cast<const uint8_t*>(frame.constData()), int(frame.size()));
        });
        if (!finding)
            return finding.failure();
        tellMain([found, finding = *finding] { found(finding); });
        return {};
    });
}

void BusWorker::play(const Motion& motion, const PlayOptions& options, Done done)
{
    post(Job::Play, [this, motion, options](const std::function<bool()>& stopRequested) -> Result<void> {
        MotionPlayer player(m_bus, motion, options);
        if (Result<void> prepared = player.prepare(); !prepared)
            return prepared;
        player.stopRequested = stopRequested;
        player.onStepStart = [this](const MotionPlayer::StepStart& start) {
            tellMain([this, start] { emit stepStarted(start.loop, start.stepIndex, start.timeMs); });
        };
        player.onPosition = [this](const MotionPlayer::PositionSample& sample) { tellPosition(sample); };
        player.onSetPoint = [this](const MotionPlayer::SetPoint& point) { tellPosition({point.servoId, point.position, point.due, true}); };
        player.watchedServo = [this] { return m_watchedServo.load(); };
        player.onHealth = [this](const MotionPlayer::HealthSample& sample) {
            tellMain([this, sample] { emit healthRead(sample.servoId, sample.millivolts, sample.celsius, secondsOf(sample.time)); });
        };
        return player.play();
    }, std::move(done));
}

// ---- The Robot page's jobs ----

void BusWorker::readSettings(const QList<int>& ids, Done done)
{
    post(Job::ReadSettings, [this, ids](const std::function<bool()>& stopRequested) -> Result<void> {
        for (int id : ids) {
            if (stopRequested())
                return Failure::interrupted(QStringLiteral("stopped"));
            const Result<ServoSettings> settings = ServoAccess::readSettings(m_bus, id);
            if (!m_bus.isUsable())
                return m_bus.portFailure();
            if (settings)
                tellMain([this, id, settings = *settings] { emit settingsRead(id, settings); });
            else
                tellMain([this, id] { emit servoSilent(id); });
        }
        return {};
    }, std::move(done));
}

void BusWorker::writeSettings(const QList<RobotWrite::Change>& changes, Done done)
{
    post(Job::WriteSettings, [this, changes](const std::function<bool()>& stopRequested) {
        const Result<RobotWrite::Outcome> outcome = RobotWrite::write(m_bus, changes, stopRequested);
        tellMain([this, outcome] { emit settingsWritten(outcome); });
        return portState();
    }, std::move(done));
}

void BusWorker::adjustDeviation(int servoId, int deviation, Done done)
{
    post(Job::Trim, [this, servoId, deviation](const std::function<bool()>&) {
        return ServoAccess::adjustDeviation(m_bus, servoId, deviation);
    }, std::move(done));
}

void BusWorker::moveTo(const QList<int>& ids, int position, int timeMs, Done done)
{
    post(Job::Centre, [this, ids, position, timeMs](const std::function<bool()>&) {
        return ServoAccess::moveTo(m_bus, ids, position, timeMs);
    }, std::move(done));
}

void BusWorker::recordRange(const QList<int>& ids, Done done)
{
    post(Job::RecordRange, [this, ids](const std::function<bool()>& stopRequested) {
        const Result<void> ended = recordRangeOnBus(ids, stopRequested);
        tellMain([this, ended] { emit rangeEnded(ended); });
        return portState();
    }, std::move(done));
}

void BusWorker::assignIds(const IdAssignment::Plan& plan, Done done)
{
    post(Job::AssignIds, [this, plan](const std::function<bool()>& stopRequested) {
        IdAssignment::Hooks hooks;
        hooks.stopRequested = stopRequested;
        hooks.report = [this](const IdAssignment::Event& event) { tellMain([this, event] { emit assignEvent(event); }); };
        const Result<QList<IdAssignment::Joint>> done = IdAssignment::run(m_bus, plan, hooks);
        return done ? Result<void>() : Result<void>(done.failure());
    }, std::move(done));
}

Result<void> BusWorker::recordRangeOnBus(const QList<int>& ids, const std::function<bool()>& stopRequested)
{
    // Every servo answers before any goes limp.
    const Result<Positions> first = ServoAccess::readPositions(m_bus, ids);
    if (!first)
        return first.failure();
    tellMain([this, positions = *first] { emit rangePositions(positions); });
    Result<void> seen = ServoAccess::setTorque(m_bus, ids, false);
    if (seen)
        tellMain([this, ids] { emit rangeStarted(ids); });
    while (seen && !stopRequested()) {
        m_bus.listen(rangeReadPause);
        const Result<Positions> positions = ServoAccess::readPositions(m_bus, ids);
        if (!positions)
            seen = positions.failure();
        else
            tellMain([this, positions = *positions] { emit rangePositions(positions); });
    }
    const Result<void> on = ServoAccess::setTorque(m_bus, ids, true);
    return seen ? on : seen;
}
