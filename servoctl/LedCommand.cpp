// servoctl led: switches a servo's LED on or off and reads it back.
#include "servoctl/SwitchCommands.h"

#include "Api/Bus/Protocol.h"

void addLedCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    addSwitchCommand(app, context, run,
                     {"led", "Switch a servo's LED on or off", SVProtocol::WriteLed, SVProtocol::ReadLed,
                      [](const SVReply& reply) { return std::get<SVReplyValue::Led>(reply.value).on; }});
}
