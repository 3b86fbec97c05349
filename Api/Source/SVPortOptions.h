// The command-line options about serial ports: "--port PATH" (repeatable) names extra device nodes
// to list, "--list-ports" asks for the port list instead of the window, "--demo" adds the built-in
// virtual servos to the ports: one alone, and a bus of several ("--demo-servos N": IDs 1 to N).
#pragma once

#include "Api/Bus/Protocol.h"

#include <QStringList>

#include <optional>

class ORSSerialPortManager;

struct SVPortOptions {
    QStringList extraPortPaths;
    bool listPorts = false;
    bool demo = false;
    int demoServos = 0;  // 0: the demo bus holds servos 1, 2 and 7
    int demoNew = 0;     // --demo-new N: the demo bus starts empty, with a box of N new servos at ID 1
    static constexpr int demoServosLimit = SVProtocol::highestServoId;
    QStringList errors;  // e.g. "--port" without a path

    // Reads the port options among arguments (argv, program name first); other arguments are left.
    static SVPortOptions fromArguments(const QStringList& arguments);
    static SVPortOptions fromArguments(int argc, char** argv);

    // Reads the options, reports malformed ones on standard error and hands the extra ports to the
    // shared port manager (before its first use). With errors the program should end with status 2.
    static SVPortOptions applyArguments(int argc, char** argv);

    // One line per listed port: name, path, then tab-separated "key: value" fields: what the device
    // source knows of its maker and the adapter's latency timer ("latency timer: 16 ms") where its
    // driver exposes one.
    static QStringList portListing(const ORSSerialPortManager& manager);
    static inline const QString latencyTimerKey = QStringLiteral("latency timer");
    // The latency timer in milliseconds given on a listing line, if any.
    static std::optional<int> latencyTimerOf(const QString& line);
    // For the ports of a listing whose latency timer is above 1 ms: what that costs and how to set it
    // to 1 ms, a paragraph to print after the listing. Empty when there is no such port.
    static QString latencyHint(const QStringList& listing);
    // Prints the shared manager's listing on standard output, then the latency hint; the exit
    // status (0).
    static int printPortList();
};
