// The settings file of "dump" and "restore", and the backups "restore" and "set" keep:
//   {"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "deviation": 0, ...}]}
// with one object per servo and the field names of "info --json".
#pragma once

#include "servoctl/ServoSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace SettingsFile {

constexpr int formatVersion = 1;

QByteArray document(const QList<ServoSettings>& servos);
// The servos' values in a file's bytes; throws CommandError (usage) naming path and the fault.
QList<SettingValues> parse(const QByteArray& bytes, const QString& path);
// Reads and parses path; throws CommandError.
QList<SettingValues> read(const QString& path);

// Saves settings to the user's backup folder ($XDG_DATA_HOME/servodesk/backups), named by the time
// and the servo's ID; returns the file's path. Throws CommandError.
QString saveBackup(const ServoSettings& settings);

}  // namespace SettingsFile
