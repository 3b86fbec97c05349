// Checks the shipped string tables: each parses completely, all hold the same keys, and every key the
// program looks up has a text in each language.
#include "Tools/BundleLanguage.h"
#include "Tools/StringsTable.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QStringList languageCodes = { "en", "zh-Hans", "zh-Hant" };

QByteArray tableBytes(const QString& code)
{
    QFile file(BundleLanguage::tablePath(code, "Localizable"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
    return file.readAll();
}

QStringList sortedKeys(const StringsTable& table)
{
    QStringList keys = table.entries().keys();
    keys.sort();
    return keys;
}

// The keys the window, its messages and its notices look up.
const QStringList keysInUse = {
    "language", "basic_operation", "args_set", "about_us",
    "open_com", "close_com", "baudrate",
    "Serial Port Connected", "Serial Port Disconnected", "Serial Port", "was connected to your Mac.",
    "was disconnected from your Mac.",
    "ID_range", "servo_adjust", "time", "position", "speed", "motor_power_control", "real_time_status",
    "current_voltage", "current_position", "cur_temperature", "current_temperature",
    "servo_mode", "motor_mode",
    "deviation_modify", "led_control", "led_warning", "over_heat", "over_voltage", "locked_rotor",
    "angle_range_modify", "voltage_range_modify", "temperature_range_modify", "default", "set", "read",
    "version", "company", "visit_official_website", "visit_learn_website", "visit_online_store",
    "connect_tips", "read_fail", "connect_success", "setting", "set_complete", "confirm",
    "write_fail", "open_permission_denied", "open_port_busy", "open_failed", "language_not_saved",
};

TEST(LocalizableTablesTest, EveryEntryOfEveryTableParses)
{
    // One entry per line in the shipped tables: a line that does not parse would silently drop a text.
    static const QRegularExpression entryLine(QStringLiteral("^\"[^\\n]*\"\\s*=\\s*\"[^\\n]*\";[ \\t]*$"),
                                              QRegularExpression::MultilineOption);
    for (const QString& code : languageCodes) {
        const QByteArray bytes = tableBytes(code);
        const StringsTable table = StringsTable::parse(bytes);
        const qsizetype lines = QString::fromUtf8(bytes).count(entryLine);
        EXPECT_GT(lines, 0) << qPrintable(code);
        EXPECT_EQ(table.entries().size(), lines) << qPrintable(code) << ": an entry is malformed or repeated";
        for (auto it = table.entries().cbegin(); it != table.entries().cend(); ++it)
            EXPECT_FALSE(it.value().trimmed().isEmpty()) << qPrintable(code) << " " << qPrintable(it.key());
    }
}

TEST(LocalizableTablesTest, AllTablesHoldTheSameKeys)
{
    const QStringList english = sortedKeys(StringsTable::parse(tableBytes("en")));
    for (const QString& code : languageCodes) {
        const QStringList keys = sortedKeys(StringsTable::parse(tableBytes(code)));
        for (const QString& key : english)
            EXPECT_TRUE(keys.contains(key)) << qPrintable(code) << " lacks " << qPrintable(key);
        for (const QString& key : keys)
            EXPECT_TRUE(english.contains(key)) << qPrintable(code) << " has extra " << qPrintable(key);
    }
}

TEST(LocalizableTablesTest, EveryKeyInUseIsTranslatedInEveryLanguage)
{
    for (const QString& code : languageCodes) {
        const StringsTable table = StringsTable::parse(tableBytes(code));
        for (const QString& key : keysInUse)
            EXPECT_TRUE(table.contains(key)) << qPrintable(code) << " lacks " << qPrintable(key);
    }
    // The Chinese tables are translations: apart from shared technical words, no text is English.
    const StringsTable english = StringsTable::parse(tableBytes("en"));
    for (const QString& code : { QString("zh-Hans"), QString("zh-Hant") }) {
        const StringsTable table = StringsTable::parse(tableBytes(code));
        for (const QString& key : keysInUse)
            EXPECT_NE(table.value(key), english.value(key)) << qPrintable(code) << " " << qPrintable(key);
    }
}

// The body of a port notice is looked up by a key assembled, in the language in force, from three
// pieces (see the tables' comment). Each language's assembled key must find a sentence in that
// language that still has the place for the port's name.
TEST(LocalizableTablesTest, PortNoticeKeysAssembledInEachLanguageAreFound)
{
    for (const QString& code : languageCodes) {
        const StringsTable table = StringsTable::parse(tableBytes(code));
        for (const QString& piece : { QString("was connected to your Mac."), QString("was disconnected from your Mac.") }) {
            const QString assembled = QStringLiteral("%1 %2 %3").arg(table.value("Serial Port"), "%@", table.value(piece));
            ASSERT_TRUE(table.contains(assembled)) << qPrintable(code) << " lacks " << qPrintable(assembled);
            EXPECT_EQ(table.value(assembled).count("%@"), 1) << qPrintable(code) << " " << qPrintable(assembled);
        }
        EXPECT_EQ(table.value("Serial Port %@ was connected to your Mac.").count("%@"), 1);
    }
}

} // namespace
