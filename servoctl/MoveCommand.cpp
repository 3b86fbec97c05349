// servoctl move: sends a servo to a position in a given time.
#include "servoctl/Commands.h"
#include "Api/Bus/ServoAccess.h"

#include "Api/Bus/Protocol.h"

void addMoveCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("move", "Move a servo to POSITION (0-1000) in --time milliseconds");
    struct Options {
        std::string id;
        int position = 0;
        int time = 500;
    };
    auto options = std::make_shared<Options>();
    command->add_option("ID", options->id, servoIdHelp("Servo ID"))->required();
    command->add_option("POSITION", options->position, "Target position")->required()->check(decimalRange(0, 1000));
    command->add_option("--time", options->time, "Time of the move in ms")->type_name("MS")->check(decimalRange(0, 3000))->capture_default_str();
    command->callback([&context, &run, options] {
        run = [&context, options] {
            const int id = servoIdFromArgument(options->id);
            ServoBus& bus = context.bus();
            throwOnFailure(requireAnswer(bus, id));
            throwOnFailure(bus.write(id, SVProtocol::Move, SVProtocol::wordBytes(options->position) + SVProtocol::wordBytes(options->time)));
            CommandContext::print(QStringLiteral("servo %1: moving to %2 in %3 ms").arg(id).arg(options->position).arg(options->time));
            return int(ExitSuccess);
        };
    });
}
