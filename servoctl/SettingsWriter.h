// Changes the stored settings of servos as "restore" and "set" do, by the one settings write of the bus
// layer (every value checked and every servo's settings backed up before anything is sent, then only
// what differs written and read back), and prints what it returns. Ctrl-C or a polite kill stops it
// before the next frame, saying what was and was not written.
#pragma once

#include "servoctl/CommandContext.h"
#include "Api/Bus/RobotWrite.h"
#include "Api/Bus/ServoSettings.h"

#include <QList>

struct SettingsChange {
    int servoId = 0;        // the servo as it answers now
    SettingValues values;   // the values to give it (an "id" value is a new ID)
};

class SettingsWriter {
public:
    explicit SettingsWriter(CommandContext& context, bool idToBroadcast = false);
    // Returns the exit code; throws CommandError before anything is written.
    int apply(const QList<SettingsChange>& changes);

private:
    int report(const RobotWrite::ServoOutcome& servo, const std::optional<Failure>& stopped);

    CommandContext& m_context;
    bool m_idToBroadcast;
};
