#include "Api/Bus/IdAssignment.h"
#include "Api/Bus/Protocol.h"

#include "Api/Bus/BusScan.h"
#include "Api/Bus/ServoAccess.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace IdAssignment {

namespace {

using namespace std::chrono_literals;

// Each round asks the factory ID, the done joints' IDs (a newcomer may share one), the unknown
// servos already heard and this many IDs of the sweep over every ID: a newcomer at the factory ID is
// heard within one round, one at any other ID within one sweep (8 rounds).
constexpr int sweepChunk = 32;
// A probe as short as a scan's: an absent ID costs only this.
constexpr ServoBus::Microseconds probeTimeout = 3ms;
// The wiggle: this far from where the servo stands, there and back, each move in moveTime and
// watched for settleTime.
constexpr int wiggleUnits = 50;
constexpr int wiggleMoveMs = 120;
constexpr auto wiggleSettle = 140ms;

QString idList(const QList<Joint>& joints)
{
    QStringList ids;
    for (const Joint& joint : joints)
        ids.append(QString::number(joint.id));
    return ids.isEmpty() ? QStringLiteral("none") : ids.join(QStringLiteral(", "));
}

template <typename T>
std::optional<T> readValue(ServoBus& bus, int servoId, int command)
{
    const Result<SVReply> reply = bus.readTwice(servoId, command);
    if (!reply)
        return std::nullopt;
    if (const T* value = std::get_if<T>(&reply->value))
        return *value;
    return std::nullopt;
}

bool answers(ServoBus& bus, int servoId)
{
    return bool(bus.read(servoId, SVProtocol::ReadTemperature, probeTimeout));
}

class Run {
public:
    Run(ServoBus& bus, const Plan& plan, const Hooks& hooks)
        : m_bus(bus)
        , m_plan(plan)
        , m_hooks(hooks)
    {
    }

    Result<QList<Joint>> run()
    {
        if (Result<void> begun = begin(); !begun)
            return begun.failure();
        while (!m_pending.isEmpty()) {
            const Joint joint = m_pending.first();
            Result<void> given = giveNext(joint);
            if (!given)
                return given.failure();
        }
        m_hooks.report(Finished{m_done});
        return m_done;
    }

private:
    // Sorts the plan's joints into done and pending: in a redo every other joint is done; otherwise
    // those whose ID answers now, but the factory ID, which a newcomer may carry.
    Result<void> begin()
    {
        const bool connectAlone = m_plan.redo && *m_plan.redo != factoryId
            && std::any_of(m_plan.joints.begin(), m_plan.joints.end(), [](const Joint& j) { return j.id == factoryId; });
        m_connectAlone = connectAlone;
        m_hooks.report(Started{m_plan, connectAlone});
        QList<int> ids{factoryId};
        for (const Joint& joint : m_plan.joints)
            if (!ids.contains(joint.id))
                ids.append(joint.id);
        const BusScan::Outcome outcome = BusScan::scan(m_bus, ids, scanHooks());
        if (Result<void> going = stillGoing(outcome.stopped); !going)
            return going;
        for (const Joint& joint : m_plan.joints) {
            const bool answered = std::any_of(outcome.found.begin(), outcome.found.end(), [&](const BusScan::Found& f) { return f.id == joint.id; });
            const bool done = m_plan.redo ? joint.id != *m_plan.redo : answered && joint.id != factoryId;
            if (done && !m_plan.redo)
                m_hooks.report(Recognised{joint});
            (done ? m_done : m_pending).append(joint);
        }
        noteRound(ids, outcome);
        return {};
    }

    BusScan::Hooks scanHooks() const
    {
        BusScan::Hooks hooks;
        hooks.stopRequested = m_hooks.stopRequested;
        return hooks;
    }

    bool isDoneId(int id) const
    {
        return std::any_of(m_done.begin(), m_done.end(), [id](const Joint& j) { return j.id == id; });
    }

    // What a round heard: unknown servos that answer, IDs that two servos answer.
    void noteRound(const QList<int>& asked, const BusScan::Outcome& outcome)
    {
        for (int id : asked) {
            m_unknown.remove(id);
            m_shared.remove(id);
        }
        for (const BusScan::Found& found : outcome.found)
            if (!isDoneId(found.id) || isLoneFactoryServo(found.id))
                m_unknown.insert(found.id);
        for (int id : outcome.conflicts)
            m_shared.insert(id);
    }

    // In a redo on a built robot the factory ID is a done joint's, and a new servo comes with it: a
    // servo there is the newcomer only while no other done joint answers (it was connected alone).
    bool isLoneFactoryServo(int id)
    {
        if (!m_connectAlone || id != factoryId)
            return false;
        return std::none_of(m_done.begin(), m_done.end(), [&](const Joint& j) { return j.id != factoryId && answers(m_bus, j.id); });
    }

