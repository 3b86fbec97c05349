#include "Api/Bus/MotionPlayer.h"

#include "Api/Bus/Protocol.h"
#include "Api/Bus/SVReplyDecoder.h"

#include <algorithm>
#include <cmath>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A position read while playing may take this long before it counts as missed (a slow servo's
// reply that comes later still counts); it is only started when the next step is further away
// than readBudget, so that reads never hold back a move.
constexpr ServoBus::Microseconds readTimeout = 30ms;
constexpr MotionPlayer::Clock::duration readBudget = 40ms;
// Missed reads in a row after which a servo counts as silent.
constexpr int silentAfter = 3;
// Between ticks a read is started only when this much is left once the line is free: the read's
// own 14 bytes and the servo's turnaround, with room for the host to wake up.
constexpr MotionPlayer::Clock::duration streamedReadBudget = 2ms;

QString stepLabel(const Motion& motion, qsizetype index)
{
    const QString& name = motion.steps[index].name;
    return name.isEmpty() ? QStringLiteral("step %1").arg(index + 1) : QStringLiteral("step %1 (\"%2\")").arg(index + 1).arg(name);
}

std::chrono::duration<double, std::milli> milliseconds(double ms)
{
    return std::chrono::duration<double, std::milli>(ms);
}

}  // namespace

MotionPlayer::MotionPlayer(ServoBus& bus, Motion motion, PlayOptions options)
    : m_bus(bus)
    , m_motion(std::move(motion))
    , m_options(options)
    , m_servos(m_motion.servoIds())
{
}

Result<void> MotionPlayer::prepare()
{
    if (!(m_options.speed >= PlayOptions::slowest && m_options.speed <= PlayOptions::fastest))
        return Failure::usage(QStringLiteral("speed %1 is out of range %2-%3").arg(m_options.speed).arg(PlayOptions::slowest).arg(PlayOptions::fastest));
    if (!(m_options.approachSpeed >= PlayOptions::slowestApproach && m_options.approachSpeed <= PlayOptions::fastestApproach))
        return Failure::usage(QStringLiteral("approach speed %1 is out of range %2-%3 units/ms")
                                  .arg(m_options.approachSpeed).arg(PlayOptions::slowestApproach).arg(PlayOptions::fastestApproach));
    if (m_motion.steps.isEmpty())
        return Failure::usage(QStringLiteral("no steps to play"));
    QMap<int, SVReplyValue::AngleLimits> limits;
    for (int id : m_servos) {
        const int garbledBefore = m_bus.statisticsOf(id).garbled;
        const Result<SVReply> position = m_bus.readTwice(id, SVProtocol::ReadPosition);
        const Result<SVReply> angle = position ? m_bus.readTwice(id, SVProtocol::ReadAngleLimit) : position;
        if (!angle && !m_bus.isUsable())
            return m_bus.portFailure();
        if (!angle && m_bus.statisticsOf(id).garbled > garbledBefore)
            return Failure::failed(QStringLiteral("servo %1's replies are garbled: two servos may share ID %1; nothing moved").arg(id)).about(id);
        if (!angle)
            return Failure::failed(QStringLiteral("servo %1 did not answer; nothing moved").arg(id)).about(id);
        m_startPositions.insert(id, std::get<SVReplyValue::Position>(position->value).position);
        limits.insert(id, std::get<SVReplyValue::AngleLimits>(angle->value));
    }
    m_newestPositions = m_startPositions;
    const bool streams = std::any_of(m_motion.steps.begin(), m_motion.steps.end(), [](const MotionStep& step) { return step.curve != MotionCurve::Linear; });
    const Result<double> rate = m_options.rate > 0 || streams
        ? MotionPlan::checkedRate(m_options.rate > 0 ? m_options.rate : MotionPlan::chosenRate(int(m_servos.size())), int(m_servos.size()))
        : Result<double>(MotionPlan::chosenRate(int(m_servos.size())));
    if (!rate)
        return Failure::usage(rate.failure().message + QStringLiteral("; nothing moved"));
    m_plan.rate = *rate;
    m_plan.speed = m_options.speed;
    m_plan.approachSpeed = m_options.approachSpeed;
    for (auto it = limits.begin(); it != limits.end(); ++it)
        m_plan.limits.insert(it.key(), {it.value().minimum, it.value().maximum});
    for (qsizetype i = 0; i < m_motion.steps.size(); ++i) {
        const MotionStep& step = m_motion.steps[i];
        for (auto it = step.positions.begin(); it != step.positions.end(); ++it) {
            const SVReplyValue::AngleLimits& limit = limits[it.key()];
            if (it.value() < limit.minimum || it.value() > limit.maximum)
                return Failure::usage(QStringLiteral("%1: servo %2: position %3 is outside its angle limits %4-%5; nothing moved")
                                          .arg(stepLabel(m_motion, i)).arg(it.key()).arg(it.value()).arg(limit.minimum).arg(limit.maximum))
                    .about(it.key());
        }
        if (std::lround(step.timeMs / m_options.speed) > MotionFile::maximumTimeMs)
            return Failure::usage(QStringLiteral("%1: time_ms %2 at speed %3 would be %4 ms, more than a move carries (%5)")
                                      .arg(stepLabel(m_motion, i)).arg(step.timeMs).arg(m_options.speed)
                                      .arg(std::lround(step.timeMs / m_options.speed)).arg(MotionFile::maximumTimeMs));
    }
    MotionPlan::State state;
    state.newest = m_newestPositions;
    for (qsizetype i = 0; i < m_motion.steps.size(); ++i)
        if (MotionPlan::planStep(m_motion, i, -1, state, m_plan).moveMs > MotionFile::maximumTimeMs)
            return Failure::usage(QStringLiteral("the first moves would take more than %1 ms at approach speed %2; raise the approach speed")
                                      .arg(MotionFile::maximumTimeMs).arg(m_options.approachSpeed));
    return {};
}

