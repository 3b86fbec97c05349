// The command encoder end to end: frames go through a real serial port on a pseudo-terminal and
// are checked as the virtual servo at the other end received them.
#include "Api/SVFrameTools.h"
#include "Api/SVSerial.h"
#include "Api/Source/ORSSerialPort.h"
#include "VirtualServo/VirtualServo.h"
#include "support/core/StdoutCapture.h"

#include <QTest>
#include <gtest/gtest.h>

#include <QThread>

#include <functional>
#include <optional>

using namespace std::chrono_literals;

namespace {

QByteArray frame(const char* hexWithoutChecksum)
{
    return SVFrameTools::frameWithChecksum(QByteArray::fromHex(hexWithoutChecksum));
}

class OpenedDelegate : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override {}
    void serialPortWasOpened(ORSSerialPort*) override { opened = true; }
    bool opened = false;
};

class EncoderOverTerminal : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(servo.isValid()) << servo.errorString().toStdString();
        port = ORSSerialPort::serialPortWithPath(servo.slavePath());
        port->setDelegate(&delegate);
        port->open();
        ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.opened; }, 5000)) << "the port did not open";
        encoder.setSerialPort(port);
    }

    void TearDown() override
    {
        EXPECT_TRUE(encoder.queue().waitUntilIdle(10s));
        encoder.setSerialPort(nullptr);
        port->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !port->isOpen(); }, 5000));
    }

    // Drains the encoder's queue, then waits until the servo has received at least byteCount bytes.
    QByteArray receivedAfterDrain(qsizetype byteCount)
    {
        EXPECT_TRUE(encoder.queue().waitUntilIdle(10s)) << "the encoder's queue did not drain";
        QByteArray received;
        const bool arrived = QTest::qWaitFor([&] {
            received.clear();
            for (const VirtualServo::Chunk& chunk : servo.receivedChunks())
                received += chunk.bytes;
            return received.size() >= byteCount;
        }, 5000);
        EXPECT_TRUE(arrived) << "only " << received.size() << " of " << byteCount << " bytes arrived";
        return received;
    }

    // The bytes the servo received for one builder call.
    QByteArray bytesOf(const std::function<void(SVSerial&)>& call, qsizetype expectedSize)
    {
        servo.clearRecords();
        call(encoder);
        return receivedAfterDrain(expectedSize);
    }

    VirtualServo servo;
    OpenedDelegate delegate;
    ORSSerialPort::Ptr port;
    SVSerial encoder;
};

}  // namespace

