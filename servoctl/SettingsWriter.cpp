#include "servoctl/SettingsWriter.h"

#include "servoctl/ServoAccess.h"
#include "servoctl/SettingsFile.h"

#include "Api/SVProtocol.h"

SettingsWriter::SettingsWriter(CommandContext& context, bool idToBroadcast)
    : m_context(context)
    , m_idToBroadcast(idToBroadcast)
{
}

SettingsWriter::Plan SettingsWriter::plan(const SettingsChange& change)
{
    QString error;
    const std::optional<ServoSettings> current = ServoAccess::readSettings(m_context.bus(), change.servoId, &error);
    if (!current)
        throw CommandError{ExitFailure, error};
    const ServoSettings target = withValues(*current, change.values);
    if (const QString rule = pairRuleError(target); !rule.isEmpty())
        throw CommandError{ExitUsage, QStringLiteral("servo %1: %2").arg(change.servoId).arg(rule)};
    if (target.id != current->id && m_context.bus().read(target.id, SVProtocol::ReadTemperature))
        throw CommandError{ExitFailure, QStringLiteral("servo %1: ID %2 is already taken on the bus").arg(change.servoId).arg(target.id)};
    return {*current, target};
}

int SettingsWriter::apply(const QList<SettingsChange>& changes)
{
    QList<Plan> plans;
    for (const SettingsChange& change : changes)
        plans.append(plan(change));
    bool allVerified = true;
    for (const Plan& plan : plans)
        allVerified = write(plan) && allVerified;
    return allVerified ? ExitSuccess : ExitFailure;
}

bool SettingsWriter::write(const Plan& plan)
{
    const int id = plan.current.id;
    if (plan.current == plan.target) {
        CommandContext::print(QStringLiteral("servo %1: already as asked, nothing written").arg(id));
        return true;
    }
    const QString backup = SettingsFile::saveBackup(plan.current);
    CommandContext::warn(QStringLiteral("servo %1: its settings before the change are in %2").arg(id).arg(backup));
    ServoBus& bus = m_context.bus();
    const ServoAccess::WriteResult result = ServoAccess::writeSettings(bus, plan.current, plan.target, m_idToBroadcast);
    if (!result.complete) {
        const QString written = result.writtenKeys.isEmpty() ? QStringLiteral("nothing") : result.writtenKeys.join(QStringLiteral(", "));
        CommandContext::warn(QStringLiteral("servo %1: stopped (%2); written: %3; the backup stays in %4")
                                 .arg(id).arg(bus.errorString(), written, backup));
        return false;
    }
    QString error;
    const std::optional<ServoSettings> readBack = ServoAccess::readSettings(bus, plan.target.id, &error);
    if (!readBack) {
        CommandContext::warn(QStringLiteral("servo %1: written, but the read-back failed: %2").arg(id).arg(error));
        return false;
    }
    const QStringList differing = differingKeys(*readBack, plan.target);
    for (const QString& key : differing) {
        const SettingField* field = SettingField::byKey(key);
        CommandContext::warn(QStringLiteral("servo %1: %2: wrote %3, read back %4")
                                 .arg(id).arg(key, field->valueText(plan.target.*field->member),
                                              field->valueText((*readBack).*field->member)));
    }
    if (differing.isEmpty())
        CommandContext::print(QStringLiteral("servo %1: wrote %2; read back and verified")
                                  .arg(plan.target.id).arg(result.writtenKeys.join(QStringLiteral(", "))));
    return differing.isEmpty();
}
