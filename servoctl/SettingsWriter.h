// Changes the stored settings of servos as "restore" and "set" do: every value is checked before
// anything is sent; then, servo by servo, the current settings go to a backup file, what differs is
// written, and everything is read back and compared.
#pragma once

#include "servoctl/CommandContext.h"
#include "servoctl/ServoSettings.h"

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
    struct Plan {
        ServoSettings current;
        ServoSettings target;
    };
    Plan plan(const SettingsChange& change);
    bool write(const Plan& plan);

    CommandContext& m_context;
    bool m_idToBroadcast;
};
