#include "Api/Bus/ServoSettings.h"
#include "Api/Bus/Protocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

const QList<SettingField>& SettingField::all()
{
    using Kind = SettingField::Kind;
    static const QList<SettingField> fields{
        {"id", Kind::Integer, SVProtocol::lowestServoId, SVProtocol::highestServoId, &ServoSettings::id},
        {"deviation", Kind::Integer, -125, 125, &ServoSettings::deviation},
        {"angle_min", Kind::Integer, 0, 999, &ServoSettings::angleMin},
        {"angle_max", Kind::Integer, 1, 1000, &ServoSettings::angleMax},
        {"voltage_min", Kind::Volts, 4500, 13900, &ServoSettings::voltageMinMillivolts},
        {"voltage_max", Kind::Volts, 4600, 14000, &ServoSettings::voltageMaxMillivolts},
        {"max_temperature", Kind::Integer, 50, 100, &ServoSettings::maxTemperature},
        {"led", Kind::Switch, 0, 1, &ServoSettings::led},
        {"alarm_stall", Kind::Switch, 0, 1, &ServoSettings::alarmStall},
        {"alarm_over_voltage", Kind::Switch, 0, 1, &ServoSettings::alarmOverVoltage},
        {"alarm_over_temperature", Kind::Switch, 0, 1, &ServoSettings::alarmOverTemperature},
    };
    return fields;
}

const SettingField* SettingField::byKey(const QString& key)
{
    for (const SettingField& field : all())
        if (key == QLatin1String(field.key))
            return &field;
    return nullptr;
}

QString SettingField::valueText(int value) const
{
    switch (kind) {
    case Kind::Volts: return QString::number(SVProtocol::voltsFromMillivolts(value));
    case Kind::Switch: return value ? QStringLiteral("on") : QStringLiteral("off");
    case Kind::Integer: break;
    }
    return QString::number(value);
}

QString SettingField::rangeText() const
{
    if (kind == Kind::Switch)
        return QStringLiteral("on|off");
    return valueText(minimum) + QLatin1Char('-') + valueText(maximum);
}

Result<int> SettingField::checked(int value) const
{
    if (inRange(value))
        return value;
    return Failure::usage(QStringLiteral("%1: %2 is out of range %3").arg(QLatin1String(key), valueText(value), rangeText()));
}

Result<int> SettingField::fromText(const QString& text) const
{
    const QString t = text.trimmed().toLower();
    bool ok = false;
    switch (kind) {
    case Kind::Switch:
        if (t == QLatin1String("on") || t == QLatin1String("true") || t == QLatin1String("1"))
            return 1;
        if (t == QLatin1String("off") || t == QLatin1String("false") || t == QLatin1String("0"))
            return 0;
        break;
    case Kind::Volts: {
        const double volts = t.toDouble(&ok);
        if (ok && std::isfinite(volts) && std::abs(volts) < 1000)
            return checked(int(std::lround(volts * 1000)));
        break;
    }
    case Kind::Integer: {
        const int value = t.toInt(&ok);
        if (ok)
            return checked(value);
        break;
    }
    }
    return Failure::usage(QStringLiteral("%1: \"%2\" is not a value of range %3").arg(QLatin1String(key), text, rangeText()));
}

Result<int> SettingField::fromJson(const QJsonValue& value) const
{
    if (kind == Kind::Switch && value.isBool())
        return value.toBool() ? 1 : 0;
    if (kind != Kind::Switch && value.isDouble()) {
        const double number = value.toDouble();
        if (kind == Kind::Integer && number == std::floor(number))
            return fromText(QString::number(number, 'f', 0));
        if (kind == Kind::Volts)
            return fromText(QString::number(number, 'f', 6));
    }
    return Failure::usage(QStringLiteral("%1: expected %2, found %3")
                 .arg(QLatin1String(key),
                      kind == Kind::Switch ? QStringLiteral("true or false") : QStringLiteral("a number in ") + rangeText(),
                      QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)).mid(1).chopped(1)));
}

QJsonValue SettingField::toJson(int value) const
{
    switch (kind) {
    case Kind::Volts: return SVProtocol::voltsFromMillivolts(value);
    case Kind::Switch: return value != 0;
    case Kind::Integer: break;
    }
    return value;
}

namespace ServoSettingsJson {

QJsonObject toJson(const ServoSettings& settings)
{
    QJsonObject object;
    for (const SettingField& field : SettingField::all())
        object.insert(QLatin1String(field.key), field.toJson(settings.*field.member));
    return object;
}

Result<SettingValues> valuesFromJson(const QJsonObject& object)
{
    SettingValues values;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const SettingField* field = SettingField::byKey(it.key());
        if (!field)
            return Failure::usage(QStringLiteral("unknown key \"%1\"").arg(it.key()));
        const Result<int> value = field->fromJson(it.value());
        if (!value)
            return value.failure();
        values.insert(it.key(), *value);
    }
    return values;
}

}  // namespace ServoSettingsJson

ServoSettings withValues(ServoSettings settings, const SettingValues& values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        if (const SettingField* field = SettingField::byKey(it.key()))
            settings.*field->member = it.value();
    return settings;
}

Result<void> checkPairRules(const ServoSettings& s)
{
    if (s.angleMin >= s.angleMax)
        return Failure::usage(QStringLiteral("angle_min (%1) must be below angle_max (%2)").arg(s.angleMin).arg(s.angleMax));
    if (s.voltageMinMillivolts >= s.voltageMaxMillivolts)
        return Failure::usage(QStringLiteral("voltage_min (%1) must be below voltage_max (%2)")
                                  .arg(SVProtocol::voltsFromMillivolts(s.voltageMinMillivolts)).arg(SVProtocol::voltsFromMillivolts(s.voltageMaxMillivolts)));
    return {};
}

QStringList outOfRangeValues(const ServoSettings& settings)
{
    QStringList values;
    for (const SettingField& field : SettingField::all())
        if (!field.inRange(settings.*field.member))
            values.append(QStringLiteral("%1 %2").arg(QLatin1String(field.key), field.valueText(settings.*field.member)));
    return values;
}

QStringList differingKeys(const ServoSettings& a, const ServoSettings& b)
{
    QStringList keys;
    for (const SettingField& field : SettingField::all())
        if (a.*field.member != b.*field.member)
            keys.append(QLatin1String(field.key));
    return keys;
}
