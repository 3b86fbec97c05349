// The user's settings file as it may be found on disk: hand-edited, truncated, or overwritten with
// junk. Whatever it holds, the language lookup falls back as for an unknown language and reads only
// the program's own string tables.
#include "Tools/BundleLanguage.h"
#include "Tools/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class MalformedSettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("ServoDesk"));
        QCoreApplication::setApplicationName(QStringLiteral("ServoDesk"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("ServoDesk")));
        filePath = home.filePath(QStringLiteral("ServoDesk/ServoDesk.conf"));
    }
    void TearDown() override { SettingsStore::install(nullptr); }

    // Reads the file through the real per-user store, as the program does at start.
    void startWith(const QByteArray& contents)
    {
        QFile file(filePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        store = std::make_unique<QSettingsStore>();
        SettingsStore::install(store.get());
    }

    // What an unknown saved language gives on this machine: English unless the system prefers one
    // of the other tables.
    static QString unknownLanguageCode()
    {
        return BundleLanguage::chooseCode(QStringLiteral("xx"), QLocale::system().uiLanguages());
    }

    QTemporaryDir home;
    QString filePath;
    std::unique_ptr<QSettingsStore> store;
};

TEST_F(MalformedSettingsFile, HostileOrJunkValuesFallBackAndReadATableOfOurOwn)
{
    const QByteArray files[] = {
        "[General]\nAppLanguagesKey=../../etc\nlanguage=Klingon\n",
        "[General]\nAppLanguagesKey=/etc/passwd\nlanguage=\n",
        "[General]\nAppLanguagesKey=\nlanguage=\n",
        "[General]\nAppLanguagesKey=@ByteArray(zh-Hant)\nlanguage=@ByteArray(\\xff\\xfe)\n",
        "[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5garbage)\n",
        "[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xff)\n",
        "[General]\nAppLanguagesKey=zh-Hant, en\n",
        QByteArray("\xff\xfe\x00[General\nAppLanguagesKey=\x01\x02\x03\n\x00\x00", 32),
    };
    for (const QByteArray& contents : files) {
        startWith(contents);
        const QString code = BundleLanguage::languageInForce();
        EXPECT_EQ(code, unknownLanguageCode()) << contents.toStdString();
        EXPECT_TRUE(BundleLanguage::availableCodes().contains(code)) << contents.toStdString();
        EXPECT_NE(BundleLanguage::localizedStringForKey(QStringLiteral("open_com")), QStringLiteral("open_com"))
            << "no table was read for " << contents.toStdString();
    }
}

TEST_F(MalformedSettingsFile, AValidCodeInTheFileIsUsed)
{
    startWith("[General]\nAppLanguagesKey=zh-Hant\nlanguage=\\x7e41\\x9ad4\n");
    EXPECT_EQ(BundleLanguage::languageInForce(), QStringLiteral("zh-Hant"));
    startWith("[General]\nAppLanguagesKey=en\n");
    EXPECT_EQ(BundleLanguage::languageInForce(), QStringLiteral("en"));
    EXPECT_EQ(BundleLanguage::localizedStringForKey(QStringLiteral("open_com")), QStringLiteral("Open port"));
}

TEST_F(MalformedSettingsFile, AnUnreadableSettingsFileCountsAsNothingSaved)
{
    ASSERT_TRUE(QDir().mkpath(filePath));  // a folder where the file should be
    store = std::make_unique<QSettingsStore>();
    SettingsStore::install(store.get());
    EXPECT_EQ(BundleLanguage::languageInForce(), BundleLanguage::fallbackCode);
    EXPECT_EQ(BundleLanguage::localizedStringForKey(QStringLiteral("open_com")), QStringLiteral("Open port"));
}

} // namespace
