// The stored settings of one servo as the bus layer reads, writes and files them: one field per
// setting, each with its key (the JSON field name and the key of servoctl's "set"), its range (the
// ranges the window's controls accept) and its form in JSON.
#pragma once

#include "Api/Bus/Result.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

struct ServoSettings {
    int id = 1;
    int deviation = 0;
    int angleMin = 0;
    int angleMax = 1000;
    int voltageMinMillivolts = 4500;
    int voltageMaxMillivolts = 12000;
    int maxTemperature = 85;
    int led = 1;  // 1 on, 0 off
    int alarmStall = 1;
    int alarmOverVoltage = 1;
    int alarmOverTemperature = 1;
    bool operator==(const ServoSettings&) const = default;
};

// A setting: where it is held, its range and how it is written in JSON and on the command line.
struct SettingField {
    enum class Kind { Integer, Volts, Switch };
    const char* key;
    Kind kind;
    int minimum;  // for volts in millivolts
    int maximum;
    int ServoSettings::*member;

    static const QList<SettingField>& all();
    static const SettingField* byKey(const QString& key);

    // "4.5-13.9", "0-253", "on|off"
    QString rangeText() const;
    QString valueText(int value) const;
    // The value a JSON value or a command-line text stands for (millivolts for volts, 1/0 for a
    // switch); a usage failure when it has the wrong form or is out of range.
    Result<int> fromJson(const QJsonValue& value) const;
    Result<int> fromText(const QString& text) const;
    QJsonValue toJson(int value) const;
    bool inRange(int value) const { return value >= minimum && value <= maximum; }

private:
    Result<int> checked(int value) const;
};

// Settings given by key (from a file or the command line), to be applied over a servo's own.
using SettingValues = QMap<QString, int>;

namespace ServoSettingsJson {

QJsonObject toJson(const ServoSettings& settings);
// The values an object holds; a usage failure for an unknown key, a wrong form or a value out of
// range.
Result<SettingValues> valuesFromJson(const QJsonObject& object);

}  // namespace ServoSettingsJson

// settings with values applied.
ServoSettings withValues(ServoSettings settings, const SettingValues& values);
// The rules between fields (each minimum below its maximum); empty when they hold.
QString pairRuleError(const ServoSettings& settings);
// The keys whose values lie outside the ranges a settings file may hold, each as "key value".
QStringList outOfRangeValues(const ServoSettings& settings);
// The keys whose values differ.
QStringList differingKeys(const ServoSettings& a, const ServoSettings& b);
