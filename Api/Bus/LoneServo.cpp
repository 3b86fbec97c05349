#include "Api/Bus/LoneServo.h"

#include "Api/Bus/Protocol.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;

// After the first reply, time for the replies of slower servos: a servo answers within a few
// milliseconds, and a reply takes 0.6 ms on the line.
constexpr ServoBus::Microseconds quietWait = 20ms;

}  // namespace

namespace LoneServo {

namespace {

// One look: the broadcast read, the quiet wait, reads of the ID found.
Result<Finding> look(ServoBus& bus)
{
    bus.takeLateReplies();
    const qint64 droppedBefore = bus.droppedBytes();
    const Result<SVReply> first = bus.read(SVProtocol::broadcastId, SVProtocol::ReadId);
    if (!bus.isUsable())
        return bus.portFailure();
    bus.listen(quietWait);
    if (!bus.isUsable())
        return bus.portFailure();
    const bool noise = bus.droppedBytes() > droppedBefore || bus.pendingBytes() > 0;
    // Late replies to another page's reads (the state poll's) say nothing about who hears the broadcast.
    const QList<SVReply> late = bus.takeLateReplies();
    const bool more = std::any_of(late.begin(), late.end(), [](const SVReply& reply) { return reply.command == SVProtocol::ReadId; });
    if (noise || more)
        return Finding{Census::Several};
    if (!first)
        return Finding{Census::None};
    // Replies that collide bit by bit can, by chance, make a valid frame with an ID that neither servo has.
    const int id = std::get<SVReplyValue::Id>(first->value).id;
    const Result<SVReply> own = bus.read(id, SVProtocol::ReadId);
    if (!bus.isUsable())
        return bus.portFailure();
    if (!own || std::get<SVReplyValue::Id>(own->value).id != id || bus.droppedBytes() > droppedBefore)
        return Finding{Census::Several};
    // Two servos that share the ID answer the same ID alike; their positions and voltages give them away.
    for (int command : {SVProtocol::ReadPosition, SVProtocol::ReadVoltage}) {
        if (!bus.read(id, command) && !bus.isUsable())
            return bus.portFailure();
    }
    if (bus.droppedBytes() > droppedBefore || bus.pendingBytes() > 0)
        return Finding{Census::Several};
    return Finding{Census::One, id};
}

}  // namespace

// Several servos collide on every try; noise on the line, once.
Result<Finding> take(ServoBus& bus)
{
    Result<Finding> finding = look(bus);
    if (finding && finding->census == Census::Several)
        finding = look(bus);
    return finding;
}

Result<int> check(ServoBus& bus)
{
    const Result<Finding> finding = take(bus);
    if (!finding)
        return finding.failure();
    switch (finding->census) {
    case Census::One: return finding->id;
    case Census::None: return Failure::failed(QStringLiteral("no servo answered the broadcast address"));
    case Census::Several: break;
    }
    return Failure::failed(QStringLiteral("several servos answer on this bus; nothing was sent"));
}

}  // namespace LoneServo
