#include "Api/SVFrameTools.h"
#include "VirtualServo/VirtualServoModel.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Clock = VirtualServoModel::Clock;

namespace {

QByteArray frame(const char* hexWithoutChecksum)
{
    return SVFrameTools::frameWithChecksum(QByteArray::fromHex(hexWithoutChecksum));
}

}  // namespace

TEST(VirtualServoModel, AnswersEveryReadWithTheFactoryDefaults)
{
    const Clock::time_point t0 = Clock::now();
    VirtualServoModel servo(t0);
    servo.setTemperature(40);
    servo.setVoltageMillivolts(16000);
    servo.setPosition(1000, t0);
    const struct {
        const char* command;
        const char* reply;
    } cases[] = {
        {"5555fe030e", "555501040e01"},           // ID
        {"5555010313", "5555010413 00"},          // deviation 0
        {"5555010315", "5555010715 0000 e803"},   // angle 0-1000
        {"5555010317", "5555010717 9411 e02e"},   // 4500-12000 mV
        {"5555010319", "5555010419 55"},          // 85 degrees
        {"555501031a", "555501041a 28"},          // temperature 40
        {"555501031b", "555501051b 803e"},        // 16000 mV
        {"555501031c", "555501051c e803"},        // position 1000
        {"5555010320", "5555010420 01"},          // motor unloaded
        {"5555010322", "5555010422 00"},          // LED on
        {"5555010324", "5555010424 07"},          // all three alarms
    };
    for (const auto& c : cases)
        EXPECT_EQ(servo.handleFrame(frame(c.command), t0).toHex(), frame(c.reply).toHex()) << c.command;
}

TEST(VirtualServoModel, IdReplyOfServo3IsTheKnownFrame)
{
    VirtualServoModel servo;
    VirtualServoModel::Settings settings;
    settings.id = 3;
    servo.setSettings(settings);
    EXPECT_EQ(servo.handleFrame(frame("5555fe030e"), Clock::now()), QByteArray::fromHex("555503040e03e7"));
}

TEST(VirtualServoModel, WritesChangeWhatLaterReadsAnswer)
{
    const Clock::time_point t0 = Clock::now();
    VirtualServoModel servo(t0);
    for (const char* write : {"5555010411 fb",             // deviation -5
                              "5555010312",                // save deviation
                              "5555010714 6400 8403",      // angle 100-900
                              "5555010716 8813 b036",      // 5000-14000 mV
                              "5555010418 5a",             // 90 degrees
                              "555501071d 01ff 9cff",      // motor mode, speed -100
                              "555501041f 00",             // load
                              "5555010421 01",             // LED off
                              "5555010423 04"})            // stall only
        EXPECT_TRUE(servo.handleFrame(frame(write), t0).isEmpty()) << write;

    const VirtualServoModel::Settings s = servo.settings();
    EXPECT_EQ(s.deviation, -5);
    EXPECT_TRUE(s.deviationSaved);
    EXPECT_EQ(s.angleMin, 100);
    EXPECT_EQ(s.angleMax, 900);
    EXPECT_EQ(s.voltageMinMillivolts, 5000);
    EXPECT_EQ(s.voltageMaxMillivolts, 14000);
    EXPECT_EQ(s.maxTemperature, 90);
    EXPECT_EQ(s.mode, 1);
    EXPECT_EQ(s.speed, -100);
    EXPECT_TRUE(s.motorLoaded);
    EXPECT_FALSE(s.ledOn);
    EXPECT_EQ(s.alarmBits, 4);
    EXPECT_EQ(servo.handleFrame(frame("5555010313"), t0), frame("5555010413 fb"));
    EXPECT_EQ(servo.handleFrame(frame("5555010320"), t0), frame("5555010420 00"));
    EXPECT_EQ(servo.handleFrame(frame("5555010322"), t0), frame("5555010422 01"));
}