double MotionPlayer::slotMsOf(const MotionStep& step) const
{
    return (step.timeMs + step.pauseMs) / m_options.speed;
}

Result<void> MotionPlayer::play()
{
    Clock::time_point start = Clock::now();
    m_nextPoll = start;
    m_nextHealth = start + healthInterval;
    double offsetMs = 0;
    const auto dueAt = [&] { return start + std::chrono::duration_cast<Clock::duration>(milliseconds(offsetMs)); };
    bool afterSkip = false;
    MotionPlan::State state;
    for (int loop = 1; m_options.loops == 0 || loop <= m_options.loops; ++loop) {
        for (qsizetype i = 0; i < m_motion.steps.size(); ++i) {
            const MotionStep& step = m_motion.steps[i];
            Clock::time_point due = dueAt();
            if (Result<void> waited = waitFor(due); !waited)
                return waited;
            const Clock::duration late = Clock::now() - due;
            const auto slot = std::chrono::duration_cast<Clock::duration>(milliseconds(slotMsOf(step)));
            if (late > std::max<Clock::duration>(slot, skipTolerance)) {
                if (onStepSkipped)
                    onStepSkipped({loop, int(i), due, late});
                offsetMs += slotMsOf(step);
                afterSkip = true;
                continue;
            }
            if (std::exchange(afterSkip, false)) {
                // The skipped targets were never sent: every servo's next move goes from where it is,
                // and the schedule goes on from now.
                readPositionsOf(step);
                state.targets.clear();
                state.speeds.clear();
                start += Clock::now() - due;
                due = dueAt();
            }
            state.newest = m_newestPositions;
            const MotionPlan::StepPlan plan = MotionPlan::planStep(m_motion, i, MotionPlan::nextStep(m_motion, i, loop, m_options.loops), state, m_plan);
            if (plan.ticks == 0) {
                if (Result<void> sent = sendStep(step, plan.moveTimeMs); !sent)
                    return sent;
                if (onStepStart)
                    onStepStart({loop, int(i), plan.moveTimeMs, 0, due, Clock::now()});
            } else {
                if (onStepStart)
                    onStepStart({loop, int(i), int(std::lround(plan.moveMs)), plan.ticks, due, Clock::now()});
                if (Result<void> streamed = streamStep(plan, due); !streamed)
                    return streamed;
            }
            offsetMs += plan.moveMs + plan.pauseMs;
        }
    }
    return waitFor(dueAt());
}

