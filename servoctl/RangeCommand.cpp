// servoctl range: teaches angle limits by hand. The servos' torque goes off; the user moves each
// joint to both ends; Enter, q or Ctrl-D ends it (so does Ctrl-C), and the torque comes back on in
// every case. Each servo's range, narrowed by the margin, is printed or written as a settings file
// that restore takes.
#include "servoctl/Commands.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/ServoAccess.h"
#include "Api/Bus/SettingsFile.h"
#include "Api/Bus/TaughtRange.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cerrno>

#include <poll.h>
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

// True once a line or the end of standard input has come; never waits.
bool inputEnded()
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0)
        return false;
    char chunk[256];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0)
        return errno != EINTR && errno != EAGAIN;
    return got == 0 || QByteArray(chunk, got).contains('\n');
}

QMap<int, TaughtRange> record(ServoBus& bus, const QList<int>& ids)
{
    QMap<int, TaughtRange> ranges;
    TaughtRange::includeAll(ranges, valueOrThrow(ServoAccess::readPositions(bus, ids)));  // every servo answers first
    TorqueOffWhileRecording torqueOff(bus, ids);
    CommandContext::warn(QStringLiteral("torque is off: move each joint by hand to both ends; Enter or q ends"));
    while (!StopSignals::requested() && !inputEnded()) {
        bus.listen(std::chrono::milliseconds(20));
        TaughtRange::includeAll(ranges, valueOrThrow(ServoAccess::readPositions(bus, ids)));
    }
    return ranges;
}

int range(CommandContext& context, const QList<int>& ids, int margin, const QString& output)
{
    StopSignals stop;
    const QMap<int, TaughtRange> ranges = record(context.bus(), ids);
    QList<SettingValues> limits;
    QJsonArray json;
    for (int id : ids) {
        const TaughtRange seen = ranges.value(id);
        const auto narrowed = seen.limits(margin);
        if (!narrowed)
            throw CommandError{ExitFailure, QStringLiteral("servo %1: %2; nothing written").arg(id).arg(narrowed.failure().message)};
        SettingValues values = narrowed->values();
        values.insert(QStringLiteral("id"), id);
        limits.append(values);
        json.append(QJsonObject{{"id", id}, {"lowest", seen.lowest}, {"highest", seen.highest},
                                {"angle_min", narrowed->angleMin}, {"angle_max", narrowed->angleMax}});
        if (output.isEmpty() && !context.json)
            CommandContext::print(QStringLiteral("servo %1: moved %2-%3, angle_min %4, angle_max %5")
                                      .arg(id).arg(seen.lowest).arg(seen.highest).arg(narrowed->angleMin).arg(narrowed->angleMax));
    }
    if (!output.isEmpty())
        CommandContext::writeFileAtomically(output, SettingsFile::partialDocument(limits));
    else if (context.json)
        CommandContext::printJson(QJsonDocument(json));
    return StopSignals::requested() ? ExitInterrupted : ExitSuccess;
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
    command->add_option("ID", options->ids, "Servo IDs (0-253)")->required();
    command->add_option("--margin", options->margin, "Units kept free at each end of the range")->type_name("N")
        ->check(CLI::Range(0, 500))->capture_default_str();
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