TEST_F(EncoderOverTerminal, EveryBuilderWritesItsExactFrame)
{
    const struct {
        const char* name;
        std::function<void(SVSerial&)> call;
        QByteArray expected;
    } cases[] = {
        {"move", [](SVSerial& s) { s.sendOneSteering(1, 500, 1000); }, frame("5555010701 f401 e803")},
        {"write ID", [](SVSerial& s) { s.sendWriteId("3"); }, frame("5555fe040d 03")},
        {"read ID", [](SVSerial& s) { s.sendReadId(); }, QByteArray::fromHex("5555fe030ef0")},
        {"adjust deviation -125", [](SVSerial& s) { s.sendWriteDeviationId("1", "-125"); }, frame("5555010411 83")},
        {"adjust deviation -5", [](SVSerial& s) { s.sendWriteDeviationId("1", "-5"); }, frame("5555010411 fb")},
        {"save deviation", [](SVSerial& s) { s.sendWriteSaveDeviationWithId("1"); }, frame("5555010312")},
        {"read deviation", [](SVSerial& s) { s.sendReadDeviationWithId(1); }, frame("5555010313")},
        {"write angle", [](SVSerial& s) { s.sendWriteAngle("1", "0", "1000"); }, frame("5555010714 0000 e803")},
        {"read angle", [](SVSerial& s) { s.sendReadAngleLimit("1"); }, QByteArray::fromHex("5555010315e6")},
        {"write voltage", [](SVSerial& s) { s.sendWriteVoltage("1", "4.5", "14"); }, frame("5555010716 9411 b036")},
        {"read voltage limit", [](SVSerial& s) { s.sendReadVoltageLimit("1"); }, frame("5555010317")},
        {"write max temperature", [](SVSerial& s) { s.sendWriteMaxTemp("1", "85 ℃"); }, frame("5555010418 55")},
        {"read max temperature", [](SVSerial& s) { s.sendReadTempLimit("1"); }, frame("5555010319")},
        {"read temperature", [](SVSerial& s) { s.sendReadTemp(1); }, frame("555501031a")},
        {"read voltage", [](SVSerial& s) { s.sendReadVoltage(1); }, frame("555501031b")},
        {"read position", [](SVSerial& s) { s.sendReadPostion(1); }, frame("555501031c")},
        {"speed hex -100", [](SVSerial& s) { s.sendSpeed("1", "ffffff9c", 1); }, frame("555501071d 01ff 9cff")},
        {"speed decimal -100", [](SVSerial& s) { s.sendSpeed("1", "-100", 1); }, frame("555501071d 01ff 9cff")},
        {"speed 0 servo mode", [](SVSerial& s) { s.sendSpeed("1", "0", 0); }, frame("555501071d 00ff 0000")},
        {"speed 500", [](SVSerial& s) { s.sendSpeed("1", "500", 1); }, frame("555501071d 01ff f401")},
        {"speed -1000", [](SVSerial& s) { s.sendSpeed("1", "-1000", 1); }, frame("555501071d 01ff 18fc")},
        {"load", [](SVSerial& s) { s.sendMotorLoadOrUload(1, true); }, frame("555501041f 00")},
        {"unload", [](SVSerial& s) { s.sendMotorLoadOrUload(1, false); }, frame("555501041f 01")},
        {"read load", [](SVSerial& s) { s.sendReadMotorLoadOrUload("1"); }, frame("5555010320")},
        {"LED on", [](SVSerial& s) { s.sendWriteLed("1", true); }, frame("5555010421 00")},
        {"LED off", [](SVSerial& s) { s.sendWriteLed("1", false); }, frame("5555010421 01")},
        {"read LED", [](SVSerial& s) { s.sendLedRead("1"); }, frame("5555010322")},
        {"write alarms", [](SVSerial& s) { s.sendWriteLedError("1", "4"); }, frame("5555010423 04")},
        {"read alarms", [](SVSerial& s) { s.sendLedErrorRead("1"); }, frame("5555010324")},
        // E3 + 03 + 1A is 0x100: the sum wraps to 0 and the checksum is FF.
        {"checksum FF", [](SVSerial& s) { s.sendReadTemp(0xE3); }, QByteArray::fromHex("5555e3031aff")},
        {"raw bytes", [](SVSerial& s) {
             const uint8_t bytes[] = {0x55, 0x55, 0x02, 0x03, 0x1c};
             s.sendByte(bytes, 5);
         }, frame("555502031c")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bytesOf(c.call, c.expected.size()).toHex(' '), c.expected.toHex(' ')) << c.name;
}

TEST_F(EncoderOverTerminal, CompoundReadSendsSixPacedReadsInOrder)
{
    servo.clearRecords();
    encoder.sendReadServoInfoWithId("1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return servo.receivedFrames().size() >= 6; }, 5000))
        << "the servo did not receive six frames";
    const QList<VirtualServo::Chunk> frames = servo.receivedFrames();
    const QList<QByteArray> expected = {frame("5555010315"), frame("5555010317"), frame("5555010319"),
                                        frame("5555010322"), frame("5555010324"), frame("5555010313")};
    ASSERT_EQ(frames.size(), expected.size());
    // The servo stamps a frame when its reading thread gets to it, which on a busy machine can be
    // a few milliseconds after the write; that can shorten one measured gap by as much. The
    // allowance is well below the pause, so frames written without it (gaps near zero) still fail.
    constexpr auto readerLateness = 10ms;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].bytes, expected[i]) << i;
        if (i > 0) {
            EXPECT_GE(frames[i].time - frames[i - 1].time, SVSerial::queuedFramePause - readerLateness)
                << "queued frames " << i - 1 << " and " << i << " were not paced";
        }
    }
    EXPECT_GE(frames.last().time - frames.first().time, 5 * SVSerial::queuedFramePause - readerLateness);
}

TEST_F(EncoderOverTerminal, MoveFramesLeaveInCallOrderUnloggedAndQueuedOnesAreLogged)
{
    servo.clearRecords();
    StdoutCapture capture;
    for (int i = 0; i < 20; ++i)
        encoder.sendOneSteering(1, i * 50, 0);
    encoder.sendReadId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return servo.receivedFrames().size() >= 21; }, 5000))
        << "the servo did not receive all frames";
    ASSERT_TRUE(encoder.queue().waitUntilIdle(10s));
    const QByteArray log = capture.finish();

    const QList<VirtualServo::Chunk> frames = servo.receivedFrames();
    ASSERT_EQ(frames.size(), 21);
    for (int i = 0; i < 20; ++i) {
        const int position = i * 50;
        QByteArray move = QByteArray::fromHex("5555010701");
        move += char(position & 0xFF);
        move += char(position >> 8);
        move += QByteArray(2, 0);  // move time 0
        EXPECT_EQ(frames[i].bytes, SVFrameTools::frameWithChecksum(move)) << i;
    }
    // Only the queued frame is logged, in the exact four-line form.
    EXPECT_EQ(log, QByteArray("10进制\n[85 85 254 3 14 240 ]\n16进制\n[55 55 fe 3 e f0 ]\n"));
}

TEST_F(EncoderOverTerminal, ClosedPortGetsNothingButFramesAreStillLogged)
{
    port->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port->isOpen(); }, 5000));
    servo.clearRecords();
    StdoutCapture capture;
    for (int i = 0; i < 100; ++i)
        encoder.sendReadTemp(1);
    encoder.sendOneSteering(1, 500, 0);
    ASSERT_TRUE(encoder.queue().waitUntilIdle(30s)) << "the queue did not drain";
    const QByteArray log = capture.finish();
    EXPECT_EQ(log.count("10进制"), 100);

    // Proof that the line works: a frame sent after reopening arrives, and it is the only one.
    delegate.opened = false;
    port->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.opened; }, 5000));
    encoder.sendReadId();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !servo.receivedFrames().isEmpty(); }, 5000));
    ASSERT_TRUE(encoder.queue().waitUntilIdle(10s));
    const QList<VirtualServo::Chunk> frames = servo.receivedFrames();
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames[0].bytes, QByteArray::fromHex("5555fe030ef0"));
}

