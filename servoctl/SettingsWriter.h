// Changes the stored settings of servos as "restore" and "set" do: every value is checked and every
// servo's current settings go to a backup file before anything is sent; then, servo by servo, what
// differs is written and everything is read back and compared. Ctrl-C or a polite kill stops it
// before the next frame, saying what was and was not written.
#pragma once

#include "servoctl/CommandContext.h"
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
    struct Plan {
        ServoSettings current;
        ServoSettings target;
        QString backup;  // the file holding current
    };
    Plan plan(const SettingsChange& change);
    // The exit code of writing one plan.
    int write(const Plan& plan);

    CommandContext& m_context;
    bool m_idToBroadcast;
};
