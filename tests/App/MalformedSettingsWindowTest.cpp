// The window started with malformed saved settings: an unknown display name under "language", a code
// naming a folder outside the string tables under "AppLanguagesKey", empty and binary values. It
// starts in the language an unknown code gives (English unless the system prefers one of the other
// tables), shows texts from the program's own tables, and saves nothing at start.
#include "support/ui/MainWindowHarness.h"

#include "Tools/BundleLanguage.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

struct Saved {
    const char* what;
    QVariant language;
    QVariant code;
};

TEST(MalformedSettingsWindow, StartsInTheFallbackLanguageWithOurOwnTexts)
{
    const QString fallback = BundleLanguage::chooseCode(QStringLiteral("xx"), QLocale::system().uiLanguages());
    const Saved cases[] = {
        {"unknown language name", QStringLiteral("Klingon"), QVariant()},
        {"code outside the tables", QStringLiteral("English"), QStringLiteral("../../etc")},
        {"absolute path as code", QVariant(), QStringLiteral("/etc/passwd")},
        {"empty values", QString(), QString()},
        {"binary values", QByteArray("\xff\x00\x7f", 3), QByteArray("\x00\xff", 2)},
        {"numbers", 42, 7},
        {"list instead of a code", QStringList{"zh-Hant"}, QStringList{"zh-Hant", "en"}},
    };
    for (const Saved& saved : cases) {
        MainWindowHarness h;
        if (saved.language.isValid())
            h.settings.setValue(BundleLanguage::displayNameKey, saved.language);
        if (saved.code.isValid())
            h.settings.setValue(BundleLanguage::languagesKey, saved.code);
        ASSERT_TRUE(h.start()) << saved.what;

        const QString code = BundleLanguage::languageInForce();
        EXPECT_EQ(code, saved.code.isValid() ? fallback : QStringLiteral("en")) << saved.what;
        const StringsTable table = MainWindowHarness::table(code);
        ASSERT_FALSE(table.entries().isEmpty()) << saved.what;
        EXPECT_EQ(h.c().buttonOperator()->title(), table.value("basic_operation")) << saved.what;
        EXPECT_EQ(h.c().buttonSetting()->title(), table.value("args_set")) << saved.what;
        EXPECT_EQ(h.c().buttonWireless()->title(), table.value("open_com")) << saved.what;
        EXPECT_EQ(h.c().lableCurrentVoltage()->text(), table.value("current_voltage")) << saved.what;
        EXPECT_EQ(h.c().buttonLanguage()->title(), QStringLiteral("中文")) << saved.what << ": the toggle offers Chinese";
        EXPECT_EQ(h.settings.value(BundleLanguage::displayNameKey), saved.language) << saved.what << ": start changed it";
        EXPECT_EQ(h.settings.value(BundleLanguage::languagesKey), saved.code) << saved.what << ": start changed it";
    }
}

} // namespace
