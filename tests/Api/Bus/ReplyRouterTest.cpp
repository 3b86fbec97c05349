// The line's one reader: where each reply goes (the read awaiting it, the running job's late replies,
// the controller's handler), whether the bytes come whole, split across reads or from another thread.
#include "Api/Bus/Protocol.h"
#include "Api/Bus/ReplyRouter.h"
#include "support/core/EventLoopWait.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace SVProtocol;

QByteArray reply(int id, int command, std::initializer_list<uint8_t> parameters)
{
    return frame(uint8_t(id), uint8_t(command), parameters);
}

QList<int> commandsOf(const QList<ReplyRouter::Heard>& heard)
{
    QList<int> commands;
    for (const ReplyRouter::Heard& one : heard)
        commands.append(one.reply.command);
    return commands;
}

TEST(ReplyRouter, EachReplyGoesToTheReadAwaitingItOrTheClaimingJobOrTheHandler)
{
    const QByteArray temperature = reply(1, ReadTemperature, {40});
    const QByteArray position = reply(1, ReadPosition, {0xF4, 0x01});
    const QByteArray otherServo = reply(2, ReadPosition, {0x2C, 0x01});
    struct Case {
        const char* name;
        bool claimed;
        QList<QByteArray> reads;  // the bytes as the port read them
        std::optional<int> awaitedCommand;  // of servo 1, or none
        QList<int> handled;       // the handler's commands, in order
        QList<int> late;          // the late replies' commands
        bool answered;
    };
    const Case cases[] = {
        {"nothing awaited: the handler", false, {temperature + position}, std::nullopt, {ReadTemperature, ReadPosition}, {}, false},
        {"awaited among others", false, {temperature, position}, ReadPosition, {ReadTemperature}, {}, true},
        {"another servo's reply is not the answer", false, {otherServo}, ReadPosition, {ReadPosition}, {}, false},
        {"a job claims the line: late replies", true, {temperature, otherServo}, ReadPosition, {}, {ReadTemperature, ReadPosition}, false},
        {"a reply split across reads is one reply", false, {position.left(3), position.mid(3)}, ReadPosition, {}, {}, true},
        {"noise before a reply", false, {QByteArray("\x00\x55\x13", 3) + temperature}, std::nullopt, {ReadTemperature}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QObject context;
        ReplyRouter router;
        QList<ReplyRouter::Heard> handled;
        router.setUnawaitedHandler(&context, [&](const QList<ReplyRouter::Heard>& heard) { handled += heard; });
        router.claim(c.claimed);
        if (c.awaitedCommand)
            router.await(1, *c.awaitedCommand);
        for (const QByteArray& read : c.reads)
            router.feed(read, ReplyRouter::Clock::now());
        EXPECT_EQ(commandsOf(handled), c.handled);
        QList<int> late;
        for (const SVReply& one : router.takeLateReplies())
            late.append(one.command);
        EXPECT_EQ(late, c.late);
        const std::optional<ReplyRouter::Heard> answer = router.takeReply();
        EXPECT_EQ(answer.has_value(), c.answered);
        if (answer) {
            EXPECT_EQ(answer->frame, position);
        }
    }
}

// Replies read on another thread reach the handler on its own thread, in order, and the read awaiting
// one is woken on the feeding thread.
TEST(ReplyRouter, RepliesFedFromAnotherThreadReachTheHandlerInOrderOnItsThread)
{
    QObject context;
    ReplyRouter router;
    QList<int> temperatures;
    bool elsewhere = false;
    router.setUnawaitedHandler(&context, [&](const QList<ReplyRouter::Heard>& heard) {
        elsewhere = elsewhere || QThread::currentThread() != context.thread();
        for (const ReplyRouter::Heard& one : heard)
            temperatures.append(std::get<SVReplyValue::Temperature>(one.reply.value).celsius);
    });
    std::atomic<bool> woken{false};
    router.setArrivalHook([&] { woken = true; });
    router.await(3, ReadVoltage);
    std::thread reader([&] {
        for (uint8_t celsius = 20; celsius < 60; ++celsius)
            router.feed(reply(1, ReadTemperature, {celsius}), ReplyRouter::Clock::now());
        router.feed(reply(3, ReadVoltage, {0xE8, 0x1C}), ReplyRouter::Clock::now());
    });
    reader.join();
    EXPECT_TRUE(woken) << "the read awaiting its reply was not woken";
    EXPECT_TRUE(router.hasReply());
    ASSERT_TRUE(waitForCondition([&] { return temperatures.size() == 40; })) << temperatures.size() << " replies reached the handler";
    EXPECT_FALSE(elsewhere) << "the handler ran on the reader's thread";
    for (int i = 0; i < temperatures.size(); ++i)
        EXPECT_EQ(temperatures[i], 20 + i);
}

}  // namespace
