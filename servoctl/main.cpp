// servoctl: the servo bus from a terminal. Reads the command line, runs the chosen command and
// turns its outcome into the exit status: 0 success, 1 a servo or the port failed, 2 a usage error.
#include "servoctl/Commands.h"
#include "Api/Bus/Protocol.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

CLI::Option* addGlobalOptions(CLI::App& app, CommandContext& context)
{
    CLI::Option* port = app.add_option("--port", context.portPath, "Serial port of the bus (default: the only one present)")->type_name("PATH");
    app.add_flag("--demo", context.demo, "Use a virtual bus of three servos (IDs 1, 2 and 7) instead of a port");
    app.add_option("--demo-servos", context.demoServos, "Use a virtual bus of N servos with IDs 1 to N instead of a port")
        ->type_name("N")->check(decimalRange(1, SVProtocol::highestServoId));
    app.add_option("--demo-new", context.demoNew,
                   "Use an empty virtual bus and a box of N new servos at ID 1: assign connects the next one each time it asks")
        ->type_name("N")->check(decimalRange(1, SVProtocol::highestServoId));
    app.add_option("--demo-fault", context.demoFaults,
                   "Make the demo bus misbehave: shared-id puts a second servo on its second ID, lossy loses one reply in 20")
        ->type_name("FAULT")->check(CLI::IsMember({"shared-id", "lossy"}))->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_flag("--json", context.json, "Print data as JSON");
    app.set_version_flag("--version", "servoctl " SERVODESK_VERSION);
    // The global options are also accepted after the command's name.
    app.fallthrough();
    // A usage error is one line, like every other failure.
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return "servoctl: " + std::string(error.what()) + " (see --help)\n";
    });
    return port;
}

void addCommands(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    for (auto add : {addPortsCommand, addScanCommand, addInfoCommand, addDumpCommand, addRestoreCommand, addSetCommand,
                     addMoveCommand, addMotorCommand, addTorqueCommand, addLedCommand, addMonitorCommand, addPoseCommand,
                     addTeachCommand, addRangeCommand, addPlayCommand, addPingCommand, addAssignCommand})
        add(app, context, run);
    app.require_subcommand(1);
}

}  // namespace

int main(int argc, char* argv[])
{
    CommandContext::guardStandardStreams();
    QCoreApplication application(argc, argv);
    CLI::App app("servoctl: set up and exercise the servos of a serial bus", "servoctl");
    CommandContext context;
    CommandRunner run;
    const CLI::Option* port = addGlobalOptions(app, context);
    addCommands(app, context, run);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);  // prints help, version or the error
        if (status != 0)
            return ExitUsage;
        run = [] { return int(ExitSuccess); };  // --help or --version: the output is checked below
    }
    try {
        context.portGiven = port->count() > 0;
        context.checkGlobalOptions();
        const int status = run();
        CommandContext::checkOutput();
        return status;
    } catch (const CommandError& error) {
        CommandContext::warn(error.message);
        return error.code;
    }
}
