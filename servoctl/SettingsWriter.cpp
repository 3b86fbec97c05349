#include "servoctl/SettingsWriter.h"

#include "Api/Bus/LoneServo.h"
#include "Api/Bus/ServoAccess.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/SettingsFile.h"

#include "Api/Bus/Protocol.h"

namespace {

QString listOrNothing(const QStringList& keys)
{
    return keys.isEmpty() ? QStringLiteral("nothing") : keys.join(QStringLiteral(", "));
}

}  // namespace

SettingsWriter::SettingsWriter(CommandContext& context, bool idToBroadcast)
    : m_context(context)
    , m_idToBroadcast(idToBroadcast)
{
}

SettingsWriter::Plan SettingsWriter::plan(const SettingsChange& change)
{
    const ServoSettings current = valueOrThrow(ServoAccess::readSettings(m_context.bus(), change.servoId));
    const ServoSettings target = withValues(current, change.values);
    if (const Result<void> rules = checkPairRules(target); !rules)
        throw CommandError{ExitUsage, QStringLiteral("servo %1: %2").arg(change.servoId).arg(rules.failure().message)};
    if (target.id != current.id && m_context.bus().read(target.id, SVProtocol::ReadTemperature))
        throw CommandError{ExitFailure, QStringLiteral("servo %1: ID %2 is already taken on the bus").arg(change.servoId).arg(target.id)};
    return {current, target, {}};
}

int SettingsWriter::apply(const QList<SettingsChange>& changes)
{
    StopSignals stop;
    if (m_idToBroadcast)
        if (const Result<int> lone = LoneServo::check(m_context.bus()); !lone)
            throw CommandError{ExitFailure, QStringLiteral("--broadcast: %1: every servo would take the new ID; "
                                                           "connect the servo alone to give it a new ID by broadcast")
                                                .arg(lone.failure().message)};
    QList<Plan> plans;
    for (const SettingsChange& change : changes)
        plans.append(plan(change));
    if (StopSignals::requested())
        throw CommandError{ExitInterrupted, QStringLiteral("interrupted; nothing written")};
    // Every backup is whole on the disk before the first frame goes out.
    for (Plan& plan : plans)
        if (plan.current != plan.target)
            plan.backup = valueOrThrow(SettingsFile::saveBackup(plan.current));
    int status = ExitSuccess;
    for (const Plan& plan : plans) {
        if (StopSignals::requested())
            CommandContext::warn(QStringLiteral("servo %1: stopped before it was written").arg(plan.current.id));
        else
            status = std::max(status, write(plan));
    }
    return StopSignals::requested() ? ExitInterrupted : status;
}

int SettingsWriter::write(const Plan& plan)
{
    const int id = plan.current.id;
    if (plan.current == plan.target) {
        CommandContext::print(QStringLiteral("servo %1: already as asked, nothing written").arg(id));
        return ExitSuccess;
    }
    CommandContext::warn(QStringLiteral("servo %1: its settings before the change are in %2").arg(id).arg(plan.backup));
    ServoBus& bus = m_context.bus();
    const ServoAccess::WriteResult result =
        ServoAccess::writeSettings(bus, plan.current, plan.target, m_idToBroadcast, &StopSignals::requested);
    if (!result.complete) {
        const QString why = result.stopped ? QStringLiteral("interrupted") : bus.portFailure().message;
        CommandContext::warn(QStringLiteral("servo %1: stopped (%2); written: %3; not written: %4; the backup stays in %5")
                                 .arg(id).arg(why, listOrNothing(result.writtenKeys), listOrNothing(result.unwrittenKeys), plan.backup));
        return result.stopped ? ExitInterrupted : ExitFailure;
    }
    const Result<ServoSettings> readBack = ServoAccess::readSettings(bus, plan.target.id);
    if (!readBack) {
        CommandContext::warn(QStringLiteral("servo %1: written, but the read-back failed: %2").arg(id).arg(readBack.failure().message));
        return ExitFailure;
    }
    const QStringList differing = differingKeys(*readBack, plan.target);
    for (const QString& key : differing) {
        const SettingField* field = SettingField::byKey(key);
        CommandContext::warn(QStringLiteral("servo %1: %2: wrote %3, read back %4")
                                 .arg(id).arg(key, field->valueText(plan.target.*field->member),
                                              field->valueText((*readBack).*field->member)));
    }
    if (!differing.isEmpty())
        return ExitFailure;
    CommandContext::print(QStringLiteral("servo %1: wrote %2; read back and verified")
                              .arg(plan.target.id).arg(result.writtenKeys.join(QStringLiteral(", "))));
    return ExitSuccess;
}
