// The command-line options about serial ports: "--port PATH" (repeatable) names extra device nodes
// to list, "--list-ports" asks for the port list instead of the window, "--demo" adds the built-in
// virtual servo to the ports.
#pragma once

#include <QStringList>

class ORSSerialPortManager;

struct SVPortOptions {
    QStringList extraPortPaths;
    bool listPorts = false;
    bool demo = false;
    QStringList errors;  // e.g. "--port" without a path

    // Reads the port options among arguments (argv, program name first); other arguments are left.
    static SVPortOptions fromArguments(const QStringList& arguments);
    static SVPortOptions fromArguments(int argc, char** argv);

    // Reads the options, reports malformed ones on standard error and hands the extra ports to the
    // shared port manager (before its first use). With errors the program should end with status 2.
    static SVPortOptions applyArguments(int argc, char** argv);

    // One line per listed port: name, path and what the device source knows of its maker.
    static QStringList portListing(const ORSSerialPortManager& manager);
    // Prints the shared manager's listing on standard output; the exit status (0).
    static int printPortList();
};
