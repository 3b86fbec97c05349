#include "Api/Bus/LoneServo.h"

#include "Api/Bus/Protocol.h"

#include <algorithm>
#include <optional>

namespace {

using namespace std::chrono_literals;

// After the first reply, time for the replies of slower servos: a servo answers within a few
// milliseconds, and a reply takes 0.6 ms on the line.
constexpr ServoBus::Microseconds quietWait = 20ms;

// What came back for one read, up to the end of the quiet wait after it.
struct Heard {
    std::optional<SVReply> reply;
    int moreReplies = 0;   // further replies to the same read
    bool garbled = false;  // bytes that made no valid frame and that no valid frame followed
};

// Sends one read and listens past its reply.
Result<Heard> ask(ServoBus& bus, int servoId, int command, const LoneServo::FrameLog& log)
{
    bus.takeLateReplies();  // replies to earlier reads (another page's, an earlier look's) are not this one's
    const qint64 garbageBefore = bus.garbageBytes();
    if (log)
        log(SVProtocol::frame(uint8_t(servoId), uint8_t(command)));
    const Result<SVReply> reply = bus.read(servoId, command);
    if (bus.isUsable())
        bus.listen(quietWait);
    if (!bus.isUsable())
        return bus.portFailure();
    Heard heard;
    if (reply)
        heard.reply = *reply;
    // Garbage left from before this read, and noise that a whole frame followed, do not count.
    heard.garbled = std::min(bus.garbageSinceFrame(), bus.garbageBytes() - garbageBefore) > 0;
    const bool toAll = servoId == SVProtocol::broadcastId;
    for (const SVReply& late : bus.takeLateReplies())
        heard.moreReplies += late.command == command && (toAll || late.servoId == servoId) ? 1 : 0;
    return heard;
}

bool severalAnswered(const Heard& heard)
{
    return heard.garbled || heard.moreReplies > 0;
}

}  // namespace

namespace LoneServo {

namespace {

// One look: the broadcast ID read, then the reads that only the servo it named answers.
Result<Finding> look(ServoBus& bus, const FrameLog& log)
{
    const Result<Heard> idRead = ask(bus, SVProtocol::broadcastId, SVProtocol::ReadId, log);
    if (!idRead)
        return idRead.failure();
    if (severalAnswered(*idRead))
        return Finding{Census::Several};
    if (!idRead->reply)
        return Finding{Census::None};
    const int id = std::get<SVReplyValue::Id>(idRead->reply->value).id;
    // Servos that share the ID answer its read alike, but their positions and voltages differ and
    // collide. Replies that collide bit by bit can also make, by chance, a valid ID reply with an ID
    // that no servo has: then nothing answers these reads.
    for (int command : {SVProtocol::ReadPosition, SVProtocol::ReadVoltage}) {
        const Result<Heard> heard = ask(bus, id, command, log);
        if (!heard)
            return heard.failure();
        if (!heard->reply || severalAnswered(*heard))
            return Finding{Census::Several};
    }
    return Finding{Census::One, id};
}

}  // namespace

// Several servos collide on every try; noise on the line, once.
Result<Finding> take(ServoBus& bus, const FrameLog& log)
{
    Result<Finding> finding = look(bus, log);
    if (finding && finding->census == Census::Several)
        finding = look(bus, log);
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