    QList<int> nextRound()
    {
        QList<int> ids{factoryId};
        for (const Joint& joint : m_done)
            ids.append(joint.id);
        for (int id : m_unknown)
            ids.append(id);
        for (int id : m_shared)
            ids.append(id);
        for (int i = 0; i < sweepChunk; ++i) {
            ids.append(m_sweep);
            m_sweep = m_sweep >= SVProtocol::highestServoId ? 0 : m_sweep + 1;
        }
        QList<int> unique;
        for (int id : ids)
            if (!unique.contains(id))
                unique.append(id);
        return unique;
    }

    Result<void> stillGoing(bool stopped)
    {
        if (!m_bus.isUsable())
            return stop(Stopped::Why::PortGone, m_bus.portFailure().message);
        if (stopped || m_hooks.stopRequested())
            return stop(Stopped::Why::Request, QStringLiteral("stopped on request"));
        return {};
    }

    // Waits for the newcomer of joint, gives it the joint's ID and shows it.
    Result<void> giveNext(const Joint& joint)
    {
        m_hooks.report(Waiting{joint, int(m_pending.size())});
        QString lastTrouble;
        while (true) {
            if (Result<void> going = stillGoing(false); !going)
                return going;
            const QList<int> ids = nextRound();
            const BusScan::Outcome outcome = BusScan::scan(m_bus, ids, scanHooks());
            if (Result<void> going = stillGoing(outcome.stopped); !going)
                return going;
            noteRound(ids, outcome);
            if (const QString trouble = reportTrouble(lastTrouble); !trouble.isEmpty()) {
                lastTrouble = trouble;
                continue;
            }
            lastTrouble.clear();
            if (m_unknown.size() != 1)
                continue;
            const int newcomer = *m_unknown.begin();
            if (joint.id != newcomer && answers(m_bus, joint.id)) {
                m_unknown.insert(joint.id);  // a servo sits at the joint's ID already: two at once
                continue;
            }
            return give(newcomer, joint);
        }
    }

    // Reports two servos at once or a shared ID when the round's trouble differs from the last one;
    // the trouble as text, empty when there is none.
    QString reportTrouble(const QString& last)
    {
        QList<int> shared(m_shared.begin(), m_shared.end());
        QList<int> unknown(m_unknown.begin(), m_unknown.end());
        std::sort(shared.begin(), shared.end());
        std::sort(unknown.begin(), unknown.end());
        if (shared.isEmpty() && unknown.size() < 2)
            return {};
        QString trouble = QStringLiteral("shared");
        for (int id : shared)
            trouble += QLatin1Char(' ') + QString::number(id);
        trouble += QStringLiteral(" unknown");
        for (int id : unknown)
            trouble += QLatin1Char(' ') + QString::number(id);
        if (trouble == last)
            return trouble;
        for (int id : shared)
            m_hooks.report(SharedId{id, isDoneId(id)});
        if (unknown.size() > 1)
            m_hooks.report(TwoAtOnce{unknown});
        return trouble;
    }

    // Writes joint's ID to the servo at servoId by its own ID, reads it back and wiggles the servo.
    Result<void> give(int servoId, const Joint& joint)
    {
        m_hooks.report(Found{servoId, joint});
        if (Result<void> going = stillGoing(false); !going)
            return going;
        std::optional<Written> written;
        if (servoId != joint.id) {
            written = Written{servoId, joint};
            if (Result<void> sent = m_bus.write(servoId, SVProtocol::WriteId, SVProtocol::parameterBytes({joint.id})); !sent)
                return stop(Stopped::Why::PortGone, sent.failure().message, written);
            m_hooks.report(*written);
            m_bus.listen(ServoBus::settingWritePause);  // the servo stores its new ID
        }
        if (!readsBack(joint.id))
            return lostMidWrite(servoId, joint, written);
        m_hooks.report(Verified{joint});
        m_unknown.remove(servoId);
        m_pending.removeOne(joint);
        m_done.append(joint);
        const bool wiggled = !m_hooks.stopRequested() && wiggle(joint.id);
        m_hooks.report(Done{joint, wiggled, m_pending.isEmpty() ? std::nullopt : std::optional<Joint>(m_pending.first())});
        return stillGoing(false);
    }

    // The servo at id reads back that ID. A servo that answers ID reads only at the broadcast address
    // shows its ID by answering another read at it instead: each reply carries the ID that sends it.
    bool readsBack(int id)
    {
        const Result<SVReply> reply = m_bus.readTwice(id, SVProtocol::ReadId);
        if (reply) {
            const SVReplyValue::Id* read = std::get_if<SVReplyValue::Id>(&reply->value);
            return read && read->id == id;
        }
        return m_bus.isUsable() && readValue<SVReplyValue::Temperature>(m_bus, id, SVProtocol::ReadTemperature).has_value();
    }

