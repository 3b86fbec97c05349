#include "python/BusSession.h"

#include "Api/Bus/BusScan.h"
#include "Api/Bus/MotionPlayer.h"
#include "Api/Bus/RobotWrite.h"
#include "Api/Bus/ServoAccess.h"
#include "VirtualServo/SVDemoServo.h"

#include <QFileInfo>

namespace {

QString listOrNothing(const QStringList& keys)
{
    return keys.isEmpty() ? QStringLiteral("nothing") : keys.join(QStringLiteral(", "));
}

}  // namespace

BusSession::BusSession(std::unique_ptr<SVDemoServo> demo, const QString& path, int retries)
    : m_demo(std::move(demo))
    , m_bus(std::make_unique<ServoBus>(ORSSerialPort::serialPortWithPath(path)))
    , m_path(path)
    , m_retries(retries)
{
}

BusSession::~BusSession() = default;

BusSession::Outcome<std::unique_ptr<BusSession>> BusSession::open(const QString& path, int retries)
{
    if (!QFileInfo::exists(path))
        return Error{FailureKind::PortGone, Failure::failed(QStringLiteral("%1: no such port").arg(path))};
    std::unique_ptr<BusSession> session(new BusSession(nullptr, path, retries));
    if (const Result<void> opened = session->m_bus->open(); !opened)
        return Error{FailureKind::PortGone, opened.failure()};
    return session;
}

BusSession::Outcome<std::unique_ptr<BusSession>> BusSession::openDemo(const QList<int>& ids, const QStringList& faults, int retries)
{
    auto demo = std::make_unique<SVDemoServo>(ids);
    if (!demo->isValid())
        return Error{FailureKind::PortGone, Failure::failed(QStringLiteral("no virtual bus: ") + demo->errorString())};
    // Paced like a real line, so that the demo shows real timings.
    demo->servo().setLinePacing(true);
    for (const QString& fault : faults)
        if (!demo->addFault(fault))
            return Error{FailureKind::BadValue, Failure::usage(QStringLiteral("unknown fault \"%1\" (faults: %2)")
                                                                   .arg(fault, SVDemoServo::faultNames.join(QStringLiteral(", "))))};
    const QString path = demo->servo().slavePath();
    std::unique_ptr<BusSession> session(new BusSession(std::move(demo), path, retries));
    if (const Result<void> opened = session->m_bus->open(); !opened)
        return Error{FailureKind::PortGone, opened.failure()};
    return session;
}

void BusSession::begin()
{
    m_countsBefore.clear();
    for (const auto& [id, statistics] : m_bus->statistics())
        m_countsBefore[id] = {statistics.garbled, statistics.timeouts};
}

BusSession::Error BusSession::errorOf(const Failure& failure) const
{
    if (!m_bus->isUsable())
        return {FailureKind::PortGone, m_bus->portFailure()};
    switch (failure.kind) {
    case Failure::Kind::Usage: return {FailureKind::BadValue, failure};
    case Failure::Kind::Interrupted: return {FailureKind::Interrupted, failure};
    case Failure::Kind::Failed: break;
    }
    if (failure.servoId < 0)
        return {FailureKind::Other, failure};
    // What the servo's requests did during the call tells a silent servo from two sharing its ID.
    const auto before = m_countsBefore.find(failure.servoId);
    const auto [garbledBefore, timeoutsBefore] = before == m_countsBefore.end() ? std::pair{0, 0} : before->second;
    const ServoStatistics now = m_bus->statisticsOf(failure.servoId);
    if (now.garbled > garbledBefore)
        return {FailureKind::SharedId, failure};
    if (now.timeouts > timeoutsBefore)
        return {FailureKind::NoReply, failure};
    return {FailureKind::Other, failure};
}

template <typename T>
BusSession::Outcome<T> BusSession::withRetries(const std::function<Result<T>()>& read)
{
    for (int attempt = 0;; ++attempt) {
        Result<T> result = read();
        if (result)
            return std::move(result).value();
        const Error error = errorOf(result.failure());
        if (error.kind != FailureKind::NoReply || attempt >= m_retries || stopRequested())
            return error;
    }
}

