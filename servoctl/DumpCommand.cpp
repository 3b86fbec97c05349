// servoctl dump: the settings of each servo as a settings file, on standard output or to a file.
#include "servoctl/Commands.h"
#include "servoctl/Progress.h"
#include "servoctl/ServoAccess.h"
#include "servoctl/SettingsFile.h"

#include <cstdio>

void addDumpCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("dump", "The settings of each servo as JSON, ready to keep in version control");
    auto ids = std::make_shared<std::vector<int>>();
    auto output = std::make_shared<std::string>();
    command->add_option("ID", *ids, "Servo IDs (0-253)")->required();
    command->add_option("-o", *output, "Write to FILE (whole or not at all) instead of standard output")->type_name("FILE");
    command->callback([&context, &run, ids, output] {
        run = [&context, ids, output] {
            const QList<int> servoIds = servoIdsFromArguments(*ids);
            ServoBus& bus = context.bus();
            QList<ServoSettings> servos;
            Progress progress(QStringLiteral("dump"), int(servoIds.size()));
            for (int id : servoIds) {
                progress.show(int(servos.size()));
                QString error;
                const auto settings = ServoAccess::readSettings(bus, id, &error);
                if (!settings)
                    throw CommandError{ExitFailure, error + (output->empty() ? QString() : QStringLiteral("; nothing written"))};
                servos.append(*settings);
            }
            const QByteArray document = SettingsFile::document(servos);
            if (output->empty())
                std::fwrite(document.constData(), 1, size_t(document.size()), stdout);
            else
                CommandContext::writeFileAtomically(QString::fromStdString(*output), document);
            return int(ExitSuccess);
        };
    });
}
