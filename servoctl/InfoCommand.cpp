// servoctl info: every stored setting and the live state of each servo.
#include "servoctl/Commands.h"
#include "Api/Bus/Protocol.h"
#include "Api/Bus/ServoAccess.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

QJsonObject stateJson(const ServoAccess::LiveState& state)
{
    return {{"temperature", state.temperature}, {"voltage", SVProtocol::voltsFromMillivolts(state.voltageMillivolts)},
            {"position", state.position}, {"torque", state.motorLoaded}};
}

void printTable(const ServoSettings& settings, const ServoAccess::LiveState& state)
{
    CommandContext::print(QStringLiteral("servo %1").arg(settings.id));
    for (const SettingField& field : SettingField::all())
        CommandContext::print(QStringLiteral("  %1 %2").arg(QLatin1String(field.key), -24).arg(field.valueText(settings.*field.member)));
    CommandContext::print(QStringLiteral("  %1 %2 °C").arg(QStringLiteral("temperature"), -24).arg(state.temperature));
    CommandContext::print(QStringLiteral("  %1 %2 V").arg(QStringLiteral("voltage"), -24).arg(SVProtocol::voltsFromMillivolts(state.voltageMillivolts)));
    CommandContext::print(QStringLiteral("  %1 %2").arg(QStringLiteral("position"), -24).arg(state.position));
    CommandContext::print(QStringLiteral("  %1 %2").arg(QStringLiteral("torque"), -24).arg(state.motorLoaded ? QStringLiteral("on") : QStringLiteral("off")));
}

}  // namespace

void addInfoCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("info", "Every stored setting and the live state of each servo");
    auto ids = std::make_shared<std::vector<std::string>>();
    command->add_option("ID", *ids, servoIdHelp("Servo IDs"))->required();
    command->callback([&context, &run, ids] {
        run = [&context, ids] {
            const QList<int> servoIds = servoIdsFromArguments(*ids);
            ServoBus& bus = context.bus();
            QJsonArray list;
            int status = ExitSuccess;
            for (int id : servoIds) {
                const Result<ServoSettings> settings = ServoAccess::readSettings(bus, id);
                const Result<ServoAccess::LiveState> state =
                    settings ? ServoAccess::readState(bus, id) : Result<ServoAccess::LiveState>(settings.failure());
                if (!bus.isUsable())
                    throw CommandError{ExitFailure, bus.portFailure().message};
                if (!state) {
                    CommandContext::warn(state.failure().message);
                    status = ExitFailure;
                    continue;
                }
                if (context.json) {
                    QJsonObject object = ServoSettingsJson::toJson(*settings);
                    const QJsonObject live = stateJson(*state);
                    for (auto it = live.begin(); it != live.end(); ++it)
                        object.insert(it.key(), it.value());
                    list.append(object);
                } else {
                    printTable(*settings, *state);
                }
            }
            if (context.json)
                CommandContext::printJson(QJsonDocument(list));
            return status;
        };
    });
}
