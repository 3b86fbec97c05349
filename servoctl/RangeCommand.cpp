// servoctl range: teaches angle limits by hand. The servos' torque goes off; the user moves each
// joint to both ends; Enter, q or Ctrl-D ends it (so does Ctrl-C or any other signal that would end
// the program), and the torque comes back on in every case. Each servo's range, narrowed by the
// margin, is printed or written as a settings file that restore takes; a file that cannot be written
// is refused before the torque goes off, and one that still fails gets the limits printed instead.
#include "servoctl/Commands.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/ServoAccess.h"
#include "Api/Bus/SettingsFile.h"
#include "Api/Bus/TaughtRange.h"
#include "Api/Bus/WholeFile.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cerrno>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Torque off while it lives; on again for every servo when it goes, whatever ended the recording.
class TorqueOffWhileRecording {
public:
    TorqueOffWhileRecording(ServoBus& bus, QList<int> ids)
        : m_bus(bus)
        , m_ids(std::move(ids))
    {
        throwOnFailure(ServoAccess::setTorque(m_bus, m_ids, false));
    }
    ~TorqueOffWhileRecording()
    {
        if (const Result<void> on = ServoAccess::setTorque(m_bus, m_ids, true); !on)
            CommandContext::warn(QStringLiteral("torque could not be switched back on: %1").arg(on.failure().message));
    }
    TorqueOffWhileRecording(const TorqueOffWhileRecording&) = delete;
    TorqueOffWhileRecording& operator=(const TorqueOffWhileRecording&) = delete;

private:
    ServoBus& m_bus;
    QList<int> m_ids;
};

// While it lives, a terminal on standard input hands over each key as it is typed, without echo, so
// that q alone ends the recording; the terminal's own settings come back when it goes.
class KeysWithoutEnter {
public:
    KeysWithoutEnter()
    {
        if (::tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return;  // not a terminal
        termios keys = m_saved;
        keys.c_lflag &= ~tcflag_t(ICANON | ECHO);
        keys.c_cc[VMIN] = 1;
        keys.c_cc[VTIME] = 0;
        m_changed = ::tcsetattr(STDIN_FILENO, TCSANOW, &keys) == 0;
    }
    ~KeysWithoutEnter()
    {
        if (m_changed)
            ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }
    KeysWithoutEnter(const KeysWithoutEnter&) = delete;
    KeysWithoutEnter& operator=(const KeysWithoutEnter&) = delete;

private:
    termios m_saved{};
    bool m_changed = false;
};

// True once Enter, q, Ctrl-D (a key of its own on a terminal without Enter) or the end of standard
// input has come; never waits.
bool inputEnded()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0)
        return false;
    char chunk[256];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0)
        return errno != EINTR && errno != EAGAIN;
    const QByteArray keys(chunk, got);
    return got == 0 || keys.contains('\n') || keys.contains('q') || keys.contains('\x04');
}

QMap<int, TaughtRange> record(ServoBus& bus, const QList<int>& ids)
{
    QMap<int, TaughtRange> ranges;
    TaughtRange::includeAll(ranges, valueOrThrow(ServoAccess::readPositions(bus, ids)));  // every servo answers first
    TorqueOffWhileRecording torqueOff(bus, ids);
    const KeysWithoutEnter keys;
    CommandContext::warn(QStringLiteral("torque is off: move each joint by hand to both ends; Enter or q ends"));
    while (!StopSignals::requested() && !inputEnded()) {
        bus.listen(std::chrono::milliseconds(20));
        TaughtRange::includeAll(ranges, valueOrThrow(ServoAccess::readPositions(bus, ids)));
    }
    return ranges;
}

struct TaughtServo {
    int id = 0;
    TaughtRange seen;
    TaughtRange::Limits limits;
};

