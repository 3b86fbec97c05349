// servoctl restore: writes the settings of a settings file back to the servos, then reads them back.
#include "servoctl/Commands.h"
#include "servoctl/SettingsWriter.h"
#include "Api/Bus/SettingsFile.h"

namespace {

struct RestoreOptions {
    std::string file;
    std::string id;
    bool idGiven = false;
    bool allowIdChange = false;
    bool broadcast = false;
};

SettingsChange changeForOneServo(const QList<SettingsFile::Entry>& servos, const RestoreOptions& options)
{
    const QString file = QString::fromStdString(options.file);
    const int id = servoIdFromArgument(options.id);
    if (servos.size() != 1)
        throw CommandError{ExitUsage, QStringLiteral("%1 holds %2 servos; --id needs a file of one").arg(file).arg(servos.size())};
    SettingValues values = servos.first().values;
    const int fileId = values.value(QStringLiteral("id"), id);
    if (fileId != id && !options.allowIdChange)
        throw CommandError{ExitUsage, QStringLiteral("%1 is for ID %2, not %3: add --allow-id-change to give servo %3 the ID %2")
                                          .arg(file).arg(fileId).arg(id)};
    values.insert(QStringLiteral("id"), fileId);
    return {id, values};
}

// With --id, a file of one servo, its ID optional; otherwise a robot file (the reader and refusals of
// the Robot page's Open).
QList<SettingsFile::Entry> readFile(const RestoreOptions& options)
{
    const QString file = QString::fromStdString(options.file);
    if (!options.idGiven)
        return valueOrThrow(SettingsFile::readRobot(file));
    servoIdFromArgument(options.id);  // a bad --id is refused before the file is read
    return valueOrThrow(SettingsFile::readEntries(file));
}

QList<SettingsChange> changesFor(const QList<SettingsFile::Entry>& servos, const RestoreOptions& options)
{
    if (options.broadcast && !options.allowIdChange)
        throw CommandError{ExitUsage, QStringLiteral("--broadcast only goes with --allow-id-change")};
    if (options.idGiven)
        return {changeForOneServo(servos, options)};
    QList<SettingsChange> changes;
    for (const SettingsFile::Entry& servo : servos)
        changes.append({servo.id(), servo.values});
    return changes;
}

}  // namespace

void addRestoreCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand(
        "restore",
        "Write the settings of FILE back to the servos (each to the ID it names, or to --id), after a backup of "
        "their current settings in $XDG_DATA_HOME/servodesk/backups; then read them back and compare");
    auto options = std::make_shared<RestoreOptions>();
    command->add_option("FILE", options->file, "A settings file made by dump")->required();
    const CLI::Option* idOption = command->add_option("--id", options->id, servoIdHelp("Write the file's one servo to this servo"))->type_name("N");
    command->add_flag("--allow-id-change", options->allowIdChange, "Write the file's ID when it differs from --id");
    command->add_flag("--broadcast", options->broadcast,
                      "Send the new ID to the broadcast address: every servo on the bus takes it");
    command->callback([&context, &run, options, idOption] {
        options->idGiven = idOption->count() > 0;
        run = [&context, options] {
            const QList<SettingsFile::Entry> servos = readFile(*options);
            return SettingsWriter(context, options->broadcast).apply(changesFor(servos, *options));
        };
    });
}
