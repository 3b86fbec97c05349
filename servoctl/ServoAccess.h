// One servo's settings and live state over the bus: the reads that fetch them and the writes that
// change them, with the frames the window sends for the same settings.
#pragma once

#include "servoctl/ServoBus.h"
#include "servoctl/ServoSettings.h"

#include <QStringList>

#include <optional>

namespace ServoAccess {

struct LiveState {
    int temperature = 0;        // degrees Celsius
    int voltageMillivolts = 0;
    int position = 0;
    bool motorLoaded = false;   // torque on
};

// The stored settings of servoId; none with *error naming the value that did not arrive.
std::optional<ServoSettings> readSettings(ServoBus& bus, int servoId, QString* error);
std::optional<LiveState> readState(ServoBus& bus, int servoId, QString* error);

struct WriteResult {
    QStringList writtenKeys;  // the keys of every frame that went out
    bool complete = false;    // false when the port failed before the last frame
};
// Writes what differs between from (the servo's own settings, addressed at from.id) and to, one
// frame per setting group with a pause after each; a new ID goes last, to the broadcast address when
// idToBroadcast (every servo on the bus then takes it).
WriteResult writeSettings(ServoBus& bus, const ServoSettings& from, const ServoSettings& to, bool idToBroadcast);

}  // namespace ServoAccess

// True when servoId answers a read; otherwise says so on standard error.
bool requireAnswer(ServoBus& bus, int servoId);
