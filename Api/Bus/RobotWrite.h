// Writing the changed settings of several servos of one robot, as the Robot page's "Write changes"
// does: each servo's present settings are read and saved as a backup before anything is sent (a
// failed read or backup sends nothing); then only what differs goes out, one round of frames across
// the servos at a time with one pause per round (each servo stores its value while the others are
// written); then every written servo is read back. IDs are never changed; nothing goes to the
// broadcast address.
#pragma once

#include "Api/Bus/ServoAccess.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace RobotWrite {

struct Change {
    int servoId = 0;
    SettingValues values;  // the edited settings; an "id" among them is ignored
    // The offset the servo stores, when the page has sent an adjustment since reading it: the servo
    // then reports the adjusted offset, and the backup keeps the stored one.
    std::optional<int> storedDeviation;
};

struct ServoOutcome {
    int servoId = 0;
    QString backup;          // the file holding the settings before the change
    ServoSettings target;
    QStringList writtenKeys;
    QStringList unwrittenKeys;
    bool answered = false;   // the read-back came
    ServoSettings readBack;
    QStringList differingKeys;  // read back otherwise than written
};

struct Outcome {
    QList<ServoOutcome> servos;     // every servo with changes, in the order given
    std::optional<Failure> stopped;  // why the writing stopped before its end: an unplug, a stop
    bool complete() const;          // everything written, read back and as written
};

// A failure means that nothing was sent: a servo did not answer before, a value breaks a rule, a
// backup could not be saved, or a stop came first.
Result<Outcome> write(ServoBus& bus, const QList<Change>& changes,
                      const std::function<bool()>& stopRequested = [] { return false; });

}  // namespace RobotWrite
