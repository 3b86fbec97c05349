// servoctl motor: runs a servo as a motor at a signed speed; speed 0 stops it and returns it to
// position mode.
#include "servoctl/Commands.h"
#include "Api/Bus/ServoAccess.h"

#include "Api/Bus/Protocol.h"

void addMotorCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("motor", "Run a servo as a motor at SPEED (-1000 to 1000); 0 stops it and returns it to position mode");
    auto id = std::make_shared<std::string>();
    auto speed = std::make_shared<int>(0);
    command->add_option("ID", *id, servoIdHelp("Servo ID"))->required();
    command->add_option("SPEED", *speed, "Speed, negative for the other direction")->required()->check(decimalRange(-1000, 1000));
    command->callback([&context, &run, id, speed] {
        run = [&context, id, speed] {
            const int servoId = servoIdFromArgument(*id);
            ServoBus& bus = context.bus();
            throwOnFailure(requireAnswer(bus, servoId));
            const int mode = *speed == 0 ? 0 : 1;  // 0 position mode, 1 motor mode
            throwOnFailure(bus.write(servoId, SVProtocol::ModeAndSpeed, SVProtocol::parameterBytes({mode, 0xFF}) + SVProtocol::wordBytes(*speed)));
            CommandContext::print(*speed == 0 ? QStringLiteral("servo %1: stopped, position mode").arg(servoId)
                                              : QStringLiteral("servo %1: motor mode, speed %2").arg(servoId).arg(*speed));
            return int(ExitSuccess);
        };
    });
}