TEST(VirtualServoModel, AnswersOnlyItsOwnIdAndBroadcastForTheIdCommands)
{
    const Clock::time_point t0 = Clock::now();
    VirtualServoModel servo(t0);
    EXPECT_TRUE(servo.handleFrame(frame("555502031a"), t0).isEmpty());   // another servo
    EXPECT_TRUE(servo.handleFrame(frame("5555fe031a"), t0).isEmpty());   // broadcast read temperature
    EXPECT_TRUE(servo.handleFrame(frame("5555020421 01"), t0).isEmpty());
    EXPECT_TRUE(servo.settings().ledOn) << "a write to another ID must not act";

    EXPECT_TRUE(servo.handleFrame(frame("5555fe040d 07"), t0).isEmpty());  // new ID 7
    EXPECT_EQ(servo.settings().id, 7);
    EXPECT_TRUE(servo.handleFrame(frame("555501031a"), t0).isEmpty());
    EXPECT_FALSE(servo.handleFrame(frame("555507031a"), t0).isEmpty());
    EXPECT_EQ(servo.handleFrame(frame("555507030e"), t0), frame("555507040e07"));
}

TEST(VirtualServoModel, IgnoresFramesWithTheWrongLengthForTheirCommand)
{
    const Clock::time_point t0 = Clock::now();
    VirtualServoModel servo(t0);
    // A reply looks like its command with parameters: it must not be taken for a read.
    EXPECT_TRUE(servo.handleFrame(frame("555501041a 28"), t0).isEmpty());
    EXPECT_TRUE(servo.handleFrame(frame("5555010421"), t0).isEmpty());  // LED write without its byte
    EXPECT_TRUE(servo.handleFrame(frame("5555010302"), t0).isEmpty());  // no such command
    EXPECT_EQ(servo.settings(), VirtualServoModel::Settings{});
}

TEST(VirtualServoModel, PositionMovesTowardTheTargetOverTheMoveTime)
{
    const Clock::time_point t0 = Clock::now();
    VirtualServoModel servo(t0);
    servo.setPosition(500, t0);
    servo.handleFrame(frame("55550107 01e803e803"), t0);  // to 1000 in 1000 ms
    EXPECT_EQ(servo.position(t0), 500);
    EXPECT_EQ(servo.position(t0 + 500ms), 750);
    EXPECT_EQ(servo.position(t0 + 1000ms), 1000);
    EXPECT_EQ(servo.position(t0 + 5s), 1000);

    // A new move starts where the servo is now; a target outside the angle limits is held to them.
    servo.handleFrame(frame("5555010714 6400 8403"), t0 + 5s);  // limits 100-900
    servo.handleFrame(frame("55550107 01 0000 0000"), t0 + 5s);
    EXPECT_EQ(servo.position(t0 + 5s), 100);
    EXPECT_EQ(servo.handleFrame(frame("555501031c"), t0 + 5s), frame("555501051c 6400"));

    // Set-points streamed a tick apart, each with the tick as its move time: the servo follows the
    // path they make, half-way through each tick half-way to its set-point.
    const Clock::time_point t1 = t0 + 10s;
    for (int tick = 0; tick < 10; ++tick) {
        const Clock::time_point sent = t1 + tick * 20ms;
        const int setPoint = 100 + 20 * (tick + 1) + (tick % 2) * 10;  // uneven steps, as a curve's are
        const int from = servo.position(sent);
        servo.handleFrame(SVFrameTools::frameWithChecksum(QByteArray::fromHex("5555010701") + SVProtocol::wordBytes(setPoint)
                                                          + SVProtocol::wordBytes(20)),
                          sent);
        EXPECT_EQ(servo.position(sent + 10ms), (from + setPoint + 1) / 2) << "tick " << tick;
        EXPECT_EQ(servo.position(sent + 20ms), setPoint) << "tick " << tick;
    }
}

TEST(VirtualServoModel, DriftStaysGentle)
{
    const Clock::time_point t0 = Clock::now();
    VirtualServoModel servo(t0);
    servo.setTemperature(40);
    servo.setVoltageMillivolts(7400);
    servo.setDrift(true);
    bool moved = false;
    for (int second = 0; second < 120; ++second) {
        const Clock::time_point t = t0 + std::chrono::seconds(second);
        EXPECT_LE(std::abs(servo.temperature(t) - 40), 2);
        EXPECT_LE(std::abs(servo.voltageMillivolts(t) - 7400), 50);
        moved = moved || servo.temperature(t) != 40;
    }
    EXPECT_TRUE(moved);
    servo.setDrift(false);
    EXPECT_EQ(servo.temperature(t0 + 10s), 40);
}
