// What every command shares: the global options, the bus they open, the exit codes, output on
// standard output and messages on standard error.
#pragma once

#include "servoctl/ServoBus.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QString>

#include <memory>

class SVDemoServo;

enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1,  // a servo did not answer, verification failed, the port failed
    ExitUsage = 2,    // the command cannot run as given: options, arguments, values, input file
};

// A failure that ends the command with one line on standard error.
struct CommandError {
    ExitCode code;
    QString message;
};

class CommandContext {
public:
    CommandContext();
    ~CommandContext();
    CommandContext(const CommandContext&) = delete;
    CommandContext& operator=(const CommandContext&) = delete;

    // Global options.
    std::string portPath;
    bool demo = false;
    bool json = false;

    // The demo bus's servos.
    static inline const QList<int> demoServoIds{1, 2, 7};

    // The open bus: --port, the demo bus, or the only serial port present. Throws CommandError.
    ServoBus& bus();
    // The ports of the machine (with --port and the demo bus among them), one line each.
    QStringList portListing();

    static void print(const QString& text);       // standard output, a line
    static void printJson(const QJsonDocument& document);
    static void warn(const QString& message);     // standard error, a line
    // Writes bytes to path under a temporary name, then renames it into place. Throws CommandError.
    static void writeFileAtomically(const QString& path, const QByteArray& bytes);

private:
    void prepareDemo();
    QString choosePortPath();

    std::unique_ptr<SVDemoServo> m_demo;
    std::unique_ptr<ServoBus> m_bus;
};

// Servo IDs from the command line: each 0-253. Throws CommandError (usage).
QList<int> servoIdsFromArguments(const std::vector<int>& ids);
// "0-253", "1,2,7", "1-5,9"; throws CommandError (usage).
QList<int> servoIdsFromRange(const QString& text);
