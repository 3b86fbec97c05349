#include "servoctl/SwitchCommands.h"

#include "servoctl/ServoAccess.h"

void addSwitchCommand(CLI::App& app, CommandContext& context, CommandRunner& run, const SwitchCommand& kind)
{
    CLI::App* command = app.add_subcommand(kind.name, kind.help);
    auto id = std::make_shared<std::string>();
    auto state = std::make_shared<std::string>();
    command->add_option("ID", *id, "Servo ID (0-253)")->required();
    command->add_option("STATE", *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    command->callback([&context, &run, id, state, kind] {
        run = [&context, id, state, kind] {
            const int servoId = servoIdFromArgument(*id);
            const bool on = *state == "on";
            ServoBus& bus = context.bus();
            throwOnFailure(requireAnswer(bus, servoId));
            if (!bus.write(servoId, kind.writeCommand, QByteArray(1, char(on ? 0 : 1))))
                throw CommandError{ExitFailure, bus.errorString()};
            const std::optional<SVReply> reply = bus.readTwice(servoId, kind.readCommand);
            if (!reply)
                throw CommandError{ExitFailure, bus.isUsable() ? QStringLiteral("servo %1 did not answer").arg(servoId) : bus.errorString()};
            if (kind.isOn(*reply) != on)
                throw CommandError{ExitFailure, QStringLiteral("servo %1: %2 reads back %3").arg(servoId).arg(QLatin1String(kind.name), on ? "off" : "on")};
            CommandContext::print(QStringLiteral("servo %1: %2 %3").arg(servoId).arg(QLatin1String(kind.name), QString::fromStdString(*state)));
            return int(ExitSuccess);
        };
    });
}
