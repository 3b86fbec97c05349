// servoctl set: changes single stored settings of one servo, then reads them back.
#include "servoctl/Commands.h"
#include "servoctl/SettingsWriter.h"

namespace {

QStringList allKeys()
{
    QStringList keys;
    for (const SettingField& field : SettingField::all())
        keys.append(QLatin1String(field.key));
    return keys;
}

SettingValues valuesFromAssignments(const std::vector<std::string>& assignments)
{
    SettingValues values;
    for (const std::string& assignment : assignments) {
        const QString text = QString::fromStdString(assignment);
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals <= 0)
            throw CommandError{ExitUsage, QStringLiteral("\"%1\" is not key=value").arg(text)};
        const QString key = text.left(equals).trimmed();
        const SettingField* field = SettingField::byKey(key);
        if (!field)
            throw CommandError{ExitUsage, QStringLiteral("unknown key \"%1\" (keys: %2)").arg(key, allKeys().join(QStringLiteral(", ")))};
        if (values.contains(key))
            throw CommandError{ExitUsage, QStringLiteral("\"%1\" is given twice").arg(key)};
        values.insert(key, valueOrThrow(field->fromText(text.mid(equals + 1))));
    }
    return values;
}

}  // namespace

void addSetCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand(
        "set", "Change stored settings of one servo (keys as in dump: " + allKeys().join(QStringLiteral(", ")).toStdString()
                   + "), with a backup first and a read-back after; id=N gives the servo a new ID");
    auto id = std::make_shared<std::string>();
    auto assignments = std::make_shared<std::vector<std::string>>();
    command->add_option("ID", *id, servoIdHelp("Servo ID"))->required();
    command->add_option("key=value", *assignments, "Settings to change, such as angle_max=900 led=off voltage_min=6.0")->required();
    command->callback([&context, &run, id, assignments] {
        run = [&context, id, assignments] {
            const int servoId = servoIdFromArgument(*id);
            const SettingValues values = valuesFromAssignments(*assignments);
            return SettingsWriter(context).apply({{servoId, values}});
        };
    });
}
