// servoctl torque: switches a servo's motor power on or off and reads it back.
#include "servoctl/SwitchCommands.h"

#include "Api/Bus/Protocol.h"

void addTorqueCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    addSwitchCommand(app, context, run,
                     {"torque", "Switch a servo's motor power (holding torque) on or off", SVProtocol::WriteMotorLoad,
                      SVProtocol::ReadMotorLoad,
                      [](const SVReply& reply) { return std::get<SVReplyValue::MotorPower>(reply.value).loaded; }});
}
