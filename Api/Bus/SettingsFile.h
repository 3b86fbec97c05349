// The settings file of servoctl's "dump" and "restore", and the backups kept before a change:
//   {"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "deviation": 0, ...}]}
// with one object per servo and the field names of "info --json".
#pragma once

#include "Api/Bus/Result.h"
#include "Api/Bus/ServoSettings.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace SettingsFile {

constexpr int formatVersion = 1;

QByteArray document(const QList<ServoSettings>& servos);
// The servos' values in a file's bytes; a usage failure naming path and the fault.
Result<QList<SettingValues>> parse(const QByteArray& bytes, const QString& path);
// Reads and parses path (a regular file of sane size).
Result<QList<SettingValues>> read(const QString& path);

// The user's backup folder: $XDG_DATA_HOME/servodesk/backups, where a relative XDG_DATA_HOME counts
// as unset (~/.local/share).
QString backupFolder();
// Saves settings whole to the backup folder, named by the time and the servo's ID; its path.
Result<QString> saveBackup(const ServoSettings& settings);

}  // namespace SettingsFile
