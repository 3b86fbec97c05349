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

// A name's length in characters as people see them (an emoji, a letter with its accents).
constexpr int nameLengthLimit = 64;

// A servo's name as typed, pasted or read from a file, trimmed: one line of at most nameLengthLimit
// characters, without control characters (C0, DEL, C1) or line and paragraph separators; empty
// when the servo has no name. The one rule for names, wherever they come from.
Result<QString> checkedName(const QString& text);

// One servo of a file: its values and its name (empty when it has none).
struct Entry {
    SettingValues values;
    QString name;
    int id() const { return values.value(QStringLiteral("id"), -1); }
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

// A robot file, as the Robot page opens and servoctl restore writes to a bus: besides the rules of
// every settings file, each servo names its "id" and no ID comes twice.
Result<QList<Entry>> parseRobot(const QByteArray& bytes, const QString& path);
Result<QList<Entry>> readRobot(const QString& path);
// A robot file of these servos, in ascending ID order, each with the values given and its name.
QByteArray robotDocument(QList<Entry> servos);
QMap<int, QString> namesOf(const QList<Entry>& servos);

// The user's backup folder: $XDG_DATA_HOME/servodesk/backups, where a relative XDG_DATA_HOME counts
// as unset (~/.local/share).
QString backupFolder();
// Saves settings whole to the backup folder, named by the time and the servo's ID; its path.
Result<QString> saveBackup(const ServoSettings& settings);

}  // namespace SettingsFile