Result<void> MotionPlayer::waitFor(Clock::time_point due)
{
    switch (waitUntil(due)) {
    case WaitEnd::Due:
        return {};
    case WaitEnd::Stop:
        holdAll();
        return Failure::interrupted(QStringLiteral("stopped; the servos hold where they are"));
    case WaitEnd::PortGone:
        return m_bus.portFailure();
    case WaitEnd::ServoSilent:
        break;
    }
    holdAll();
    return Failure::failed(QStringLiteral("servo %1 stopped answering; the others hold where they are").arg(m_silentServo)).about(m_silentServo);
}

Result<void> MotionPlayer::sendStep(const MotionStep& step, int timeMs)
{
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it) {
        m_setPoints.remove(it.key());
        if (Result<void> sent = m_bus.write(it.key(), SVProtocol::Move, SVProtocol::wordBytes(it.value()) + SVProtocol::wordBytes(timeMs)); !sent)
            return sent;
    }
    return {};
}

Result<void> MotionPlayer::streamStep(const MotionPlan::StepPlan& plan, Clock::time_point stepDue)
{
    const auto tick = std::chrono::duration_cast<Clock::duration>(milliseconds(plan.tickMs()));
    for (int index = 0; index < plan.ticks; ++index) {
        const Clock::time_point due = stepDue + std::chrono::duration_cast<Clock::duration>(milliseconds(plan.tickMs() * index));
        if (index > 0) {
            m_streaming = true;
            const Result<void> waited = waitFor(due);
            m_streaming = false;
            if (!waited)
                return waited;
        }
        if (index + 1 < plan.ticks && Clock::now() - due > tick) {
            ++m_skippedTicks;
            continue;
        }
        for (auto it = plan.setPoints.begin(); it != plan.setPoints.end(); ++it) {
            const int position = it.value()[index];
            m_setPoints.insert(it.key(), position);
            if (Result<void> sent = m_bus.write(it.key(), SVProtocol::Move, SVProtocol::wordBytes(position) + SVProtocol::wordBytes(plan.moveTimeMs)); !sent)
                return sent;
            if (onSetPoint)
                onSetPoint({it.key(), position, due + tick});
        }
        m_lineFreeAt = Clock::now() + std::chrono::duration_cast<Clock::duration>(milliseconds(plan.setPoints.size() * MotionPlan::moveFrameMs));
    }
    return {};
}

bool MotionPlayer::readsFit(Clock::time_point now, Clock::time_point due, int reads) const
{
    if (!m_streaming)
        return due - now > reads * readBudget;
    return due - std::max(now, m_lineFreeAt) > reads * streamedReadBudget;
}

MotionPlayer::WaitEnd MotionPlayer::waitUntil(Clock::time_point due)
{
    while (true) {
        if (stopRequested())
            return WaitEnd::Stop;
        if (!m_bus.isUsable())
            return WaitEnd::PortGone;
        const Clock::time_point now = Clock::now();
        if (now >= due)
            return WaitEnd::Due;
        if (now >= m_nextPoll && readsFit(now, due, 1) && !m_servos.isEmpty()) {
            if (!pollNext(due))
                return m_bus.isUsable() ? WaitEnd::ServoSilent : WaitEnd::PortGone;
            continue;
        }
        if (now >= m_nextHealth && readsFit(now, due, 2)) {
            readHealth(due);
            continue;
        }
        // Listen (the port's news arrive) until shortly before the next poll or the due time, then
        // sleep the last stretch: an event loop's timer is only as exact as a millisecond. A poll or
        // health read that could not start before the move anyway does not wake the player.
        Clock::time_point wake = due - 2ms;
        if (m_nextPoll > now && readsFit(m_nextPoll, due, 1) && !m_servos.isEmpty())
            wake = std::min(wake, m_nextPoll);
        if (m_nextHealth > now && readsFit(m_nextHealth, due, 2))
            wake = std::min(wake, m_nextHealth);
        if (wake - now >= 1ms)
            m_bus.listen(std::min<ServoBus::Microseconds>(std::chrono::duration_cast<ServoBus::Microseconds>(wake - now), 10ms));
        else if (due - now <= 2ms)
            std::this_thread::sleep_until(due);
        else
            std::this_thread::sleep_for(std::min<Clock::duration>(due - now - 2ms, 1ms));
    }
}