BusSession::Outcome<QList<int>> BusSession::scan(const QList<int>& ids)
{
    begin();
    BusScan::Hooks hooks;
    hooks.stopRequested = [this] { return stopRequested(); };
    const BusScan::Outcome outcome = BusScan::scan(*m_bus, ids, hooks);
    if (!m_bus->isUsable())
        return Error{FailureKind::PortGone, m_bus->portFailure()};
    if (outcome.stopped)
        return Error{FailureKind::Interrupted, Failure::interrupted(QStringLiteral("the scan was stopped"))};
    if (!outcome.conflicts.isEmpty()) {
        QStringList shared;
        for (int id : outcome.conflicts)
            shared.append(QString::number(id));
        const QString message = QStringLiteral("two servos may share ID %1: connect them one at a time and give one a new ID")
                                    .arg(shared.join(QStringLiteral(", ")));
        return Error{FailureKind::SharedId, Failure::failed(message).about(outcome.conflicts.first())};
    }
    QList<int> found;
    for (const BusScan::Found& servo : outcome.found)
        found.append(servo.id);
    return found;
}

BusSession::Outcome<QMap<int, int>> BusSession::positions(const QList<int>& ids)
{
    begin();
    QMap<int, int> positions;
    for (int id : ids) {
        Outcome<QMap<int, int>> one = withRetries<QMap<int, int>>([&] { return ServoAccess::readPositions(*m_bus, {id}); });
        if (const Error* error = std::get_if<Error>(&one))
            return *error;
        positions.insert(id, std::get<QMap<int, int>>(one).value(id));
    }
    return positions;
}

BusSession::Outcome<std::pair<int, int>> BusSession::angleLimitsOf(int id)
{
    if (const auto known = m_angleLimits.find(id); known != m_angleLimits.end())
        return known->second;
    Outcome<ServoSettings> settings = withRetries<ServoSettings>([&] { return ServoAccess::readSettings(*m_bus, id); });
    if (const Error* error = std::get_if<Error>(&settings))
        return *error;
    const ServoSettings& read = std::get<ServoSettings>(settings);
    return m_angleLimits[id] = {read.angleMin, read.angleMax};
}

BusSession::Outcome<bool> BusSession::move(const QMap<int, int>& targets, int timeMs)
{
    begin();
    if (timeMs < 0 || timeMs > MotionFile::maximumTimeMs)
        return Error{FailureKind::BadValue, Failure::usage(QStringLiteral("time_ms %1 is out of range 0-%2; nothing moved")
                                                               .arg(timeMs).arg(MotionFile::maximumTimeMs))};
    for (auto it = targets.begin(); it != targets.end(); ++it) {
        if (it.value() < 0 || it.value() > MotionFile::maximumPosition)
            return Error{FailureKind::BadValue, Failure::usage(QStringLiteral("servo %1: position %2 is out of range 0-%3; nothing moved")
                                                                   .arg(it.key()).arg(it.value()).arg(MotionFile::maximumPosition)).about(it.key())};
        const Outcome<std::pair<int, int>> limits = angleLimitsOf(it.key());
        if (const Error* error = std::get_if<Error>(&limits))
            return *error;
        const auto [minimum, maximum] = std::get<std::pair<int, int>>(limits);
        if (it.value() < minimum || it.value() > maximum)
            return Error{FailureKind::BadValue, Failure::usage(QStringLiteral("servo %1: position %2 is outside its angle limits %3-%4; nothing moved")
                                                                   .arg(it.key()).arg(it.value()).arg(minimum).arg(maximum)).about(it.key())};
    }
    for (auto it = targets.begin(); it != targets.end(); ++it)
        if (const Result<void> sent = ServoAccess::moveTo(*m_bus, {it.key()}, it.value(), timeMs); !sent)
            return errorOf(sent.failure());
    return true;
}

