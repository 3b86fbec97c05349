#include "Api/Bus/BusWorker.h"

#include "Api/Bus/Protocol.h"
#include "Api/Source/ThreadLatency.h"

namespace {

using namespace std::chrono_literals;

// A job that saw a reply missing or garbled listens this long before it lets go of the bus, so that a
// late reply lands here and never on another page.
constexpr ServoBus::Microseconds lateReplyWait = 30ms;

}  // namespace

BusWorker::BusWorker(ORSSerialPort::Ptr port, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_bus(std::move(port), ServoBus::PortUse::Borrowed)
{
    m_thread.setObjectName(QStringLiteral("motion-bus"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
    // Moves must leave on time even when the processor is busy.
    QMetaObject::invokeMethod(m_context, [] { ThreadLatency::requestShortSlice(); }, Qt::QueuedConnection);
}

BusWorker::~BusWorker()
{
    stop();
    m_thread.quit();
    m_thread.wait();
}

double BusWorker::secondsOf(Clock::time_point time)
{
    return std::chrono::duration<double>(time.time_since_epoch()).count();
}

void BusWorker::deliverData(const QByteArray& data, Clock::time_point readTime)
{
    QMetaObject::invokeMethod(m_context, [this, data, readTime] { m_bus.serialPortDidReceiveDataReadAt(nullptr, data, readTime); },
                              Qt::QueuedConnection);
}

void BusWorker::deliverRemoval()
{
    QMetaObject::invokeMethod(m_context, [this] { m_bus.serialPortWasRemovedFromSystem(nullptr); }, Qt::QueuedConnection);
}

void BusWorker::deliverError(const ORSSerialPortError& error)
{
    QMetaObject::invokeMethod(m_context, [this, error] { m_bus.serialPortDidEncounterError(nullptr, error); }, Qt::QueuedConnection);
}

void BusWorker::stop()
{
    ++m_stopGeneration;
}

void BusWorker::post(Job job, std::function<Result<void>(const std::function<bool()>&)> work)
{
    if (m_jobsOpen.fetch_add(1) == 0)
        emit holdsBusChanged(true);
    const int generation = m_stopGeneration.load();
    QMetaObject::invokeMethod(m_context, [this, job, generation, work = std::move(work)] { runJob(job, generation, work); },
                              Qt::QueuedConnection);
}

void BusWorker::runJob(Job job, int generation, const std::function<Result<void>(const std::function<bool()>&)>& work)
{
    const std::function<bool()> stopRequested = [this, generation] { return m_stopGeneration.load() != generation; };
    Result<void> result = Failure::interrupted(QStringLiteral("stopped"));
    if (!stopRequested()) {
        const int troubleBefore = troubleCount();
        result = m_bus.isUsable() ? work(stopRequested) : m_bus.portFailure();
        if (troubleCount() != troubleBefore && m_bus.isUsable())
            m_bus.listen(lateReplyWait);
        m_bus.takeLateReplies();
    }
    emit finished(job, result, !m_bus.isUsable());
    if (m_jobsOpen.fetch_sub(1) == 1)
        emit holdsBusChanged(false);
}

// Replies missed or garbled so far, over every servo.
int BusWorker::troubleCount() const
{
    int count = 0;
    for (const auto& [id, statistics] : m_bus.statistics())
        count += statistics.timeouts + statistics.garbled;
    return count;
}

void BusWorker::scan(const QList<int>& ids)
{
    post(Job::Scan, [this, ids](const std::function<bool()>& stopRequested) -> Result<void> {
        BusScan::Hooks hooks;
        hooks.stopRequested = stopRequested;
        hooks.progress = [this, total = int(ids.size())](int asked, int) { emit scanProgress(asked, total); };
        const BusScan::Outcome outcome = BusScan::scan(m_bus, ids, hooks);
        emit scanned(outcome);
        if (outcome.stopped)
            return Failure::interrupted(QStringLiteral("stopped"));
        return m_bus.isUsable() ? Result<void>() : m_bus.portFailure();
    });
}

void BusWorker::readStates(const QList<int>& ids)
{
    post(Job::ReadStates, [this, ids](const std::function<bool()>& stopRequested) -> Result<void> {
        for (int id : ids) {
            if (stopRequested())
                return Failure::interrupted(QStringLiteral("stopped"));
            const Result<ServoAccess::LiveState> state = ServoAccess::readState(m_bus, id);
            if (!m_bus.isUsable())
                return m_bus.portFailure();
            if (state) {
                const double now = secondsOf(Clock::now());
                emit stateRead(id, *state);
                emit positionRead(id, state->position, now);
                emit healthRead(id, state->voltageMillivolts, state->temperature, now);
            } else {
                emit servoSilent(id);
            }
        }
        return {};
    });
}

void BusWorker::capture(const QList<int>& ids)
{
    post(Job::Capture, [this, ids](const std::function<bool()>&) -> Result<void> {
        const Result<QMap<int, int>> positions = ServoAccess::readPositions(m_bus, ids);
        if (!positions)
            return positions.failure();
        emit captured(*positions);
        return {};
    });
}

void BusWorker::setTorque(const QList<int>& ids, bool on)
{
    post(Job::Torque, [this, ids, on](const std::function<bool()>&) { return ServoAccess::setTorque(m_bus, ids, on); });
}

void BusWorker::play(const Motion& motion, const PlayOptions& options)
{
    post(Job::Play, [this, motion, options](const std::function<bool()>& stopRequested) -> Result<void> {
        MotionPlayer player(m_bus, motion, options);
        if (Result<void> prepared = player.prepare(); !prepared)
            return prepared;
        player.stopRequested = stopRequested;
        player.onStepStart = [this](const MotionPlayer::StepStart& start) { emit stepStarted(start.loop, start.stepIndex, start.timeMs); };
        player.onPosition = [this](const MotionPlayer::PositionSample& sample) {
            emit positionRead(sample.servoId, sample.position, secondsOf(sample.time));
        };
        player.watchedServo = [this] { return m_watchedServo.load(); };
        player.onHealth = [this](const MotionPlayer::HealthSample& sample) {
            emit healthRead(sample.servoId, sample.millivolts, sample.celsius, secondsOf(sample.time));
        };
        m_playing = true;
        Result<void> played = player.play();
        m_playing = false;
        return played;
    });
}
