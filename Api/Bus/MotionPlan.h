// The path of each servo through a motion, planned without a bus: a linear step is one move frame
// per servo; an "ease" or "through" step is streamed as set-points, one per servo per tick, each
// the position the curve reaches at the tick's end, sent with the tick's length as its move time.
// - ease: a quintic profile from rest to rest (no jump in speed or acceleration at either end);
// - through: a monotone cubic across a run of through steps: each pose is passed with a speed that
//   is the weighted harmonic mean of the slopes on either side (0 where they differ in sign), so the
//   path never leaves the range of the two poses around a segment. A through step ends at rest when
//   it pauses, when the next step is not through (or moves a servo for the first time), and when
//   nothing follows; the last step of a loop flows into the first of the next loop.
// A servo's first move (one not moved yet) goes from its newest position read and is stretched so
// that it goes no faster than the approach speed; such a step ends at rest.
#pragma once

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/Result.h"

#include <QList>
#include <QMap>

namespace MotionPlan {

// The wire's budget at 115200 bit/s (a byte is 10 bits: 0.087 ms). Per second and per servo the
// line carries `rate` move frames (10 bytes: 0.87 ms each) and readsPerServo position reads (a
// 6-byte request and an 8-byte reply, 1.22 ms, plus 1 ms for the servo's turnaround and the
// adapter: 2.22 ms each), within usableShare of the line, the rest left for timing slack:
//   servos * (rate * 0.87 ms + 10 * 2.22 ms) <= 950 ms  =>  rate <= (950 / servos - 22.2) / 0.87
// that is 1069/s for 1 servo, 157/s for 6, 35/s for 18; the rate chosen is this, at most 50/s.
constexpr double lineByteMs = 1000.0 * 10 / 115200;
constexpr double moveFrameMs = 10 * lineByteMs;
constexpr double servoTurnaroundMs = 1.0;
constexpr double positionReadMs = 14 * lineByteMs + servoTurnaroundMs;
constexpr double readsPerServo = 10;
constexpr double usableShare = 0.95;
constexpr double defaultRate = 50;
constexpr double slowestRate = 1;
constexpr double fastestRate = 100;  // a tick of 10 ms: move times go in whole milliseconds

// The most set-points per second per servo the wire carries for servoCount servos beside the reads.
double highestRate(int servoCount);
// The rate streamed steps use when none is asked for.
double chosenRate(int servoCount);
// rate when the wire carries it for servoCount servos; else a usage failure naming the highest.
Result<double> checkedRate(double rate, int servoCount);

struct Limits {
    int minimum = 0;
    int maximum = MotionFile::maximumPosition;
};

struct Settings {
    double rate = defaultRate;  // set-points per second per servo
    double speed = 1;           // scales every time and pause: 2 plays twice as fast
    double approachSpeed = 0.25;  // units per ms, for a servo's first move
    QMap<int, Limits> limits;   // servos left out: 0 to the largest position
};

// Where the servos are between two steps.
struct State {
    QMap<int, int> targets;     // the last target of each servo moved so far
    QMap<int, double> speeds;   // and its speed there, units per ms (not 0 only within a through run)
    QMap<int, int> newest;      // the newest position read of each servo: where a first move starts
};

struct StepPlan {
    MotionCurve curve = MotionCurve::Linear;
    double moveMs = 0;   // the move, scaled and stretched
    double pauseMs = 0;  // the pause after it, scaled
    int moveTimeMs = 0;  // the move time sent: the whole move (linear) or each tick's (streamed)
    int ticks = 0;       // set-points per servo; 0 for a linear step
    QMap<int, QList<int>> setPoints;  // servo ID to its position at the end of each tick (linear: the target)
    double tickMs() const { return ticks > 0 ? moveMs / ticks : 0; }
};

// Plans step index of motion from state, and moves state on to the end of the step. nextIndex is the
// step that plays after it: index + 1, 0 when another loop follows, -1 when nothing does.
StepPlan planStep(const Motion& motion, qsizetype index, qsizetype nextIndex, State& state, const Settings& settings);

// The commanded path of a whole play: each servo is to be at position at timeMs (from the start),
// and moves in a straight line from one of its points to the next. Starts with each servo's start
// position at 0. loops 0 plans one loop of a play that goes on.
struct PathPoint {
    double timeMs = 0;
    int servoId = 0;
    int position = 0;
    bool operator==(const PathPoint&) const = default;
};
QList<PathPoint> path(const Motion& motion, int loops, const QMap<int, int>& startPositions, const Settings& settings);

// The step that plays after index in loop (from 1) of loops (0: until stopped), or -1.
qsizetype nextStep(const Motion& motion, qsizetype index, int loop, int loops);

}  // namespace MotionPlan
