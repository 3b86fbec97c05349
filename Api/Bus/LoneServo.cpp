#include "Api/Bus/LoneServo.h"

#include "Api/Bus/Protocol.h"

namespace LoneServo {

Result<int> check(ServoBus& bus)
{
    (void)bus.takeLateReplies();  // only what answers this read counts
    const qint64 garbageBefore = bus.garbageBytes();
    if (Result<void> sent = bus.write(SVProtocol::broadcastId, SVProtocol::ReadId); !sent)
        return sent.failure();
    bus.listen(ServoBus::replyTimeout);
    if (!bus.isUsable())
        return bus.portFailure();
    QList<int> answered;
    for (const SVReply& reply : bus.takeLateReplies())
        if (reply.command == SVProtocol::ReadId)
            answered.append(reply.servoId);
    const bool garbage = bus.garbageBytes() > garbageBefore;
    if (answered.size() == 1 && !garbage)
        return answered.first();
    if (answered.isEmpty() && !garbage)
        return Failure::failed(QStringLiteral("no servo answered the broadcast address"));
    return Failure::failed(QStringLiteral("several servos answer on this bus; nothing was sent"));
}

}  // namespace LoneServo