bool MotionPlayer::pollNext(Clock::time_point due)
{
    const int id = m_servos[m_pollIndex];
    m_pollIndex = (m_pollIndex + 1) % m_servos.size();
    if (m_pollIndex == 0)
        m_nextPoll = std::max(m_nextPoll + m_options.pollInterval, Clock::now());
    const Result<SVReply> reply = m_bus.read(id, SVProtocol::ReadPosition, readTimeoutBefore(due));
    // Late replies answer earlier reads: they go first, so that the newest position stays the newest.
    for (const SVReply& late : m_bus.takeLateReplies())
        if (late.command == SVProtocol::ReadPosition && m_servos.contains(late.servoId))
            notePosition(late, Clock::now());
    if (reply)
        notePosition(*reply, m_bus.replyReadTime());
    else
        ++m_misses[id];
    if (m_misses[id] < silentAfter)
        return true;
    m_silentServo = id;
    return false;
}

// Missed health reads do not count towards a servo's silence: they are not what the motion needs.
ServoBus::Microseconds MotionPlayer::readTimeoutBefore(Clock::time_point due) const
{
    // Between ticks a read waits no longer than the next tick allows; a reply after that still counts.
    if (!m_streaming)
        return readTimeout;
    return std::clamp(std::chrono::duration_cast<ServoBus::Microseconds>(due - Clock::now() - 1ms), ServoBus::Microseconds(1ms), readTimeout);
}

void MotionPlayer::readHealth(Clock::time_point due)
{
    m_nextHealth = Clock::now() + healthInterval;
    const int id = watchedServo();
    if (id < 0)
        return;
    const Result<SVReply> voltage = m_bus.read(id, SVProtocol::ReadVoltage, readTimeoutBefore(due));
    const Result<SVReply> temperature = voltage ? m_bus.read(id, SVProtocol::ReadTemperature, readTimeoutBefore(due)) : voltage;
    if (!temperature || !onHealth)
        return;
    const auto* millivolts = std::get_if<SVReplyValue::Voltage>(&voltage->value);
    const auto* celsius = std::get_if<SVReplyValue::Temperature>(&temperature->value);
    if (millivolts && celsius)
        onHealth({id, millivolts->millivolts, celsius->celsius, m_bus.replyReadTime()});
}

void MotionPlayer::readPositionsOf(const MotionStep& step)
{
    for (auto it = step.positions.begin(); it != step.positions.end() && m_bus.isUsable(); ++it)
        if (const Result<SVReply> reply = m_bus.read(it.key(), SVProtocol::ReadPosition, readTimeout))
            notePosition(*reply, m_bus.replyReadTime());
}

void MotionPlayer::notePosition(const SVReply& reply, Clock::time_point readTime)
{
    const auto* position = std::get_if<SVReplyValue::Position>(&reply.value);
    if (!position)
        return;
    m_misses[reply.servoId] = 0;
    m_newestPositions.insert(reply.servoId, position->position);
    if (onPosition)
        onPosition({reply.servoId, position->position, readTime});
}

void MotionPlayer::holdAll()
{
    // A servo on set-points is at most a tick from its last one: it is sent there at once, before
    // any read could hold the others back.
    for (auto it = m_setPoints.begin(); it != m_setPoints.end(); ++it)
        if (it.key() != m_silentServo && m_bus.isUsable()
            && m_bus.write(it.key(), SVProtocol::Move, SVProtocol::wordBytes(it.value()) + SVProtocol::wordBytes(0)))
            m_held.append(it.key());
    for (int id : m_servos) {
        if (id == m_silentServo || m_setPoints.contains(id) || !m_bus.isUsable())
            continue;
        // Asked twice with the usual time-out: a servo left out would go on to its target.
        const Result<SVReply> reply = m_bus.readTwice(id, SVProtocol::ReadPosition);
        const auto* position = reply ? std::get_if<SVReplyValue::Position>(&reply->value) : nullptr;
        if (position && m_bus.write(id, SVProtocol::Move, SVProtocol::wordBytes(position->position) + SVProtocol::wordBytes(0)))
            m_held.append(id);
    }
}
