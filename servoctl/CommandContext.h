// What every command shares: the global options, the bus they open, the exit codes, output on
// standard output and messages on standard error.
#pragma once

#include "Api/Bus/Result.h"
#include "Api/Bus/ServoBus.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QString>

#include <memory>

class DemoServoBox;
class SVDemoServo;

enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1,  // a servo did not answer, verification failed, the port failed
    ExitUsage = 2,    // the command cannot run as given: options, arguments, values, input file
    ExitInterrupted = 130,  // stopped by Ctrl-C or a polite kill
};

// A failure that ends the command with one line on standard error.
struct CommandError {
    ExitCode code;
    QString message;
};

ExitCode exitCodeOf(const Failure& failure);
CommandError commandError(const Failure& failure);

// The value of result, or its failure thrown as a CommandError.
template <typename T>
T valueOrThrow(Result<T> result)
{
    if (!result)
        throw commandError(result.failure());
    return std::move(result).value();
}
inline void throwOnFailure(const Result<void>& result)
{
    if (!result)
        throw commandError(result.failure());
}

class CommandContext {
public:
    CommandContext();
    ~CommandContext();
    CommandContext(const CommandContext&) = delete;
    CommandContext& operator=(const CommandContext&) = delete;

    // Global options.
    std::string portPath;
    bool portGiven = false;
    bool demo = false;
    int demoServos = 0;  // with --demo-servos: a demo bus of IDs 1 to this
    int demoNew = 0;     // with --demo-new: an empty demo bus and a box of this many new servos
    std::vector<std::string> demoFaults;  // faults of the demo bus: "shared-id", "lossy"
    bool json = false;

    // The global options that cannot go together or cannot be empty; throws CommandError (usage).
    void checkGlobalOptions() const;

    // The demo bus's servos: 1, 2 and 7, or 1 to N with --demo-servos N. Each answers its own ID
    // and the broadcast address, as real servos do.
    QList<int> demoServoIds() const;
    // With --demo-new, the box of new servos of the demo bus (made with the bus); otherwise none.
    DemoServoBox* demoBox() const { return m_box.get(); }

    // The open bus: --port, the demo bus, or the only serial port present. Throws CommandError.
    ServoBus& bus();
    // The ports of the machine (with --port and the demo bus among them), one line each.
    QStringList portListing();

    // Both print texts withControlsEscaped.
    static void print(const QString& text);       // standard output, a line
    static void printJson(const QJsonDocument& document);
    static void printBytes(const QByteArray& bytes);
    static void warn(const QString& message);     // standard error, a line
    // Flushes standard output; throws CommandError when anything written to it was lost (a full
    // disk, or a closed pipe while SIGPIPE is caught; otherwise that signal ends the program quietly).
    static void checkOutput();
    // The same without throwing: why the output was lost, or an empty text.
    static QString outputFault();
    // The same for standard error: why a message was lost, or an empty text.
    static QString messageFault();
    // Opens /dev/null on standard input, output or error where the program started without them,
    // so that no port the program opens takes their place (and prints into the bus), and keeps in
    // mind that they were closed. Called first thing.
    static void guardStandardStreams();
    // Throws CommandError (failure) when standard output or standard error cannot take a line now:
    // closed, a pipe whose reader is gone, a terminal that hung up. what says what did not happen.
    static void requireWritableOutput(const QString& what);
    // Throws CommandError (failure) when path cannot be written as writeFileAtomically writes it: a
    // folder, a folder that is missing or takes no new file, a device or pipe without permission.
    // consequence says what did not happen. A full disk shows only when the file is written.
    static void requireWritableFile(const QString& path, const QString& consequence);
    // Writes bytes to path whole or not at all. Throws CommandError.
    static void writeFileAtomically(const QString& path, const QByteArray& bytes);

private:
    void prepareDemo();
    QString choosePortPath();

    std::unique_ptr<SVDemoServo> m_demo;
    std::unique_ptr<DemoServoBox> m_box;
    std::unique_ptr<ServoBus> m_bus;
};

// text with its control characters (but line ends and tabs) written as \x1b: what a file or an
// argument names can then neither clear the screen nor retitle the terminal.
QString withControlsEscaped(const QString& text);

// A servo ID from the command line: a whole decimal number 0-253. Throws CommandError (usage).
// The IDs a servo can have, as help texts and messages give them: "0-253".
QString servoIdRange();
// A help text naming that range: "Servo ID (0-253)".
std::string servoIdHelp(const char* what);
int servoIdFromArgument(const std::string& text);
// Servo IDs from the command line, each as above, each once. Throws CommandError (usage).
QList<int> servoIdsFromArguments(const std::vector<std::string>& ids);
// "0-253", "1,2,7", "1-5,9"; throws CommandError (usage) naming what (the option or argument).
QList<int> servoIdsFromRange(const QString& text, const QString& what = QStringLiteral("--ids"));
// A file name option given as "" is a usage error, not standard output. Throws CommandError (usage).
void requireNonEmpty(const std::string& value, bool given, const char* option);
