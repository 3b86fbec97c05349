// Giving new servos their IDs, one at a time, as a robot is built from a box of them: the run waits
// for a servo that answers an ID no finished servo has (the newcomer), writes it the next ID of the
// plan addressed to its own ID, reads the new ID back and moves the servo a little and back, so that
// the user sees which joint it is. Nothing goes to the broadcast address; nothing is written while
// two unknown servos answer or two servos answer one ID. Every new servo comes with the factory ID,
// so a plan that holds that ID gives it last: any newcomer after it would share it.
//
// The run reports each step as an Event and prints nothing; the window and servoctl show the same
// events. It ends when every joint is done, or stops (a request, an unplug, a servo lost mid-write)
// saying which joints are done and which are not; a later run resumes, since servos found at their
// planned IDs at its start count as done.
#pragma once

#include "Api/Bus/Protocol.h"
#include "Api/Bus/ServoBus.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

namespace IdAssignment {

constexpr int factoryId = SVProtocol::FactoryDefaults::id;

struct Joint {
    int id = 0;
    QString name;  // the robot's name for it; may be empty
    bool operator==(const Joint&) const = default;
};

struct Plan {
    QList<Joint> joints;         // in the order they are given; the factory ID, when present, last
    bool factoryIdMoved = false; // the list named the factory ID before other IDs: it was moved last
    std::optional<int> redo;     // only this joint is given again (a replaced servo); the others count as done
};

// The plan for ids in the user's order (each once, 0-253), with names by ID; a usage failure for an
// empty list, a repeated ID or one out of range, or a redo ID that is not among ids.
Result<Plan> makePlan(const QList<int>& ids, const QMap<int, QString>& names = {}, std::optional<int> redo = {});

// The events, in the order a run reports them.
struct Started {
    Plan plan;
    // The factory ID is a finished joint's while a new servo comes with it: the new servo must be
    // connected alone (a redo on a built robot).
    bool connectAlone = false;
};
struct Recognised {
    Joint joint;  // a servo already answers at this joint's ID: done before the run began
};
struct Waiting {
    Joint joint;      // the joint whose servo is to be connected now
    int remaining = 0;  // joints not done, this one included
};
struct Found {
    int servoId = 0;  // the newcomer's ID
    Joint joint;      // the joint it is given
};
struct TwoAtOnce {
    QList<int> servoIds;  // the unknown IDs that answered; nothing is written until one is left
};
struct SharedId {
    int servoId = 0;       // two servos answer this ID
    bool doneJoint = false;  // one of them is a finished joint's
};
struct Written {
    int fromId = 0;
    Joint joint;
};
struct Verified {
    Joint joint;  // the servo answered the read of its ID at the joint's ID
};
struct Done {
    Joint joint;
    bool wiggled = false;       // it moved a little and back
    std::optional<Joint> next;  // the joint to connect next
};
struct Finished {
    QList<Joint> done;
};
struct Stopped {
    enum class Why { Request, PortGone, ServoLost };
    Why why = Why::Request;
    QString message;        // one line for the user, naming what is done and what is not
    QList<Joint> done;
    QList<Joint> notDone;
    // A write whose read-back did not come: the servo has either of these IDs.
    std::optional<Written> unconfirmed;
};

using Event = std::variant<Started, Recognised, Waiting, Found, TwoAtOnce, SharedId, Written, Verified, Done, Finished, Stopped>;

struct Hooks {
    std::function<void(const Event&)> report = [](const Event&) {};
    std::function<bool()> stopRequested = [] { return false; };
};

// Runs the plan on bus until every joint is done (the Finished event's joints) or the run stops (a
// failure carrying the Stopped event's message: interrupted for a request, failed otherwise).
Result<QList<Joint>> run(ServoBus& bus, const Plan& plan, const Hooks& hooks = {});

// The event's name in servoctl's JSON lines ("waiting", "two-at-once").
QString eventName(const Event& event);

}  // namespace IdAssignment
