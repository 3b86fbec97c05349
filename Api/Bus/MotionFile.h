// Poses and motion sequences: a list of steps, each moving some servos to their positions over a
// move time and then pausing, played a number of times. Its file, kept in version control and
// edited by hand, is written whole or not at all:
//   {"format": "servodesk-motion", "version": 1, "repeat": 1, "steps": [
//     {"name": "up", "time_ms": 800, "pause_ms": 200, "positions": {"1": 500, "2": 620}}]}
// with one step per line, so that a change of one step is one changed line. A step may carry
// "curve": "ease" or "through" (streamed, see MotionPlan.h); without it a step is "linear".
#pragma once

#include "Api/Bus/Result.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// How a step moves its servos: one move frame each (Linear), or streamed as set-points: starting
// and ending at rest (Ease), or passing through its pose towards the next one (Through).
enum class MotionCurve { Linear, Ease, Through };

struct MotionStep {
    QString name;
    int timeMs = 1000;  // the move time sent with each servo's move
    int pauseMs = 0;    // the wait after the move time
    QMap<int, int> positions;  // servo ID to target position; servos left out hold
    MotionCurve curve = MotionCurve::Linear;
    bool operator==(const MotionStep&) const = default;
};

struct Motion {
    int repeat = 1;  // times the whole list plays; 0 until stopped
    QList<MotionStep> steps;
    // Every servo any step moves, in ascending order.
    QList<int> servoIds() const;
    bool operator==(const Motion&) const = default;
};

namespace MotionFile {

constexpr int formatVersion = 1;
constexpr int maximumTimeMs = 30000;
constexpr int maximumPosition = 1000;
constexpr int maximumRepeat = 1000000;

QByteArray document(const Motion& motion);
// The motion in a file's bytes; a usage failure naming path, the step and the field at fault.
Result<Motion> parse(const QByteArray& bytes, const QString& path);
Result<Motion> read(const QString& path);
Result<void> write(const QString& path, const Motion& motion);
// The motion in path, or an empty one when there is no such file yet.
Result<Motion> readOrEmpty(const QString& path);
// A curve's name in the file ("linear", "ease", "through"), and back.
QString curveName(MotionCurve curve);
Result<MotionCurve> curveFrom(const QString& name);
// One step as the compact JSON object of the file's lines.
QByteArray stepJson(const MotionStep& step);

}  // namespace MotionFile
