// The commands of servoctl. Each add function puts its subcommand, with its options and help, on
// the application; when that subcommand is chosen, run is set to the work it does, which returns
// the exit code (or throws CommandError).
#pragma once

#include "servoctl/CommandContext.h"
#include "servoctl/DecimalRange.h"

#include <CLI/CLI.hpp>

#include <functional>

using CommandRunner = std::function<int()>;

void addPortsCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addScanCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addInfoCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addDumpCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addRestoreCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addSetCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addMoveCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addMotorCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addTorqueCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addLedCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addMonitorCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addPoseCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addTeachCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addRangeCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addPlayCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addPingCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
void addAssignCommand(CLI::App& app, CommandContext& context, CommandRunner& run);