    Result<void> lostMidWrite(int servoId, const Joint& joint, const std::optional<Written>& written)
    {
        if (!m_bus.isUsable())
            return stop(Stopped::Why::PortGone, m_bus.portFailure().message, written);
        if (written && answers(m_bus, servoId))
            return stop(Stopped::Why::ServoLost,
                        QStringLiteral("servo %1 did not take ID %2 and still has ID %1").arg(servoId).arg(joint.id));
        if (written)
            return stop(Stopped::Why::ServoLost,
                        QStringLiteral("servo %1 stopped answering while it was given ID %2").arg(servoId).arg(joint.id), written);
        return stop(Stopped::Why::ServoLost, QStringLiteral("servo %1 stopped answering").arg(servoId));
    }

    // Moves the servo a little within its angle limits and back, so that the user sees which joint
    // it is; its torque goes off again if it was off.
    bool wiggle(int id)
    {
        const auto limits = readValue<SVReplyValue::AngleLimits>(m_bus, id, SVProtocol::ReadAngleLimit);
        const auto position = readValue<SVReplyValue::Position>(m_bus, id, SVProtocol::ReadPosition);
        const auto power = readValue<SVReplyValue::MotorPower>(m_bus, id, SVProtocol::ReadMotorLoad);
        if (!limits || !position || !power || limits->maximum - limits->minimum < 2)
            return false;
        const int home = std::clamp(position->position, limits->minimum, limits->maximum);
        const int out = home + wiggleUnits <= limits->maximum ? home + wiggleUnits : std::max(limits->minimum, home - wiggleUnits);
        for (int target : {out, home}) {
            if (!ServoAccess::moveTo(m_bus, {id}, target, wiggleMoveMs))
                return false;
            m_bus.listen(wiggleSettle);
        }
        if (!power->loaded && !ServoAccess::setTorque(m_bus, {id}, false))
            return false;
        return m_bus.isUsable();
    }

    Failure stop(Stopped::Why why, const QString& cause, std::optional<Written> unconfirmed = {})
    {
        QString message = QStringLiteral("%1; done: %2; not done: %3").arg(cause, idList(m_done), idList(m_pending));
        if (unconfirmed)
            message += QStringLiteral("; servo %1 may now have ID %2 or still %1: run again to check")
                           .arg(unconfirmed->fromId).arg(unconfirmed->joint.id);
        m_hooks.report(Stopped{why, message, m_done, m_pending, unconfirmed});
        return why == Stopped::Why::Request ? Failure::interrupted(message) : Failure::failed(message);
    }

    ServoBus& m_bus;
    const Plan& m_plan;
    const Hooks& m_hooks;
    bool m_connectAlone = false;
    QList<Joint> m_done;
    QList<Joint> m_pending;
    QSet<int> m_unknown;  // IDs that answered at their last probe and are no done joint's
    QSet<int> m_shared;   // IDs whose replies came back garbled at their last probe
    int m_sweep = 0;
};

}  // namespace

Result<Plan> makePlan(const QList<int>& ids, const QMap<int, QString>& names, std::optional<int> redo)
{
    if (ids.isEmpty())
        return Failure::usage(QStringLiteral("no IDs to give"));
    Plan plan;
    for (int id : ids) {
        if (id < 0 || id > SVProtocol::highestServoId)
            return Failure::usage(QStringLiteral("ID %1 is out of range 0-%2").arg(id).arg(SVProtocol::highestServoId));
        if (std::any_of(plan.joints.begin(), plan.joints.end(), [id](const Joint& j) { return j.id == id; }))
            return Failure::usage(QStringLiteral("ID %1 is given twice").arg(id));
        plan.joints.append({id, names.value(id)});
    }
    const auto factory = std::find_if(plan.joints.begin(), plan.joints.end(), [](const Joint& j) { return j.id == factoryId; });
    if (factory != plan.joints.end() && factory + 1 != plan.joints.end()) {
        const Joint joint = *factory;
        plan.joints.erase(factory);
        plan.joints.append(joint);
        plan.factoryIdMoved = true;
    }
    if (redo && !ids.contains(*redo))
        return Failure::usage(QStringLiteral("ID %1 to redo is not among the IDs").arg(*redo));
    plan.redo = redo;
    return plan;
}

Result<QList<Joint>> run(ServoBus& bus, const Plan& plan, const Hooks& hooks)
{
    return Run(bus, plan, hooks).run();
}

QString eventName(const Event& event)
{
    static const char* const names[] = {"started", "recognised", "waiting", "found", "two-at-once", "shared-id",
                                        "written", "verified", "done", "finished", "stopped"};
    static_assert(std::size(names) == std::variant_size_v<Event>);
    return QLatin1String(names[event.index()]);
}

}  // namespace IdAssignment
