// One servo's settings and live state over the bus: the reads that fetch them and the writes that
// change them, with the frames the window sends for the same settings.
#pragma once

#include "Api/Bus/ServoBus.h"
#include "Api/Bus/ServoSettings.h"

#include <QMap>
#include <QStringList>

#include <functional>

namespace ServoAccess {

struct LiveState {
    int temperature = 0;        // degrees Celsius
    int voltageMillivolts = 0;
    int position = 0;
    bool motorLoaded = false;   // torque on
};

// The stored settings of servoId; a failure naming the value that did not arrive, or the port's fault.
Result<ServoSettings> readSettings(ServoBus& bus, int servoId);
Result<LiveState> readState(ServoBus& bus, int servoId);
// One value of the live state each, for callers that need no more.
Result<int> readVoltageMillivolts(ServoBus& bus, int servoId);
Result<int> readTemperature(ServoBus& bus, int servoId);
Result<bool> readTorque(ServoBus& bus, int servoId);
// The position of each servo (a pose); a failure naming the first that did not answer.
Result<QMap<int, int>> readPositions(ServoBus& bus, const QList<int>& servoIds);
// Switches the holding torque of each servo; every servo is tried, the first failure is returned.
Result<void> setTorque(ServoBus& bus, const QList<int>& servoIds, bool on);

struct WriteResult {
    QStringList writtenKeys;  // the keys of every frame that went out
    QStringList unwrittenKeys;  // the keys that differ but were not written
    bool complete = false;    // false when the port failed or a stop came before the last frame
    bool stopped = false;     // stopped on request
};
// A write of one group of settings (one frame, two for the position offset) to one servo.
struct GroupWrite {
    QStringList keys;
    std::function<Result<void>(ServoBus&)> send;
};
// The writes that take servo from.id from the settings from to the settings to, in the order they go
// out: one per group of settings of which a value differs, plus the groups named by alwaysKeys. The
// ID is never among them.
QList<GroupWrite> groupWrites(const ServoSettings& from, const ServoSettings& to, const QStringList& alwaysKeys = {});
// Sends the offset adjustment: the servo moves by it at once; nothing is stored.
Result<void> adjustDeviation(ServoBus& bus, int servoId, int deviation);
// Moves each servo to position in timeMs, one frame per servo.
Result<void> moveTo(ServoBus& bus, const QList<int>& servoIds, int position, int timeMs);

// Writes what differs between from (the servo's own settings, addressed at from.id) and to, one
// frame per setting group with a pause after each; a new ID goes last, to the broadcast address when
// idToBroadcast (every servo on the bus then takes it). Before each group it asks stopRequested.
WriteResult writeSettings(ServoBus& bus, const ServoSettings& from, const ServoSettings& to, bool idToBroadcast,
                          const std::function<bool()>& stopRequested = [] { return false; });

}  // namespace ServoAccess

// Nothing when servoId answers a read; otherwise why not.
Result<void> requireAnswer(ServoBus& bus, int servoId);
