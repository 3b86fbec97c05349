// servoctl scan: asks every ID of a range and lists the servos that answer.
#include "servoctl/Commands.h"
#include "servoctl/Progress.h"
#include "Api/Bus/BusScan.h"
#include "Api/Bus/Protocol.h"

#include <QJsonArray>
#include <QJsonObject>

void addScanCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("scan", "Ask each ID and list the servos that answer, with position, voltage and temperature");
    auto range = std::make_shared<std::string>(servoIdRange().toStdString());
    command->add_option("--ids", *range, QStringLiteral("IDs to ask: a range or a list, such as %1 or 1,2,7").arg(servoIdRange()).toStdString())->type_name("RANGE")->capture_default_str();
    command->callback([&context, &run, range] {
        run = [&context, range] {
            const QList<int> ids = servoIdsFromRange(QString::fromStdString(*range));
            ServoBus& bus = context.bus();
            BusScan::Outcome result;
            {
                Progress progress(QStringLiteral("scan"), int(ids.size()));  // cleared when it goes
                BusScan::Hooks hooks;
                hooks.progress = [&progress](int asked, int answered) { progress.show(asked, QStringLiteral("found %1").arg(answered)); };
                result = BusScan::scan(bus, ids, hooks);
            }
            for (const QString& warning : result.warnings)
                CommandContext::warn(warning);
            const QList<BusScan::Found>& found = result.found;
            if (!bus.isUsable())
                throw CommandError{ExitFailure, bus.portFailure().message};
            if (context.json) {
                QJsonArray list;
                for (const BusScan::Found& f : found)
                    list.append(QJsonObject{{"id", f.id}, {"position", f.state.position},
                                            {"voltage", SVProtocol::voltsFromMillivolts(f.state.voltageMillivolts)}, {"temperature", f.state.temperature}});
                for (int id : result.conflicts)
                    list.append(QJsonObject{{"id", id}, {"conflict", true}});
                CommandContext::printJson(QJsonDocument(list));
            } else {
                CommandContext::print(QStringLiteral(" ID  position  voltage  temperature"));
                for (const BusScan::Found& f : found)
                    CommandContext::print(QString::asprintf("%3d %9d %6.1f V %9d °C", f.id, f.state.position,
                                                            SVProtocol::voltsFromMillivolts(f.state.voltageMillivolts), f.state.temperature));
            }
            for (int id : result.conflicts)
                CommandContext::warn(QStringLiteral("two servos may share ID %1: connect them one at a time and give one a new ID "
                                                    "with `servoctl set %1 id=N`").arg(id));
            if (found.isEmpty() && result.conflicts.isEmpty()) {
                CommandContext::warn(QStringLiteral("no servo answered"));
                return int(ExitFailure);
            }
            return result.conflicts.isEmpty() ? int(ExitSuccess) : int(ExitFailure);
        };
    });
}
