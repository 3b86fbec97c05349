// The stored settings of one servo as the bus layer reads, writes and files them: one field per
// setting, each with its key (the JSON field name and the key of servoctl's "set"), its range (the
// ranges the window's controls accept) and its form in JSON.
#pragma once

#include "Api/Bus/Protocol.h"
#include "Api/Bus/Result.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

struct ServoSettings {
    int id = SVProtocol::FactoryDefaults::id;
    int deviation = SVProtocol::FactoryDefaults::deviation;
    int angleMin = SVProtocol::FactoryDefaults::angleMin;
    int angleMax = SVProtocol::FactoryDefaults::angleMax;
    int voltageMinMillivolts = SVProtocol::FactoryDefaults::voltageMinMillivolts;
    int voltageMaxMillivolts = SVProtocol::FactoryDefaults::voltageMaxMillivolts;
    int maxTemperature = SVProtocol::FactoryDefaults::maxTemperature;
    int led = SVProtocol::FactoryDefaults::ledOn;  // 1 on, 0 off
    int alarmStall = SVProtocol::alarmFlags(SVProtocol::FactoryDefaults::alarmBits).stall;
    int alarmOverVoltage = SVProtocol::alarmFlags(SVProtocol::FactoryDefaults::alarmBits).overVoltage;
    int alarmOverTemperature = SVProtocol::alarmFlags(SVProtocol::FactoryDefaults::alarmBits).overTemperature;
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
// The rules between fields: each minimum below its maximum.
Result<void> checkPairRules(const ServoSettings& settings);
// The keys whose values lie outside the ranges a settings file may hold, each as "key value".
QStringList outOfRangeValues(const ServoSettings& settings);
// The keys whose values differ.
QStringList differingKeys(const ServoSettings& a, const ServoSettings& b);
