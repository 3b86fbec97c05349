// Writing the changed settings of servos, as the Robot page's "Write changes", servoctl's set and
// restore and the Python module's write_settings do: each servo's present settings are read and saved
// as a backup before anything is sent (a failed read or backup sends nothing); then only what differs
// goes out, one round of frames across the servos at a time with one pause per round (each servo
// stores its value while the others are written), a new ID last; then every written servo is read
// back at its ID. Nothing goes to the broadcast address unless asked for a servo alone on the bus.
#pragma once

#include "Api/Bus/ServoAccess.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

namespace RobotWrite {

struct Change {
    int servoId = 0;
    SettingValues values;  // the settings to give it; an "id" among them is a new ID when Options allow it
    // The offset the servo stores, when the page has sent an adjustment since reading it: the servo
    // then reports the adjusted offset, the backup keeps the stored one, and the offset is stored
    // even when it reads as the one asked for.
    std::optional<int> storedDeviation;
};

struct Options {
    bool changeIds = false;      // an "id" value gives the servo a new ID; otherwise IDs never change
    bool idToBroadcast = false;  // the new ID goes to the broadcast address, for a servo alone on the bus
};

struct ServoOutcome {
    int servoId = 0;
    QString backup;          // the file holding the settings before the change
    ServoSettings target;    // its ID is the one the servo answers after the write
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

// A failure means that nothing was sent: a servo did not answer before, a value breaks a rule, a new
// ID is taken, a backup could not be saved, or a stop came first. Servos already as asked are not in
// the outcome.
Result<Outcome> write(ServoBus& bus, const QList<Change>& changes,
                      const std::function<bool()>& stopRequested = [] { return false; }, const Options& options = {});

}  // namespace RobotWrite
