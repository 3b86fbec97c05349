// servoctl ports: the serial ports and what udev knows of each adapter, as the window lists them,
// with the adapter's latency timer where its driver exposes one.
#include "servoctl/Commands.h"

#include "Api/Source/SVPortOptions.h"

#include <QJsonArray>
#include <QJsonObject>

void addPortsCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("ports", "List the serial ports with the adapter's vendor, model, serial number, driver and latency timer");
    command->callback([&context, &run] {
        run = [&context] {
            const QStringList lines = context.portListing();
            if (!context.json) {
                for (const QString& line : lines)
                    CommandContext::print(line);
                if (const QString hint = SVPortOptions::latencyHint(lines); !hint.isEmpty())
                    CommandContext::print(QLatin1Char('\n') + hint);
                return int(ExitSuccess);
            }
            QJsonArray ports;
            for (const QString& line : lines) {
                const QStringList fields = line.split(QLatin1Char('\t'));
                QJsonObject port{{"name", fields.value(0)}, {"path", fields.value(1)}};
                for (const QString& field : fields.mid(2)) {
                    const QString key = field.section(QStringLiteral(": "), 0, 0);
                    if (key != SVPortOptions::latencyTimerKey)
                        port.insert(key, field.section(QStringLiteral(": "), 1));
                }
                if (const std::optional<int> timer = SVPortOptions::latencyTimerOf(line))
                    port.insert(QStringLiteral("latency_timer_ms"), *timer);
                ports.append(port);
            }
            CommandContext::printJson(QJsonDocument(ports));
            return int(ExitSuccess);
        };
    });
}
