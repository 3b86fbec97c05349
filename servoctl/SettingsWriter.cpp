#include "servoctl/SettingsWriter.h"

#include "servoctl/StopSignals.h"

#include <algorithm>

namespace {

QString listOrNothing(const QStringList& keys)
{
    return keys.isEmpty() ? QStringLiteral("nothing") : keys.join(QStringLiteral(", "));
}

bool writes(const RobotWrite::Outcome& outcome, int servoId)
{
    return std::any_of(outcome.servos.begin(), outcome.servos.end(), [servoId](const RobotWrite::ServoOutcome& servo) { return servo.servoId == servoId; });
}

}  // namespace

SettingsWriter::SettingsWriter(CommandContext& context, bool idToBroadcast)
    : m_context(context)
    , m_idToBroadcast(idToBroadcast)
{
}

int SettingsWriter::apply(const QList<SettingsChange>& changes)
{
    StopSignals stop;
    QList<RobotWrite::Change> asked;
    for (const SettingsChange& change : changes)
        asked.append({change.servoId, change.values, std::nullopt});
    const Result<RobotWrite::Outcome> outcome =
        RobotWrite::write(m_context.bus(), asked, &StopSignals::requested, {true, m_idToBroadcast});
    if (!outcome) {
        const Failure& failure = outcome.failure();
        if (failure.kind == Failure::Kind::Interrupted)
            throw CommandError{ExitInterrupted, QStringLiteral("interrupted; nothing written")};
        const QString prefix = m_idToBroadcast && failure.servoId < 0 ? QStringLiteral("--broadcast: ") : QString();
        throw CommandError{failure.kind == Failure::Kind::Usage ? ExitUsage : ExitFailure, prefix + failure.message};
    }
    for (const SettingsChange& change : changes)
        if (!writes(*outcome, change.servoId))
            CommandContext::print(QStringLiteral("servo %1: already as asked, nothing written").arg(change.servoId));
    int status = ExitSuccess;
    for (const RobotWrite::ServoOutcome& servo : outcome->servos)
        status = std::max(status, report(servo, outcome->stopped));
    return StopSignals::requested() ? ExitInterrupted : status;
}

// Prints what became of one servo; returns its exit code.
int SettingsWriter::report(const RobotWrite::ServoOutcome& servo, const std::optional<Failure>& stopped)
{
    const int id = servo.servoId;
    CommandContext::warn(QStringLiteral("servo %1: its settings before the change are in %2").arg(id).arg(servo.backup));
    if (!servo.unwrittenKeys.isEmpty()) {
        const bool interrupted = stopped && stopped->kind == Failure::Kind::Interrupted;
        const QString why = interrupted ? QStringLiteral("interrupted") : stopped ? stopped->message : QString();
        CommandContext::warn(QStringLiteral("servo %1: stopped (%2); written: %3; not written: %4; the backup stays in %5")
                                 .arg(id).arg(why, listOrNothing(servo.writtenKeys), listOrNothing(servo.unwrittenKeys), servo.backup));
        return interrupted ? ExitInterrupted : ExitFailure;
    }
    if (!servo.answered) {
        const QString why = stopped ? stopped->message : QStringLiteral("servo %1 did not answer").arg(servo.target.id);
        CommandContext::warn(QStringLiteral("servo %1: written, but the read-back failed: %2").arg(id).arg(why));
        return ExitFailure;
    }
    for (const QString& key : servo.differingKeys) {
        const SettingField* field = SettingField::byKey(key);
        CommandContext::warn(QStringLiteral("servo %1: %2: wrote %3, read back %4")
                                 .arg(id).arg(key, field->valueText(servo.target.*field->member), field->valueText(servo.readBack.*field->member)));
    }
    if (!servo.differingKeys.isEmpty())
        return ExitFailure;
    CommandContext::print(QStringLiteral("servo %1: wrote %2; read back and verified").arg(servo.target.id).arg(servo.writtenKeys.join(QStringLiteral(", "))));
    return ExitSuccess;
}
