// The window started with malformed saved settings: an unknown display name under "language", a code
// naming a folder outside the string tables under "AppLanguagesKey", empty values, values that are
// not text, and a settings file holding serialised values built to exhaust memory. A code that is
// text but no language of ours gives the language an unknown code gives (English unless the system
// prefers one of the other tables); a value that is not text counts as nothing saved (English). The
// window shows texts from the program's own tables and saves nothing at start.
#include "support/ui/MainWindowHarness.h"

#include "Tools/BundleLanguage.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct Saved {
    const char* what;
    QVariant language;
    QVariant code;
    QByteArray file = {};  // when not empty, the settings are read from a file holding this
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
        // A QVariantList of 2^31 - 1 elements under the code, and a QStringList of as many under the
        // display name.
        {"list of 2^31 - 1 in the file", {}, {},
         "[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff\\0\\0\\0\\n)\n"},
        {"string list of 2^31 - 1 in the file", {}, {},
         "[General]\nlanguage=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n"},
    };
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    for (const Saved& saved : cases) {
        std::unique_ptr<QSettingsStore> fileStore;  // outlives the window, which reads it to the end
        MainWindowHarness h;
        if (saved.language.isValid())
            h.settings.setValue(BundleLanguage::displayNameKey, saved.language);
        if (saved.code.isValid())
            h.settings.setValue(BundleLanguage::languagesKey, saved.code);
        const QString fileName = home.filePath(QStringLiteral("%1.conf").arg(&saved - cases));
        if (!saved.file.isEmpty()) {
            QFile file(fileName);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(saved.file) == saved.file.size());
            file.close();
            fileStore = std::make_unique<QSettingsStore>(fileName);
            SettingsStore::install(fileStore.get());
        }
        ASSERT_TRUE(h.start()) << saved.what;

        const QString code = BundleLanguage::languageInForce();
        EXPECT_EQ(code, saved.code.typeId() == QMetaType::QString ? fallback : QStringLiteral("en")) << saved.what;
        const StringsTable table = MainWindowHarness::table(code);
        ASSERT_FALSE(table.entries().isEmpty()) << saved.what;
        EXPECT_EQ(h.c().buttonOperator()->title(), table.value("basic_operation")) << saved.what;
        EXPECT_EQ(h.c().buttonSetting()->title(), table.value("args_set")) << saved.what;
        EXPECT_EQ(h.c().buttonWireless()->title(), table.value("open_com")) << saved.what;
        EXPECT_EQ(h.c().lableCurrentVoltage()->text(), table.value("current_voltage")) << saved.what;
        EXPECT_EQ(h.c().buttonLanguage()->title(), QStringLiteral("中文")) << saved.what << ": the toggle offers Chinese";
        EXPECT_EQ(h.settings.value(BundleLanguage::displayNameKey), saved.language) << saved.what << ": start changed it";
        EXPECT_EQ(h.settings.value(BundleLanguage::languagesKey), saved.code) << saved.what << ": start changed it";
        if (fileStore) {
            QFile file(fileName);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), saved.file) << saved.what << ": start changed the file";
        }
    }
}

} // namespace
