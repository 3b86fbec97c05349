#include "servoctl/SwitchCommands.h"

#include "Api/Bus/Protocol.h"
#include "Api/Bus/ServoAccess.h"

void addSwitchCommand(CLI::App& app, CommandContext& context, CommandRunner& run, const SwitchCommand& kind)
{
    CLI::App* command = app.add_subcommand(kind.name, kind.help);
    auto id = std::make_shared<std::string>();
    auto state = std::make_shared<std::string>();
    command->add_option("ID", *id, servoIdHelp("Servo ID"))->required();
    command->add_option("STATE", *state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    command->callback([&context, &run, id, state, kind] {
        run = [&context, id, state, kind] {
            const int servoId = servoIdFromArgument(*id);
            const bool on = *state == "on";
            ServoBus& bus = context.bus();
            throwOnFailure(requireAnswer(bus, servoId));
            throwOnFailure(bus.write(servoId, kind.writeCommand, SVProtocol::parameterBytes({SVProtocol::switchByte(on)})));
            const SVReply reply = valueOrThrow(bus.readTwice(servoId, kind.readCommand));
            if (kind.isOn(reply) != on)
                throw CommandError{ExitFailure, QStringLiteral("servo %1: %2 reads back %3").arg(servoId).arg(QLatin1String(kind.name), on ? "off" : "on")};
            CommandContext::print(QStringLiteral("servo %1: %2 %3").arg(servoId).arg(QLatin1String(kind.name), QString::fromStdString(*state)));
            return int(ExitSuccess);
        };
    });
}
