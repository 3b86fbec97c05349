// servoctl teach: switches the servos' torque off so that the robot can be posed by hand; every
// Enter keeps the pose as a step of the motion file. q or Ctrl-D ends it; so do a signal (Ctrl-C,
// a hang-up, a kill) and a terminal that is gone, and the torque comes back on in every case.
#include "servoctl/Commands.h"
#include "servoctl/MotionSteps.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/ServoAccess.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <unistd.h>

namespace {

// Torque off while it lives; on again, for every servo, when it goes or restore() is called,
// whatever ended the teaching.
class LimpServos {
public:
    LimpServos(ServoBus& bus, QList<int> ids)
        : m_bus(bus)
        , m_ids(std::move(ids))
    {
        throwOnFailure(ServoAccess::setTorque(m_bus, m_ids, false));
    }
    ~LimpServos()
    {
        if (const Result<void> on = restore(); !on)
            CommandContext::warn(on.failure().message);
    }
    LimpServos(const LimpServos&) = delete;
    LimpServos& operator=(const LimpServos&) = delete;

    Result<void> restore()
    {
        if (std::exchange(m_restored, true))
            return {};
        if (const Result<void> on = ServoAccess::setTorque(m_bus, m_ids, true); !on)
            return Failure::failed(QStringLiteral("torque could not be switched back on: %1").arg(on.failure().message));
        return {};
    }

private:
    ServoBus& m_bus;
    QList<int> m_ids;
    bool m_restored = false;
};

// Lines typed on standard input, read without holding up the bus: each call waits at most a
// moment. Ends at end of input.
class InputLines {
public:
    // A whole line (without its newline) when one has arrived.
    std::optional<QString> next()
    {
        if (const qsizetype end = m_buffer.indexOf('\n'); end >= 0) {
            const QString line = QString::fromLocal8Bit(m_buffer.left(end)).trimmed();
            m_buffer.remove(0, end + 1);
            return line;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, 20) <= 0)
            return std::nullopt;
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got < 0 && errno != EINTR && errno != EAGAIN)
            m_fault = QStringLiteral("standard input: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        // A terminal that hangs up reads as its end; Ctrl-D on a live one does not hang it up.
        if (got == 0 && m_terminal && (input.revents & POLLHUP))
            m_fault = QStringLiteral("standard input: the terminal is gone");
        if (got == 0 || !m_fault.isEmpty())
            m_ended = true;
        else if (got > 0)
            m_buffer.append(chunk, got);
        return std::nullopt;
    }
    bool ended() const { return m_ended && !m_buffer.contains('\n'); }
    // Why the input ended other than by Ctrl-D (its terminal is gone), or an empty text.
    const QString& fault() const { return m_fault; }

private:
    QByteArray m_buffer;
    bool m_ended = false;
    bool m_terminal = isatty(STDIN_FILENO) == 1;
    QString m_fault;
};

int teach(CommandContext& context, const QList<int>& ids, const QString& path, int timeMs)
{
    Motion motion = valueOrThrow(MotionFile::readOrEmpty(path));
    CommandContext::requireWritableFile(path, QStringLiteral("the torque stays on"));  // before any servo goes limp
    ServoBus& bus = context.bus();
    valueOrThrow(ServoAccess::readPositions(bus, ids));  // every servo answers before any goes limp
    StopSignals stop;  // made before the servos go limp, gone after their torque is back
    LimpServos limp(bus, ids);
    CommandContext::warn(QStringLiteral("torque is off: pose the servos by hand; Enter keeps the pose, q ends"));
    InputLines input;
    while (!StopSignals::requested() && !input.ended()) {
        bus.listen(std::chrono::milliseconds(1));  // hears an unplug
        if (!bus.isUsable())
            throw commandError(bus.portFailure());
        const std::optional<QString> line = input.next();
        if (!line)
            continue;
        if (*line == QLatin1String("q") || *line == QLatin1String("quit"))
            break;
        if (!line->isEmpty()) {
            CommandContext::warn(QStringLiteral("Enter keeps the pose, q ends"));
            continue;
        }
        MotionSteps::append(motion, {QString(), timeMs, 0, valueOrThrow(ServoAccess::readPositions(bus, ids))}, path);
        CommandContext::checkOutput();
    }
    throwOnFailure(limp.restore());
    if (StopSignals::requested())
        throw CommandError{ExitInterrupted, StopSignals::endedBy(QStringLiteral("stopped; the torque is back on"))};
    if (!input.fault().isEmpty())
        throw CommandError{ExitFailure, QStringLiteral("%1: stopped; the torque is back on").arg(input.fault())};
    return ExitSuccess;
}

}  // namespace

void addTeachCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("teach", "Switch the servos' torque off so they can be posed by hand; every Enter appends a step "
                                                    "with their positions to FILE; q or Ctrl-D ends, and the torque comes back on");
    struct Options {
        std::vector<std::string> ids;
        std::string file;
        int time = 1000;
    };
    auto options = std::make_shared<Options>();
    command->add_option("ID", options->ids, servoIdHelp("Servo IDs"))->required();
    command->add_option("-o", options->file, "The motion file to append the steps to (created when missing)")->type_name("FILE")->required();
    command->add_option("--time", options->time, "Move time of each step in ms")->type_name("MS")->check(decimalRange(0, MotionFile::maximumTimeMs))->capture_default_str();
    command->callback([&context, &run, options] {
        run = [&context, options] {
            const QList<int> ids = servoIdsFromArguments(options->ids);
            requireNonEmpty(options->file, true, "-o");
            return teach(context, ids, QString::fromStdString(options->file), options->time);
        };
    });
}
