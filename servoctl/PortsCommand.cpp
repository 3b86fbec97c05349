// servoctl ports: the serial ports and what udev knows of each adapter, as the window lists them.
#include "servoctl/Commands.h"

#include <QJsonArray>
#include <QJsonObject>

void addPortsCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("ports", "List the serial ports with the adapter's vendor, model, serial number and driver");
    command->callback([&context, &run] {
        run = [&context] {
            const QStringList lines = context.portListing();
            if (!context.json) {
                for (const QString& line : lines)
                    CommandContext::print(line);
                return int(ExitSuccess);
            }
            QJsonArray ports;
            for (const QString& line : lines) {
                const QStringList fields = line.split(QLatin1Char('\t'));
                QJsonObject port{{"name", fields.value(0)}, {"path", fields.value(1)}};
                for (const QString& field : fields.mid(2))
                    port.insert(field.section(QStringLiteral(": "), 0, 0), field.section(QStringLiteral(": "), 1));
                ports.append(port);
            }
            CommandContext::printJson(QJsonDocument(ports));
            return int(ExitSuccess);
        };
    });
}
