// servoctl dump: the settings of each servo as a settings file, on standard output or to a file.
#include "servoctl/Commands.h"
#include "servoctl/Progress.h"
#include "Api/Bus/ServoAccess.h"
#include "Api/Bus/SettingsFile.h"

void addDumpCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("dump", "The settings of each servo as JSON, ready to keep in version control");
    auto ids = std::make_shared<std::vector<std::string>>();
    auto output = std::make_shared<std::string>();
    command->add_option("ID", *ids, servoIdHelp("Servo IDs"))->required();
    const CLI::Option* outputOption =
        command->add_option("-o", *output, "Write to FILE (whole or not at all) instead of standard output")->type_name("FILE");
    command->callback([&context, &run, ids, output, outputOption] {
        run = [&context, ids, output, given = outputOption->count() > 0] {
            const QList<int> servoIds = servoIdsFromArguments(*ids);
            requireNonEmpty(*output, given, "-o");
            ServoBus& bus = context.bus();
            QList<ServoSettings> servos;
            Progress progress(QStringLiteral("dump"), int(servoIds.size()));
            for (int id : servoIds) {
                progress.show(int(servos.size()));
                const Result<ServoSettings> settings = ServoAccess::readSettings(bus, id);
                if (!settings)
                    throw CommandError{ExitFailure, settings.failure().message + (output->empty() ? QString() : QStringLiteral("; nothing written"))};
                servos.append(*settings);
            }
            // The file keeps what the servos hold; a value that restore would refuse is worth knowing now.
            for (const ServoSettings& settings : servos)
                if (const QStringList outside = outOfRangeValues(settings); !outside.isEmpty())
                    CommandContext::warn(QStringLiteral("servo %1 holds values outside the accepted ranges (%2); restore will refuse them")
                                             .arg(settings.id).arg(outside.join(QStringLiteral(", "))));
            const QByteArray document = SettingsFile::document(servos);
            if (output->empty())
                CommandContext::printBytes(document);
            else
                CommandContext::writeFileAtomically(QString::fromStdString(*output), document);
            return int(ExitSuccess);
        };
    });
}
