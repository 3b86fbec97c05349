// servoctl ping: asks one servo for its position again and again, like the network's ping: a line
// per request with its round trip, then how many were answered, lost and garbled; also when Ctrl-C
// or a hang-up ends it early (exit status 130).
#include "servoctl/BusReport.h"
#include "servoctl/Commands.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/Protocol.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

struct PingOptions {
    std::string id;
    int count = 10;
    int intervalMs = 100;
};

QString outcomeLine(int servoId, int sequence, const ServoStatistics& before, const ServoStatistics& after)
{
    if (after.replies > before.replies)
        return QStringLiteral("reply from servo %1: seq=%2 time=%3 ms").arg(servoId).arg(sequence).arg(after.roundTripsMs.back(), 0, 'f', 3);
    if (after.garbled > before.garbled)
        return QStringLiteral("garbled reply from servo %1: seq=%2").arg(servoId).arg(sequence);
    return QStringLiteral("no reply from servo %1: seq=%2").arg(servoId).arg(sequence);
}

int ping(CommandContext& context, const PingOptions& options)
{
    const int id = servoIdFromArgument(options.id);
    ServoBus& bus = context.bus();
    // A closed pipe ends it quietly, as it ends any program that prints.
    StopSignals stop({SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1});
    Clock::time_point next = Clock::now();
    for (int sequence = 1; (options.count == 0 || sequence <= options.count) && !StopSignals::requested(); ++sequence) {
        const ServoStatistics before = bus.statisticsOf(id);
        (void)bus.read(id, SVProtocol::ReadPosition);
        if (!bus.isUsable())
            throw commandError(bus.portFailure());
        if (!context.json) {
            CommandContext::print(outcomeLine(id, sequence, before, bus.statisticsOf(id)));
            CommandContext::checkOutput();
        }
        next += std::chrono::milliseconds(options.intervalMs);
        while (!StopSignals::requested() && bus.isUsable() && Clock::now() < next && (options.count == 0 || sequence < options.count))
            bus.listen(std::min<ServoBus::Microseconds>(std::chrono::duration_cast<ServoBus::Microseconds>(next - Clock::now()),
                                                         std::chrono::milliseconds(20)));
    }
    const ServoStatistics statistics = bus.statisticsOf(id);
    if (context.json) {
        CommandContext::printJson(QJsonDocument(BusReport::json(id, statistics)));
    } else {
        const BusReport::RoundTrips trips = BusReport::roundTripsOf(statistics);
        CommandContext::print(QStringLiteral("--- servo %1 ---").arg(id));
        CommandContext::print(BusReport::countsLine(statistics));
        if (statistics.replies > 0)
            CommandContext::print(QStringLiteral("round trip min/median/p99/max = %1/%2/%3/%4 ms")
                                      .arg(trips.min, 0, 'f', 3).arg(trips.median, 0, 'f', 3).arg(trips.p99, 0, 'f', 3).arg(trips.max, 0, 'f', 3));
    }
    if (StopSignals::requested())
        return ExitInterrupted;
    return statistics.requests > 0 && statistics.lost() == 0 ? ExitSuccess : ExitFailure;
}

}  // namespace

void addPingCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("ping", "Read a servo's position COUNT times, a line per reply with its round trip, then "
                                                   "how many were answered, lost and garbled");
    auto options = std::make_shared<PingOptions>();
    command->add_option("ID", options->id, servoIdHelp("Servo ID"))->required();
    command->add_option("-c", options->count, "Requests to send; 0 until Ctrl-C")->type_name("COUNT")->check(decimalRange(0, 1000000))->capture_default_str();
    command->add_option("-i", options->intervalMs, "Time from one request to the next in ms")->type_name("MS")->check(decimalRange(1, 60000))->capture_default_str();
    command->callback([&context, &run, options] { run = [&context, options] { return ping(context, *options); }; });
}