TEST_F(EncoderOverTerminal, PortCanBeReplacedWhileFramesAreQueued)
{
    servo.clearRecords();
    for (int round = 0; round < 200; ++round) {
        encoder.sendOneSteering(1, round, 0);
        encoder.setSerialPort(round % 2 ? port : nullptr);
        EXPECT_EQ(encoder.serialPort(), round % 2 ? port : nullptr);
    }
    encoder.setSerialPort(port);
    encoder.sendReadId();
    ASSERT_TRUE(encoder.queue().waitUntilIdle(10s));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto frames = servo.receivedFrames();
        return !frames.isEmpty() && frames.last().bytes == QByteArray::fromHex("5555fe030ef0");
    }, 5000)) << "the last frame did not arrive";
    // Whatever got through arrived whole: every byte received belongs to a valid frame.
    qsizetype framedBytes = 0;
    for (const VirtualServo::Chunk& f : servo.receivedFrames())
        framedBytes += f.bytes.size();
    qsizetype receivedBytes = 0;
    for (const VirtualServo::Chunk& c : servo.receivedChunks())
        receivedBytes += c.bytes.size();
    EXPECT_EQ(framedBytes, receivedBytes);
}

// A group of frames is reported on the main thread with how many of them reached an open port; a
// group that is cut short says so, and its frames after the cut are not sent.
struct GroupCut {
    const char* name;
    std::function<void(SVSerial&, VirtualServo&)> before;
    bool whole;
};

class EncoderWriteGroup : public EncoderOverTerminal, public ::testing::WithParamInterface<GroupCut> {};

TEST_P(EncoderWriteGroup, ReportsWhatWentOut)
{
    servo.clearRecords();
    GetParam().before(encoder, servo);
    QObject receiver;
    std::optional<SVSerial::WriteReport> report;
    bool onMainThread = false;
    encoder.beginWriteGroup();
    encoder.sendReadAngleLimit(QStringLiteral("1"));
    encoder.sendReadVoltageLimit(QStringLiteral("1"));
    encoder.sendReadTempLimit(QStringLiteral("1"));
    encoder.endWriteGroup(&receiver, [&](const SVSerial::WriteReport& r) {
        report = r;
        onMainThread = QThread::currentThread() == receiver.thread();
    });
    encoder.sendReadId();  // after the group: not counted
    ASSERT_TRUE(QTest::qWaitFor([&] { return report.has_value(); }, 5000)) << "no report";
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(report->queued, 3);
    EXPECT_EQ(report->complete(), GetParam().whole);
    QList<int> commands;
    const QList<VirtualServo::Chunk> frames = servo.receivedFrames();
    for (const VirtualServo::Chunk& chunk : frames)
        commands.append(quint8(chunk.bytes.at(4)));
    if (GetParam().whole)
        EXPECT_EQ(commands.mid(0, 3), QList<int>({21, 23, 25}));
    else
        EXPECT_FALSE(commands.contains(25)) << "a frame after the cut was sent";
    EXPECT_LE(commands.size(), report->written + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, EncoderWriteGroup,
    ::testing::Values(GroupCut{"Whole", [](SVSerial&, VirtualServo&) {}, true},
                      GroupCut{"NoPort", [](SVSerial& encoder, VirtualServo&) { encoder.setSerialPort(nullptr); }, false},
                      GroupCut{"DeviceGoneAfterTheFirst",
                               [](SVSerial&, VirtualServo& servo) { servo.setUnplugOnCommand(21); }, false}),
    [](const ::testing::TestParamInfo<GroupCut>& info) { return std::string(info.param.name); });

TEST(SVSerial, SpeedTextsReadAsDecimalOrAsTheEightDigitHexForm)
{
    auto bytes = [](const char* text) {
        const SVSerial::SpeedBytes b = SVSerial::speedBytesFromText(QString::fromUtf8(text));
        QByteArray pair;
        pair += char(b.low);
        pair += char(b.high);
        return pair.toHex();
    };
    EXPECT_EQ(bytes("ffffff9c"), "9cff");
    EXPECT_EQ(bytes("fffffc18"), "18fc");  // -1000 from the slider
    EXPECT_EQ(bytes("-100"), "9cff");
    EXPECT_EQ(bytes("-1000"), "18fc");     // decimal, not 0x1000
    EXPECT_EQ(bytes(" -1000"), "18fc");
    EXPECT_EQ(bytes("+1000"), "e803");
    EXPECT_EQ(bytes("1000"), "e803");
    EXPECT_EQ(bytes("0"), "0000");
    EXPECT_EQ(bytes(""), "0000");
    EXPECT_EQ(bytes("FFFFFF9C"), "9cff");
}
