#include "Api/Bus/BusScan.h"

#include "Api/Bus/Protocol.h"

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
QList<int> probe(ServoBus& bus, const QList<int>& ids, const BusScan::Hooks& hooks, bool& stopped)
{
    QList<int> answered;
    const auto collectLate = [&] {
        for (const SVReply& reply : bus.takeLateReplies())
            if (reply.command == SVProtocol::ReadTemperature && ids.contains(reply.servoId) && !answered.contains(reply.servoId))
                answered.append(reply.servoId);
    };
    for (qsizetype i = 0; i < ids.size() && bus.isUsable(); ++i) {
        if (hooks.stopRequested()) {
            stopped = true;
            break;
        }
        if (hooks.progress)
            hooks.progress(int(i), int(answered.size()));
        if (bus.read(ids[i], SVProtocol::ReadTemperature, probeTimeout) && !answered.contains(ids[i]))
            answered.append(ids[i]);
        collectLate();
    }
    bus.listen(lateReplyWait);
    collectLate();
    return answered;
}

// IDs to ask again, slowly: garbage that came during a short probe may belong to the probe just
// before it, when a reply comes late; a broken reply whose header names its servo belongs to that
// servo however late it came (a busy machine can hold a reply back for many probes).
QList<int> suspects(const ServoBus& bus, const QList<int>& ids)
{
    QList<int> ask;
    for (qsizetype i = 0; i < ids.size(); ++i)
        if (garbledCount(bus, ids[i]) > 0 || bus.statisticsOf(ids[i]).brokenFrames > 0)
            for (qsizetype j = std::max<qsizetype>(0, i - 2); j <= i; ++j)
                if (!ask.contains(ids[j]))
                    ask.append(ids[j]);
    return ask;
}

}  // namespace

namespace BusScan {

Outcome scan(ServoBus& bus, const QList<int>& ids, const Hooks& hooks)
{
    Outcome result;
    QList<int> answered = probe(bus, ids, hooks, result.stopped);
    const auto inOrder = [&](int a, int b) { return ids.indexOf(a) < ids.indexOf(b); };
    for (int id : suspects(bus, ids)) {
        Result<SVReply> reply = Failure::failed({});
        const bool garbled = garbledWhile(bus, id, [&] { reply = bus.readTwice(id, SVProtocol::ReadTemperature); });
        if (garbled)
            result.conflicts.append(id);
        else if (reply && !answered.contains(id))
            answered.append(id);
    }
    std::sort(answered.begin(), answered.end(), inOrder);
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
            result.warnings.append(state.failure().message);
    }
    std::sort(result.conflicts.begin(), result.conflicts.end(), inOrder);
    return result;
}

}  // namespace BusScan
