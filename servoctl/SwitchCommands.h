// What torque and led share: an on|off argument, one write and its read-back.
#pragma once

#include "servoctl/Commands.h"

struct SwitchCommand {
    const char* name;
    const char* help;
    int writeCommand;  // its byte is 0 for on, 1 for off
    int readCommand;
    // Whether a reply of readCommand says on.
    bool (*isOn)(const SVReply& reply);
};

void addSwitchCommand(CLI::App& app, CommandContext& context, CommandRunner& run, const SwitchCommand& kind);