// Each servo's limits, in the order of ids; throws CommandError when one has none.
QList<TaughtServo> limitsOf(const QList<int>& ids, const QMap<int, TaughtRange>& ranges, int margin)
{
    QList<TaughtServo> taught;
    for (int id : ids) {
        const TaughtRange seen = ranges.value(id);
        const Result<TaughtRange::Limits> limits = seen.limits(margin);
        if (!limits)
            throw CommandError{ExitFailure, QStringLiteral("servo %1: %2; nothing written").arg(id).arg(limits.failure().message)};
        taught.append({id, seen, *limits});
    }
    return taught;
}

void print(const QList<TaughtServo>& taught, bool json)
{
    QJsonArray servos;
    for (const TaughtServo& servo : taught) {
        if (json)
            servos.append(QJsonObject{{"id", servo.id}, {"lowest", servo.seen.lowest}, {"highest", servo.seen.highest},
                                      {"angle_min", servo.limits.angleMin}, {"angle_max", servo.limits.angleMax}});
        else
            CommandContext::print(QStringLiteral("servo %1: moved %2-%3, angle_min %4, angle_max %5")
                                      .arg(servo.id).arg(servo.seen.lowest).arg(servo.seen.highest)
                                      .arg(servo.limits.angleMin).arg(servo.limits.angleMax));
    }
    if (json)
        CommandContext::printJson(QJsonDocument(servos));
}

QByteArray settingsFileOf(const QList<TaughtServo>& taught)
{
    QList<SettingValues> servos;
    for (const TaughtServo& servo : taught) {
        SettingValues values = servo.limits.values();
        values.insert(QStringLiteral("id"), servo.id);
        servos.append(values);
    }
    return SettingsFile::partialDocument(servos);
}

int range(CommandContext& context, const QList<int>& ids, int margin, const QString& output)
{
    if (!output.isEmpty())
        CommandContext::requireWritableFile(output, QStringLiteral("the torque stays on"));
    StopSignals stop;  // made before the torque goes off, kept until the limits are out
    const QList<TaughtServo> taught = limitsOf(ids, record(context.bus(), ids), margin);
    if (output.isEmpty()) {
        print(taught, context.json);
    } else if (const Result<void> written = WholeFile::write(output, settingsFileOf(taught), &StopSignals::requested); !written) {
        print(taught, context.json);  // the joints were moved for these: they are not lost
        const QString message = written.failure().message + QStringLiteral("; the limits are printed instead");
        if (StopSignals::requested())
            throw CommandError{ExitInterrupted, StopSignals::endedBy(message)};
        throw CommandError{exitCodeOf(written.failure()), message};
    }
    if (StopSignals::requested())
        throw CommandError{ExitInterrupted, StopSignals::endedBy(QStringLiteral("the recording stopped; the torque is back on"))};
    return ExitSuccess;
}

}  // namespace

void addRangeCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("range", "Teach angle limits by hand: the servos' torque goes off, each joint is moved to both "
                                                     "ends, Enter or q ends and the torque comes back on; prints each range narrowed by "
                                                     "the margin, or writes it as a settings file for restore");
    struct Options {
        std::vector<std::string> ids;
        int margin = TaughtRange::defaultMargin;
        std::string file;
    };
    auto options = std::make_shared<Options>();
    command->add_option("ID", options->ids, servoIdHelp("Servo IDs"))->required();
    command->add_option("--margin", options->margin, "Units kept free at each end of the range")->type_name("N")
        ->check(decimalRange(0, 500))->capture_default_str();
    const CLI::Option* outputOption =
        command->add_option("-o", options->file, "Write the limits to FILE as a settings file (whole or not at all)")->type_name("FILE");
    command->callback([&context, &run, options, outputOption] {
        run = [&context, options, given = outputOption->count() > 0] {
            const QList<int> ids = servoIdsFromArguments(options->ids);
            requireNonEmpty(options->file, given, "-o");
            return range(context, ids, options->margin, QString::fromStdString(options->file));
        };
    });
}