BusSession::Outcome<bool> BusSession::torque(const QList<int>& ids, bool on)
{
    begin();
    if (const Result<void> sent = ServoAccess::setTorque(*m_bus, ids, on); !sent)
        return errorOf(sent.failure());
    for (int id : ids) {
        const Outcome<bool> state = withRetries<bool>([&] { return ServoAccess::readTorque(*m_bus, id); });
        if (const Error* error = std::get_if<Error>(&state))
            return *error;
        if (std::get<bool>(state) != on)
            return Error{FailureKind::Other, Failure::failed(QStringLiteral("servo %1: torque reads back %2").arg(id).arg(on ? "off" : "on")).about(id)};
    }
    return true;
}

BusSession::Outcome<ServoSettings> BusSession::readSettings(int id)
{
    begin();
    return withRetries<ServoSettings>([&] { return ServoAccess::readSettings(*m_bus, id); });
}

BusSession::Outcome<SettingValues> BusSession::writeSettings(int id, const SettingValues& values)
{
    begin();
    m_angleLimits.erase(id);
    m_angleLimits.erase(values.value(QStringLiteral("id"), id));
    RobotWrite::Options options;
    options.changeIds = true;
    const Result<RobotWrite::Outcome> written = RobotWrite::write(*m_bus, {{id, values, std::nullopt}}, stopRequested, options);
    if (!written)
        return errorOf(written.failure());
    if (written->servos.isEmpty())
        return SettingValues{};
    const RobotWrite::ServoOutcome& servo = written->servos.first();
    if (written->stopped) {
        Error error = errorOf(*written->stopped);
        error.failure.message = QStringLiteral("servo %1: stopped (%2); written: %3; not written: %4; the backup stays in %5")
                                    .arg(id).arg(error.failure.message, listOrNothing(servo.writtenKeys),
                                                 listOrNothing(servo.unwrittenKeys), servo.backup);
        return error;
    }
    if (!servo.answered)
        return Error{FailureKind::NoReply, Failure::failed(QStringLiteral("servo %1 was written but did not answer the read-back; the backup stays in %2")
                                                               .arg(id).arg(servo.backup)).about(id)};
    if (!servo.differingKeys.isEmpty()) {
        QStringList differences;
        for (const QString& key : servo.differingKeys) {
            const SettingField* field = SettingField::byKey(key);
            differences.append(QStringLiteral("%1: wrote %2, read back %3")
                                   .arg(key, field->valueText(servo.target.*field->member), field->valueText(servo.readBack.*field->member)));
        }
        return Error{FailureKind::Other, Failure::failed(QStringLiteral("servo %1: %2; the backup stays in %3")
                                                             .arg(id).arg(differences.join(QStringLiteral("; ")), servo.backup)).about(id)};
    }
    SettingValues result;
    for (const QString& key : servo.writtenKeys)
        result.insert(key, servo.target.*SettingField::byKey(key)->member);
    return result;
}

BusSession::Outcome<int> BusSession::voltageMillivolts(int id)
{
    begin();
    return withRetries<int>([&] { return ServoAccess::readVoltageMillivolts(*m_bus, id); });
}

BusSession::Outcome<int> BusSession::temperature(int id)
{
    begin();
    return withRetries<int>([&] { return ServoAccess::readTemperature(*m_bus, id); });
}

BusSession::Outcome<bool> BusSession::play(const Motion& motion, int loops, double speed)
{
    begin();
    PlayOptions options;
    options.loops = loops < 0 ? motion.repeat : loops;
    options.speed = speed;
    MotionPlayer player(*m_bus, motion, options);
    player.stopRequested = [this] { return stopRequested(); };
    if (const Result<void> prepared = player.prepare(); !prepared)
        return errorOf(prepared.failure());
    if (stopRequested())
        return Error{FailureKind::Interrupted, Failure::interrupted(QStringLiteral("stopped; nothing moved"))};
    if (const Result<void> played = player.play(); !played)
        return errorOf(played.failure());
    return true;
}
