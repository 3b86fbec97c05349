#include "Api/Bus/RobotWrite.h"

#include "Api/Bus/LoneServo.h"
#include "Api/Bus/Protocol.h"
#include "Api/Bus/SettingsFile.h"

#include <algorithm>

namespace {

struct Plan {
    ServoSettings present;
    QList<ServoAccess::GroupWrite> writes;
    RobotWrite::ServoOutcome outcome;
};

Result<Plan> planFor(ServoBus& bus, const RobotWrite::Change& change, const RobotWrite::Options& options)
{
    Result<ServoSettings> read = ServoAccess::readSettings(bus, change.servoId);
    if (!read)
        return read.failure();
    ServoSettings present = *read;
    if (change.storedDeviation)
        present.deviation = *change.storedDeviation;
    ServoSettings target = withValues(present, change.values);
    if (!options.changeIds)
        target.id = present.id;
    if (Result<void> rules = checkPairRules(target); !rules)
        return Failure::usage(QStringLiteral("servo %1: %2").arg(change.servoId).arg(rules.failure().message)).about(change.servoId);
    if (target.id != present.id && bus.read(target.id, SVProtocol::ReadTemperature))
        return Failure::failed(QStringLiteral("servo %1: ID %2 is already taken on the bus").arg(change.servoId).arg(target.id)).about(change.servoId);
    // An offset the page may have sent as an unsaved adjustment is stored even when it reads alike.
    const QStringList always = change.storedDeviation ? QStringList{QStringLiteral("deviation")} : QStringList{};
    Plan plan{present, ServoAccess::groupWrites(present, target, always), {}};
    if (target.id != present.id) {
        const int to = target.id;
        const int address = options.idToBroadcast ? SVProtocol::broadcastId : present.id;
        plan.writes.append({{QStringLiteral("id")}, [address, to](ServoBus& bus) {
            return bus.write(address, SVProtocol::WriteId, SVProtocol::parameterBytes({to}));
        }});
    }
    plan.outcome.servoId = change.servoId;
    plan.outcome.target = target;
    return plan;
}

// Round r sends the r-th write of every servo that has one, then pauses once.
std::optional<Failure> sendRounds(ServoBus& bus, QList<Plan>& plans, const std::function<bool()>& stopRequested)
{
    for (qsizetype round = 0;; ++round) {
        bool sent = false;
        for (Plan& plan : plans) {
            if (round >= plan.writes.size())
                continue;
            if (stopRequested())
                return Failure::interrupted(QStringLiteral("stopped"));
            const ServoAccess::GroupWrite& write = plan.writes[round];
            if (Result<void> done = write.send(bus); !done)
                return done.failure();
            plan.outcome.writtenKeys += write.keys;
            sent = true;
        }
        if (!sent)
            return std::nullopt;
        bus.listen(ServoBus::settingWritePause);
    }
}

}  // namespace

namespace RobotWrite {

bool Outcome::complete() const
{
    if (stopped)
        return false;
    return std::all_of(servos.begin(), servos.end(), [](const ServoOutcome& servo) {
        return servo.unwrittenKeys.isEmpty() && servo.answered && servo.differingKeys.isEmpty();
    });
}

Result<Outcome> write(ServoBus& bus, const QList<Change>& changes, const std::function<bool()>& stopRequested, const Options& options)
{
    if (options.idToBroadcast)
        if (const Result<int> lone = LoneServo::check(bus); !lone)
            return Failure::failed(QStringLiteral("%1: every servo would take the new ID; connect the servo alone to give it a new ID by broadcast")
                                       .arg(lone.failure().message));
    QList<Plan> plans;
    for (const Change& change : changes) {
        Result<Plan> plan = planFor(bus, change, options);
        if (!plan)
            return plan.failure();
        if (!plan->writes.isEmpty())
            plans.append(*plan);
    }
    if (stopRequested())
        return Failure::interrupted(QStringLiteral("stopped"));
    // Every backup is whole on the disk before the first frame goes out.
    for (Plan& plan : plans) {
        const Result<QString> backup = SettingsFile::saveBackup(plan.present);
        if (!backup)
            return backup.failure();
        plan.outcome.backup = *backup;
    }
    Outcome outcome;
    outcome.stopped = sendRounds(bus, plans, stopRequested);
    for (Plan& plan : plans) {
        for (const ServoAccess::GroupWrite& write : plan.writes)
            if (!plan.outcome.writtenKeys.contains(write.keys.first()))
                plan.outcome.unwrittenKeys += write.keys;
        if (!outcome.stopped && !plan.outcome.writtenKeys.isEmpty()) {
            const Result<ServoSettings> back = ServoAccess::readSettings(bus, plan.outcome.target.id);
            if (!bus.isUsable())
                outcome.stopped = bus.portFailure();
            plan.outcome.answered = back.ok();
            if (back) {
                plan.outcome.readBack = *back;
                plan.outcome.differingKeys = differingKeys(*back, plan.outcome.target);
            }
        }
        outcome.servos.append(plan.outcome);
    }
    return outcome;
}

}  // namespace RobotWrite
