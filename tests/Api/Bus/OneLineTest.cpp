// The window's line with everything on it at once, on a paced virtual bus of 3 and of 18 servos (also
// run under ThreadSanitizer): a Robot-page settings write and a Motion-page play as bus jobs, and the
// Basic page's encoder frames given from the main thread meanwhile. On the wire, no job's request is
// ever separated from its reply by another frame; every reply reaches whoever asked: the jobs theirs, the
// controller's handler the encoder's and nothing else.
#include "Api/Bus/BusWorker.h"
#include "Api/Bus/Protocol.h"
#include "Api/SVSerial.h"
#include "support/core/BusWorkerRig.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace SVProtocol;

// Of the jobs' read requests on the wire whose reply the bus wrote, those after which the next frame
// came before the reply was written, as "servo/command"; answered counts the requests looked at. The
// encoder's reads (commandNotAwaited) are left out: it never waits for a reply, only paces its frames.
QStringList framesBetweenRequestAndReply(const VirtualServo& bus, int commandNotAwaited, int& answered)
{
    answered = 0;
    const QList<VirtualServo::Chunk> requests = bus.receivedFrames();
    const QList<VirtualServo::Chunk> written = bus.writtenChunks();
    QStringList cutIn;
    for (qsizetype i = 0; i + 1 < requests.size(); ++i) {
        const QByteArray& request = requests[i].bytes;
        const uint8_t command = uint8_t(request.at(commandOffset));
        if (!isRead(command) || command == commandNotAwaited)
            continue;
        const QByteArray replyStart = frame(uint8_t(request.at(2)), command).left(3);  // header and servo ID
        const auto answers = [&](const QByteArray& bytes) {
            for (qsizetype at = bytes.indexOf(replyStart); at >= 0; at = bytes.indexOf(replyStart, at + 1))
                if (at + commandOffset < bytes.size() && uint8_t(bytes.at(at + commandOffset)) == command)
                    return true;
            return false;
        };
        for (const VirtualServo::Chunk& chunk : written) {
            if (chunk.time < requests[i].time || !answers(chunk.bytes))
                continue;
            ++answered;
            if (requests[i + 1].time < chunk.time)
                cutIn.append(QStringLiteral("%1/%2").arg(quint8(request.at(2))).arg(command));
            break;
        }
    }
    return cutIn;
}

TEST(OneLine, JobsAndEncoderFramesShareTheWireWithoutCuttingInAndEveryReplyReachesItsAsker)
{
    QTemporaryDir dataHome;  // the settings write's backups
    ASSERT_TRUE(dataHome.isValid());
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    for (const int count : {3, 18}) {
        SCOPED_TRACE(count);
        QList<int> ids;
        for (int id = 1; id <= count; ++id)
            ids.append(id);
        QObject controller;  // outlives the line, whose router hands it replies
        QList<ReplyRouter::Heard> shown;
        BusWorkerRig line(VirtualServo::robotServosWithIds(ids));
        ASSERT_TRUE(line.open()) << qPrintable(line.bus.errorString());
        line.replies.setUnawaitedHandler(&controller, [&](const QList<ReplyRouter::Heard>& heard) { shown += heard; });

        std::optional<Result<RobotWrite::Outcome>> written;
        QList<Result<void>> ended;
        QObject::connect(line.worker.get(), &BusWorker::settingsWritten, [&](const Result<RobotWrite::Outcome>& outcome) { written = outcome; });
        const BusWorker::Done done = [&](const BusWorker::JobEnd& end) { ended.append(end.result); };
        line.worker->writeSettings({{count, {{"angle_max", 850}}, std::nullopt}}, done);
        MotionStep out{QStringLiteral("out"), 200, 0, {}};
        MotionStep back{QStringLiteral("back"), 200, 0, {}};
        for (int id : ids) {
            out.positions.insert(id, 450);
            back.positions.insert(id, 550);
        }
        PlayOptions twice;
        twice.loops = 2;
        line.worker->play(Motion{1, {out, back}}, twice, done);
        // The Basic page meanwhile: its reads and an LED switch, as the user clicks.
        constexpr int basicReads = 6;
        for (int i = 0; i < basicReads; ++i) {
            line.encoder.sendReadTemp(1);
            line.encoder.sendWriteLed(QStringLiteral("1"), i % 2 == 0);
            serveEventsFor(20);
        }
        ASSERT_TRUE(waitForCondition([&] { return ended.size() == 2; }, 60000)) << "the jobs did not end";
        ASSERT_TRUE(line.encoder.queue().waitUntilIdle(std::chrono::seconds(10)));
        ASSERT_TRUE(waitForCondition([&] { return shown.size() >= basicReads; })) << shown.size() << " replies shown";

        EXPECT_TRUE(ended[0] && ended[1]) << qPrintable(ended[0] ? ended[1].failure().message : ended[0].failure().message);
        ASSERT_TRUE(written && *written);
        EXPECT_TRUE((*written)->complete());
        EXPECT_EQ(line.bus.settings(count - 1).angleMax, 850);
        int answered = 0;
        EXPECT_EQ(framesBetweenRequestAndReply(line.bus, ReadTemperature, answered), QStringList()) << "a frame cut in between a request and its reply";
        EXPECT_GT(answered, 2 * count) << "the wire shows too few answered reads to judge";
        for (const ReplyRouter::Heard& one : shown)
            EXPECT_TRUE(one.reply.servoId == 1 && one.reply.command == ReadTemperature)
                << "the controller was shown servo " << one.reply.servoId << "'s reply to command " << one.reply.command;
        EXPECT_EQ(shown.size(), basicReads);
    }
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace
