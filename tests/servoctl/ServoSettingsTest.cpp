// The settings rules of servoctl: every key accepts its range's ends and refuses one step beyond,
// from the command line and from JSON, and says which key and range in the refusal.
#include "Api/Bus/ServoSettings.h"

#include <QJsonValue>
#include <gtest/gtest.h>

namespace {

struct Edge {
    const char* key;
    QString lowest;   // as typed on the command line
    QString highest;
    QString belowLowest;
    QString aboveHighest;
    int lowestValue;  // as held (millivolts for volts)
    int highestValue;
    const char* range;  // as the refusal names it
};

const Edge edges[] = {
    {"id", "0", "253", "-1", "254", 0, 253, "0-253"},
    {"deviation", "-125", "125", "-126", "126", -125, 125, "-125-125"},
    {"angle_min", "0", "999", "-1", "1000", 0, 999, "0-999"},
    {"angle_max", "1", "1000", "0", "1001", 1, 1000, "1-1000"},
    {"voltage_min", "4.5", "13.9", "4.4", "14", 4500, 13900, "4.5-13.9"},
    {"voltage_max", "4.6", "14.0", "4.5", "14.1", 4600, 14000, "4.6-14"},
    {"max_temperature", "50", "100", "49", "101", 50, 100, "50-100"},
    {"led", "off", "on", "2", "maybe", 0, 1, "on|off"},
    {"alarm_stall", "false", "true", "-1", "yes", 0, 1, "on|off"},
};

}  // namespace

TEST(ServoSettings, EveryKeyTakesItsRangeAndRefusesBeyondIt)
{
    ASSERT_EQ(SettingField::all().size(), 11);
    for (const Edge& e : edges) {
        const SettingField* field = SettingField::byKey(QLatin1String(e.key));
        ASSERT_NE(field, nullptr) << e.key;
        EXPECT_EQ(field->fromText(e.lowest).value(), e.lowestValue) << e.key;
        EXPECT_EQ(field->fromText(e.highest).value(), e.highestValue) << e.key;
        for (const QString& beyond : {e.belowLowest, e.aboveHighest}) {
            const Result<int> refused = field->fromText(beyond);
            ASSERT_FALSE(refused) << e.key << " took " << beyond.toStdString();
            const QString error = refused.failure().message;
            EXPECT_TRUE(error.startsWith(QLatin1String(e.key) + ": ") && error.endsWith(QLatin1String(e.range)))
                << error.toStdString();
        }
        // The same values as JSON give the same result; their JSON form reads back as itself.
        for (int value : {e.lowestValue, e.highestValue}) {
            const Result<int> fromJson = field->fromJson(field->toJson(value));
            ASSERT_TRUE(fromJson) << e.key << " " << value;
            EXPECT_EQ(*fromJson, value) << e.key << " " << value;
        }
    }
}

TEST(ServoSettings, JsonOfWrongFormsAndUnknownKeysIsRefused)
{
    const ServoSettings defaults;
    const Result<SettingValues> values = ServoSettingsJson::valuesFromJson(ServoSettingsJson::toJson(defaults));
    ASSERT_TRUE(values) << values.failure().message.toStdString();
    EXPECT_EQ(withValues(ServoSettings{7}, *values), defaults) << "a dumped servo restores to itself";

    const struct {
        QJsonObject object;
        const char* message;
    } refused[] = {
        {{{"max_temperature", 85.5}}, "max_temperature: expected a number in 50-100, found 85.5"},
        {{{"led", "on"}}, "led: expected true or false, found \"on\""},
        {{{"angle_max", QJsonValue()}}, "angle_max: expected a number in 1-1000, found null"},
        {{{"voltage_min", 4.45}}, "voltage_min: 4.45 is out of range 4.5-13.9"},
        {{{"speed", 3}}, "unknown key \"speed\""},
    };
    for (const auto& r : refused) {
        const Result<SettingValues> refused = ServoSettingsJson::valuesFromJson(r.object);
        ASSERT_FALSE(refused) << r.message;
        EXPECT_EQ(refused.failure().message.toStdString(), r.message);
    }
}

TEST(ServoSettings, PairsMustKeepTheirMinimumBelowTheirMaximum)
{
    ServoSettings s;
    EXPECT_TRUE(checkPairRules(s));
    s.angleMin = s.angleMax = 500;
    EXPECT_EQ(checkPairRules(s).failure().message.toStdString(), "angle_min (500) must be below angle_max (500)");
    s.angleMin = 0;
    s.angleMax = 1000;
    s.voltageMinMillivolts = 12500;
    EXPECT_EQ(checkPairRules(s).failure().message.toStdString(), "voltage_min (12.5) must be below voltage_max (12)");
    EXPECT_EQ(differingKeys(s, ServoSettings{}), QStringList{"voltage_min"});
}
