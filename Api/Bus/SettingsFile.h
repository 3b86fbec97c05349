// The settings file of servoctl's "dump" and "restore", and the backups kept before a change:
//   {"format": "servodesk-servo-settings", "version": 1, "servos": [{"id": 1, "deviation": 0, ...}]}
// with one object per servo and the field names of "info --json". A servo may carry a "name" ("left
// knee"): the robot's name for it, kept in the file only; nothing is sent for it.
#pragma once

#include "Api/Bus/Result.h"
#include "Api/Bus/ServoSettings.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace SettingsFile {

constexpr int formatVersion = 1;

constexpr int nameLengthLimit = 64;

// One servo of a file: its values and its name (empty when it has none).
struct Entry {
    SettingValues values;
    QString name;
};

// names gives, by ID, the name of each servo that has one.
QByteArray document(const QList<ServoSettings>& servos, const QMap<int, QString>& names = {});
// A file of some values only for each servo (such as its ID and angle limits).
QByteArray partialDocument(const QList<SettingValues>& servos);
// The servos' values in a file's bytes; a usage failure naming path and the fault.
Result<QList<SettingValues>> parse(const QByteArray& bytes, const QString& path);
Result<QList<Entry>> parseEntries(const QByteArray& bytes, const QString& path);
// Reads and parses path (a regular file of sane size).
Result<QList<SettingValues>> read(const QString& path);
Result<QList<Entry>> readEntries(const QString& path);

// The user's backup folder: $XDG_DATA_HOME/servodesk/backups, where a relative XDG_DATA_HOME counts
// as unset (~/.local/share).
QString backupFolder();
// Saves settings whole to the backup folder, named by the time and the servo's ID; its path.
Result<QString> saveBackup(const ServoSettings& settings);

}  // namespace SettingsFile
