#include "Tools/BundleLanguage.h"

#include "support/ui/ScopedSettingsStore.h"

#include <QByteArray>
#include <QLocale>
#include <gtest/gtest.h>

namespace {

QString zh(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

TEST(BundleLanguageTest, LooksUpInTheSavedLanguageAndFollowsEveryChange)
{
    ScopedSettingsStore settings;
    EXPECT_EQ(BundleLanguage::languageInForce(), "en") << "nothing saved means English";
    EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com"), "Open port");

    BundleLanguage::setLanguage("zh-Hans");
    EXPECT_EQ(settings.value("AppLanguagesKey").toString(), "zh-Hans");
    EXPECT_EQ(settings.syncCount(), 1) << "the code is flushed at once";
    EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com"), zh("打开串口"));
    EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com", {}, "Localizable"), zh("打开串口"));

    BundleLanguage::setLanguage("zh-Hant");
    EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com"), zh("開啟序列埠"));

    BundleLanguage::setLanguage("en");
    EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com"), "Open port");
}

TEST(BundleLanguageTest, MissingKeyOrTableShowsTheKeyOrTheGivenDefault)
{
    ScopedSettingsStore settings;
    for (const char* code : { "en", "zh-Hans", "zh-Hant" }) {
        BundleLanguage::setLanguage(code);
        EXPECT_EQ(BundleLanguage::localizedStringForKey("no_such_key"), "no_such_key") << code;
        EXPECT_EQ(BundleLanguage::localizedStringForKey("no_such_key", ""), "no_such_key") << code;
        EXPECT_EQ(BundleLanguage::localizedStringForKey("no_such_key", "fallback"), "fallback") << code;
        EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com", {}, "NoSuchTable"), "open_com") << code;
        EXPECT_EQ(BundleLanguage::localizedStringForKey("open_com", {}, "../en.lproj/Localizable"), "open_com")
            << "a table name cannot leave the language folder";
    }
}

TEST(BundleLanguageTest, ChoosesTheSavedCodeOrFallsBackThroughPreferredLanguages)
{
    const QStringList noPreference;
    EXPECT_EQ(BundleLanguage::chooseCode(QVariant(), { "zh-CN" }), "en") << "nothing saved: English";
    EXPECT_EQ(BundleLanguage::chooseCode(QString("zh-Hant"), { "en-US" }), "zh-Hant");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("zh-Hans"), noPreference), "zh-Hans");

    // A saved code without tables: the system's preferred languages, most preferred first.
    EXPECT_EQ(BundleLanguage::chooseCode(QString("fr"), { "fr-FR", "zh-TW", "en-US" }), "zh-Hant");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("fr"), { "zh-HK" }), "zh-Hant");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("fr"), { "zh-CN" }), "zh-Hans");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("fr"), { "zh-Hans-SG" }), "zh-Hans");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("fr"), { "zh" }), "zh-Hans");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("fr"), { "en-GB", "zh-CN" }), "en");
    EXPECT_EQ(BundleLanguage::chooseCode(QString("de"), { "de-DE", "ja-JP" }), "en") << "nothing matches: English";
    EXPECT_EQ(BundleLanguage::chooseCode(QString(""), noPreference), "en");
}

TEST(BundleLanguageTest, HostileSavedValuesNeverLeaveTheProgramsResources)
{
    const QStringList hostile = { "../x", "../../etc/passwd", "/etc", "en.lproj/../..", "en/../zh-Hans", "en\n",
        ":/en", "en.lproj", QString("zh-Hans") + QChar(0), "qrc:/en" };
    for (const QString& code : hostile) {
        EXPECT_EQ(BundleLanguage::chooseCode(code, { "zh-CN" }), "zh-Hans") << qPrintable(code);
        EXPECT_TRUE(BundleLanguage::tablePath(code, "Localizable").isEmpty()) << qPrintable(code);
        // As a preferred UI language it may name a language, but only ever one of ours.
        const QString preferred = BundleLanguage::codeForPreferredLanguage(code);
        EXPECT_TRUE(preferred.isEmpty() || BundleLanguage::availableCodes().contains(preferred)) << qPrintable(code);
    }
    // Values that are not text, such as bytes, numbers or lists, count as nothing saved, even when
    // their bytes spell a known code.
    for (const QVariant& saved : { QVariant(QByteArray("zh-Hant")), QVariant(QByteArray("\x00\xff\x10", 3)),
             QVariant(42), QVariant(QStringList { "zh-Hant" }), QVariant(QVariantList { "zh-Hant" }) })
        EXPECT_EQ(BundleLanguage::chooseCode(saved, { "zh-CN" }), "en") << saved.typeName();

    // Through the settings, a hostile value is looked up like an unknown one, from the resources.
    ScopedSettingsStore settings;
    settings.setValue("AppLanguagesKey", "../zh-Hant.lproj/../../tmp");
    const QString expected = BundleLanguage::chooseCode(QString("xx"), QLocale::system().uiLanguages());
    EXPECT_EQ(BundleLanguage::languageInForce(), expected);
    EXPECT_NE(BundleLanguage::localizedStringForKey("open_com"), "open_com") << "a real table is read";
}

TEST(BundleLanguageTest, DisplayNamesMapToTheirCodes)
{
    EXPECT_EQ(BundleLanguage::codeForDisplayName("English"), "en");
    EXPECT_EQ(BundleLanguage::codeForDisplayName(zh("中文")), "zh-Hans");
    EXPECT_EQ(BundleLanguage::codeForDisplayName(zh("繁體")), "zh-Hant");
    EXPECT_EQ(BundleLanguage::codeForDisplayName(zh("繁体")), "") << "only the exact display names";
    EXPECT_EQ(BundleLanguage::codeForDisplayName("english"), "");
    EXPECT_EQ(BundleLanguage::codeForDisplayName(""), "");
    for (const QString& name : { QString("English"), zh("中文"), zh("繁體") }) {
        const QString code = BundleLanguage::codeForDisplayName(name);
        EXPECT_TRUE(BundleLanguage::availableCodes().contains(code));
        EXPECT_EQ(BundleLanguage::displayNameForCode(code), name) << "the two ways disagree for " << qPrintable(code);
    }
    EXPECT_TRUE(BundleLanguage::displayNameForCode("de").isEmpty());
}

TEST(BundleLanguageTest, TablePathsStayInsideTheResources)
{
    EXPECT_EQ(BundleLanguage::tablePath("en", "Localizable"), ":/en.lproj/Localizable.strings");
    EXPECT_EQ(BundleLanguage::tablePath("zh-Hant", "Localizable"), ":/zh-Hant.lproj/Localizable.strings");
    EXPECT_TRUE(BundleLanguage::tablePath("en", "../Localizable").isEmpty());
    EXPECT_TRUE(BundleLanguage::tablePath("en", "").isEmpty());
    EXPECT_TRUE(BundleLanguage::tablePath("en", "a/b").isEmpty());

    QStringList codes = BundleLanguage::availableCodes();
    codes.sort();
    EXPECT_EQ(codes, QStringList({ "en", "zh-Hans", "zh-Hant" }));
}

} // namespace
