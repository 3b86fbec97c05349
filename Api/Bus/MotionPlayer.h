// Plays a motion on the bus, safely enough for a real robot:
// - before anything moves, every servo of the motion must answer with its position and its stored
//   angle limits, and every target must lie within its servo's limits;
// - a servo's first move goes from wherever it was last read to be: its time is stretched so that no
//   servo moves faster than the approach speed;
// - all moves of a step leave back to back, and steps follow an absolute schedule from the start,
//   so that nothing drifts over many loops;
// - a step that could only start more than its own time late (the process was stopped, the machine
//   swapped or slept) is skipped, never sent in a burst with the others missed: the next step starts
//   from where its servos are, at the approach speed, and the schedule goes on from then;
// - an "ease" or "through" step is streamed (see MotionPlan.h): a move frame per servo per tick, on
//   the same absolute schedule; a tick that could only start after its own end is skipped, never
//   sent late in a burst, but a step's last tick, which carries its pose, always goes;
// - between steps and ticks the servos' positions are read in turn, as far as the time before the
//   next frames allows; a servo that stops answering, an unplugged port or a stop request ends it,
//   and every servo that still answers holds: one on set-points is sent its last set-point with
//   move time 0 at once, any other its current position read.
// Runs on the bus's thread; waiting runs its event loop.
#pragma once

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/MotionPlan.h"
#include "Api/Bus/Result.h"
#include "Api/Bus/ServoBus.h"

#include <QList>

#include <chrono>
#include <functional>

struct PlayOptions {
    static constexpr double slowest = 0.1;
    static constexpr double fastest = 10;
    static constexpr double slowestApproach = 0.05;  // units per ms: 1000 units in 20 s
    static constexpr double fastestApproach = 10;

    int loops = 1;              // 0: until stopped
    double speed = 1;           // scales every move time and pause: 2 plays twice as fast
    double approachSpeed = 0.25;
    double rate = 0;  // set-points per second per servo of streamed steps; 0: what the wire carries
    std::chrono::milliseconds pollInterval{50};  // from one round of position reads to the next
};

class MotionPlayer {
public:
    using Clock = std::chrono::steady_clock;

    struct StepStart {
        int loop = 0;       // from 1
        int stepIndex = 0;  // from 0
        int timeMs = 0;     // the move time sent (streamed: the whole step's), stretched and scaled
        int ticks = 0;      // set-points per servo of a streamed step; 0 for one move
        Clock::time_point scheduled;
        Clock::time_point sent;  // when its last move frame had gone out
    };
    struct StepSkip {
        int loop = 0;       // from 1
        int stepIndex = 0;  // from 0
        Clock::time_point scheduled;
        Clock::duration late{};  // how late it would have started
    };
    // A step is only skipped when it is later than this as well as later than its own time, so that
    // a step of no time at all is not lost to the jitter of a busy machine.
    static constexpr std::chrono::milliseconds skipTolerance{50};
    // A set-point sent: where the servo is to be when its tick ends.
    struct SetPoint {
        int servoId = 0;
        int position = 0;
        Clock::time_point due;
    };
    // A position read at time; with commanded, a set-point that the servo is to reach at time.
    struct PositionSample {
        int servoId = 0;
        int position = 0;
        Clock::time_point time;
        bool commanded = false;
    };
    struct HealthSample {
        int servoId = 0;
        int millivolts = 0;
        int celsius = 0;
        Clock::time_point time;
    };
    // How often the watched servo's voltage and temperature are read while playing.
    static constexpr std::chrono::milliseconds healthInterval{1000};

    MotionPlayer(ServoBus& bus, Motion motion, PlayOptions options);

    // The checks before anything moves (see above); a usage failure for a target outside its
    // servo's limits or options out of range, a failure for a servo that does not answer.
    Result<void> prepare();
    // Plays the prepared motion from now. Ends with success after the last step's move time and
    // pause, with an interrupted failure after a stop request, or with a failure naming the servo
    // that stopped answering or the port's fault; the servos hold where they are in both cases.
    Result<void> play();

    const Motion& motion() const { return m_motion; }
    // The positions read by prepare().
    const QMap<int, int>& startPositions() const { return m_startPositions; }
    // The newest position read of each servo.
    const QMap<int, int>& newestPositions() const { return m_newestPositions; }
    // Servos sent their current position when play stopped early.
    const QList<int>& heldServos() const { return m_held; }
    // The rate streamed steps play at, set-points per second per servo; known after prepare().
    double rate() const { return m_plan.rate; }
    // Ticks of streamed steps skipped because they were late.
    int skippedTicks() const { return m_skippedTicks; }

    std::function<bool()> stopRequested = [] { return false; };
    std::function<void(const StepStart&)> onStepStart;
    std::function<void(const StepSkip&)> onStepSkipped;
    std::function<void(const PositionSample&)> onPosition;
    std::function<void(const SetPoint&)> onSetPoint;
    // A servo whose voltage and temperature are read now and then between position reads, when a
    // step is far enough away; -1 for none. Asked each time, so that it may change while playing.
    std::function<int()> watchedServo = [] { return -1; };
    std::function<void(const HealthSample&)> onHealth;

private:
    enum class WaitEnd { Due, Stop, PortGone, ServoSilent };
    WaitEnd waitUntil(Clock::time_point due);
    // Waits until due; on a stop, a silent servo or a lost port, holds the servos and says why.
    Result<void> waitFor(Clock::time_point due);
    // Whether reads that many fit before due: between linear steps each may take readBudget; between
    // ticks only what is left once the tick's frames are on the line.
    bool readsFit(Clock::time_point now, Clock::time_point due, int reads) const;
    // One position read of the next servo in turn; false when that servo is silent for good.
    bool pollNext(Clock::time_point due);
    void readHealth(Clock::time_point due);
    // How long a read may wait for its reply when the next frames are due then.
    ServoBus::Microseconds readTimeoutBefore(Clock::time_point due) const;
    void notePosition(const SVReply& reply, Clock::time_point readTime);
    Result<void> sendStep(const MotionStep& step, int timeMs);
    // Sends a streamed step's set-points, tick by tick from stepDue.
    Result<void> streamStep(const MotionPlan::StepPlan& plan, Clock::time_point stepDue);
    void holdAll();
    // Reads the position of each servo of step, so that a step after a skip starts from where they are.
    void readPositionsOf(const MotionStep& step);
    // The step's whole place in the schedule: its move time and pause, scaled.
    double slotMsOf(const MotionStep& step) const;

    ServoBus& m_bus;
    Motion m_motion;
    PlayOptions m_options;
    QList<int> m_servos;
    QMap<int, int> m_startPositions;
    QMap<int, int> m_newestPositions;
    QMap<int, int> m_misses;
    qsizetype m_pollIndex = 0;
    Clock::time_point m_nextPoll;
    Clock::time_point m_nextHealth;
    int m_silentServo = -1;
    QList<int> m_held;
    MotionPlan::Settings m_plan;
    QMap<int, int> m_setPoints;  // the last set-point of each servo whose last command was one
    bool m_streaming = false;    // between the ticks of a streamed step
    Clock::time_point m_lineFreeAt;  // when the frames of the last tick are off the line
    int m_skippedTicks = 0;
};
