// servoctl scan: asks every ID of a range and lists the servos that answer.
#include "servoctl/Commands.h"
#include "servoctl/Progress.h"
#include "Api/Bus/ServoAccess.h"

#include "Api/Bus/Protocol.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// Each absent ID costs one time-out, so it is as short as the line allows. The probe (6 bytes) and
// its reply (7 bytes) take 13 x 87 us = 1.13 ms at 115200 bit/s; the remaining 1.87 ms cover the
// servo's turn-around and the adapter's latency (USB frames of 1 ms, with the low-latency flag the
// port sets). A reply that has begun by then is waited for to its end.
constexpr ServoBus::Microseconds probeTimeout = 3ms;
// After the last probe, time for the replies of slow servos to arrive.
constexpr ServoBus::Microseconds lateReplyWait = 20ms;

struct Found {
    int id;
    ServoAccess::LiveState state;
};

struct ScanResult {
    QList<Found> found;
    QList<int> conflicts;  // IDs whose replies came back garbled: two servos answering at once
};

int garbledCount(const ServoBus& bus, int id)
{
    return bus.statisticsOf(id).garbled;
}

// Runs ask and tells whether id's replies came back garbled meanwhile.
template <typename Ask>
bool garbledWhile(ServoBus& bus, int id, Ask ask)
{
    const int before = garbledCount(bus, id);
    ask();
    return garbledCount(bus, id) > before;
}

// The IDs of ids that answered the probe, in the order of ids. A reply that comes after its probe
// gave up (a slow servo, a busy machine) still counts: the bus keeps it for the scan to collect.
QList<int> probe(ServoBus& bus, const QList<int>& ids)
{
    QList<int> answered;
    const auto collectLate = [&] {
        for (const SVReply& reply : bus.takeLateReplies())
            if (reply.command == SVProtocol::ReadTemperature && ids.contains(reply.servoId) && !answered.contains(reply.servoId))
                answered.append(reply.servoId);
    };
    Progress progress(QStringLiteral("scan"), int(ids.size()));
    for (qsizetype i = 0; i < ids.size() && bus.isUsable(); ++i) {
        progress.show(int(i), QStringLiteral("found %1").arg(answered.size()));
        if (bus.read(ids[i], SVProtocol::ReadTemperature, probeTimeout) && !answered.contains(ids[i]))
            answered.append(ids[i]);
        collectLate();
    }
    bus.listen(lateReplyWait);
    collectLate();
    return answered;
}

// IDs to ask again, slowly: garbage that came during a short probe may belong to the probe just
// before it, when a reply comes late.
QList<int> suspects(const ServoBus& bus, const QList<int>& ids)
{
    QList<int> ask;
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (garbledCount(bus, ids[i]) > 0)
            for (qsizetype j = std::max<qsizetype>(0, i - 2); j <= i; ++j)
                if (!ask.contains(ids[j]))
                    ask.append(ids[j]);
    return ask;
}

ScanResult scan(ServoBus& bus, const QList<int>& ids)
{
    ScanResult result;
    QList<int> answered = probe(bus, ids);
    for (int id : suspects(bus, ids)) {
        Result<SVReply> reply = Failure::failed({});
        const bool garbled = garbledWhile(bus, id, [&] { reply = bus.readTwice(id, SVProtocol::ReadTemperature); });
        if (garbled)
            result.conflicts.append(id);
        else if (reply && !answered.contains(id))
            answered.append(id);
    }
    std::sort(answered.begin(), answered.end(), [&](int a, int b) { return ids.indexOf(a) < ids.indexOf(b); });
    for (int id : answered) {
        if (result.conflicts.contains(id))
            continue;
        Result<ServoAccess::LiveState> state = Failure::failed({});
        // Two servos on one ID can agree on a temperature; the other values give them away.
        const bool garbled = garbledWhile(bus, id, [&] { state = ServoAccess::readState(bus, id); });
        if (!bus.isUsable())
            break;  // the caller says once that the port is gone
        if (state)
            result.found.append({id, *state});
        else if (garbled)
            result.conflicts.append(id);
        else
            CommandContext::warn(state.failure().message);
    }
    std::sort(result.conflicts.begin(), result.conflicts.end(), [&](int a, int b) { return ids.indexOf(a) < ids.indexOf(b); });
    return result;
}

}  // namespace

void addScanCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("scan", "Ask each ID and list the servos that answer, with position, voltage and temperature");
    auto range = std::make_shared<std::string>("0-253");
    command->add_option("--ids", *range, "IDs to ask: a range or a list, such as 0-253 or 1,2,7")->type_name("RANGE")->capture_default_str();
    command->callback([&context, &run, range] {
        run = [&context, range] {
            const QList<int> ids = servoIdsFromRange(QString::fromStdString(*range));
            ServoBus& bus = context.bus();
            const ScanResult result = scan(bus, ids);
            const QList<Found>& found = result.found;
            if (!bus.isUsable())
                throw CommandError{ExitFailure, bus.portFailure().message};
            if (context.json) {
                QJsonArray list;
                for (const Found& f : found)
                    list.append(QJsonObject{{"id", f.id}, {"position", f.state.position},
                                            {"voltage", f.state.voltageMillivolts / 1000.0}, {"temperature", f.state.temperature}});
                for (int id : result.conflicts)
                    list.append(QJsonObject{{"id", id}, {"conflict", true}});
                CommandContext::printJson(QJsonDocument(list));
            } else {
                CommandContext::print(QStringLiteral(" ID  position  voltage  temperature"));
                for (const Found& f : found)
                    CommandContext::print(QString::asprintf("%3d %9d %6.1f V %9d °C", f.id, f.state.position,
                                                            f.state.voltageMillivolts / 1000.0, f.state.temperature));
            }
            for (int id : result.conflicts)
                CommandContext::warn(QStringLiteral("two servos may share ID %1: connect them one at a time and give one a new ID "
                                                    "with `servoctl set %1 id=N`").arg(id));
            if (found.isEmpty() && result.conflicts.isEmpty()) {
                CommandContext::warn(QStringLiteral("no servo answered"));
                return int(ExitFailure);
            }
            return result.conflicts.isEmpty() ? int(ExitSuccess) : int(ExitFailure);
        };
    });
}
