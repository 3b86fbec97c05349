// The user's settings file as it may be found on disk: hand-edited, truncated, or overwritten with
// junk. Whatever it holds, the language lookup falls back (as for nothing saved when the value is
// not text, as for an unknown language when it is) and reads only the program's own string tables.
// Serialised values meant to exhaust memory or the stack are never decoded, and the file stays
// readable and writable as QSettings' own INI files are.
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
    }
    void TearDown() override { SettingsStore::install(nullptr); }

    // Reads the file through the real per-user store, as the program does at start. Each start has
    // a folder of its own: QSettings keeps what it read of a file for as long as the file's size
    // and time stay the same.
    void startWith(const QByteArray& contents)
    {
        const QString folder = home.filePath(QString::number(++starts));
        QSettings::setPath(QSettingsStore::format(), QSettings::UserScope, folder);
        ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("ServoDesk")));
        filePath = folder + QStringLiteral("/ServoDesk/ServoDesk.conf");
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
    int starts = 0;
    QString filePath;
    std::unique_ptr<QSettingsStore> store;
};

TEST_F(MalformedSettingsFile, HostileOrJunkValuesFallBackAndReadATableOfOurOwn)
{
    // QVariantList (type 9) of 2^31 - 1 elements, nested 100000 deep: decoding it overflows the stack.
    QByteArray nestedLists = "[General]\nAppLanguagesKey=@Variant(";
    for (int depth = 0; depth < 100000; ++depth)
        nestedLists += "\\0\\0\\0\\t\\0\\0\\0\\x1";
    nestedLists += ")\n";
    const QString unknown = unknownLanguageCode();
    const QString missing = BundleLanguage::fallbackCode;
    const struct {
        QByteArray contents;
        QString code;
    } files[] = {
        {"[General]\nAppLanguagesKey=../../etc\nlanguage=Klingon\n", unknown},
        {"[General]\nAppLanguagesKey=/etc/passwd\nlanguage=\n", unknown},
        {"[General]\nAppLanguagesKey=\nlanguage=\n", unknown},
        {"[General]\nAppLanguagesKey=@ByteArray(zh-Hant)\nlanguage=@ByteArray(\\xff\\xfe)\n", missing},
        {"[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5garbage)\n", missing},
        {"[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xff)\n", missing},
        {"[General]\nAppLanguagesKey=zh-Hant, en\n", missing},
        {QByteArray("\xff\xfe\x00[General\nAppLanguagesKey=\x01\x02\x03\n\x00\x00", 32), unknown},
        // Counts that make the decoder reserve tens of gigabytes: a QVariantList and a QStringList
        // (type 11) of 2^31 - 1 elements.
        {"[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff\\0\\0\\0\\n)\n", missing},
        {"[General]\nAppLanguagesKey=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\n", missing},
        {nestedLists, missing},
        // The '@' escaped, and the value an element of a list: QSettings decodes both.
        {"[General]\nAppLanguagesKey=\\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n", missing},
        {"[General]\nAppLanguagesKey=en, \"@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\"\n", missing},
        // Under other keys: QSettings decodes every value of a section when one is read, and every
        // section when it writes the file.
        {"[General]\nlanguage=@Variant(\\0\\0\\0\\v\\x7f\\xff\\xff\\xff)\nAppLanguagesKey=zh-Hant\n", "zh-Hant"},
        {"[General]\nAppLanguagesKey=zh-Hant\n[Window]\nstate=@Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n", "zh-Hant"},
    };
    for (const auto& file : files) {
        const std::string what = file.contents.left(120).toStdString();
        startWith(file.contents);
        const QString code = BundleLanguage::languageInForce();
        EXPECT_EQ(code, file.code) << what;
        EXPECT_TRUE(BundleLanguage::availableCodes().contains(code)) << what;
        EXPECT_NE(BundleLanguage::localizedStringForKey(QStringLiteral("open_com")), QStringLiteral("open_com"))
            << "no table was read for " << what;

        // The file can still take a new choice, and holds it for the next start.
        EXPECT_TRUE(BundleLanguage::saveChoice(QStringLiteral("zh-Hans"))) << what;
        store = std::make_unique<QSettingsStore>();
        SettingsStore::install(store.get());
        EXPECT_EQ(BundleLanguage::languageInForce(), QStringLiteral("zh-Hans")) << what;
        EXPECT_EQ(store->value(BundleLanguage::displayNameKey), BundleLanguage::simplifiedChineseName) << what;
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

// The store reads and writes the layout of QSettings' INI files: text written by either reads the
// same through the other, escapes, quotes, lists and groups included.
TEST_F(MalformedSettingsFile, TextReadsTheSameThroughTheStoreAndThroughQSettings)
{
    const QList<std::pair<QString, QVariant>> values = {
        {"AppLanguagesKey", QStringLiteral("zh-Hant")},
        {"language", QStringLiteral("繁體")},
        {"at", QStringLiteral("@Variant(kept as text)")},
        {"punctuation", QStringLiteral(" a;b,c=d \"quoted\" back\\slash ")},
        {"controls", QStringLiteral("tab\tline\nbell\a") + QChar(0) + QStringLiteral("1\x1f" "f end")},
        {"empty", QStringLiteral("")},
        {"list", QStringList{"en", "@zh", " spaced ", "a,b", "🙂"}},
        {"Window/key with spaces%", QStringLiteral("x/y")},
    };

    const QString written = home.filePath(QStringLiteral("written-by-qsettings.ini"));
    {
        QSettings qt(written, QSettings::IniFormat);
        for (const auto& [key, value] : values)
            qt.setValue(key, value);
        qt.sync();
        ASSERT_EQ(qt.status(), QSettings::NoError);
    }
    QFile qtFile(written);
    ASSERT_TRUE(qtFile.open(QIODevice::ReadOnly));
    startWith(qtFile.readAll());
    for (const auto& [key, value] : values)
        EXPECT_EQ(store->value(key), value) << "read through the store: " << qPrintable(key);

    startWith({});
    for (const auto& [key, value] : values)
        store->setValue(key, value);
    ASSERT_TRUE(store->sync());
    // A copy, so that QSettings reads it afresh rather than from what the store left in memory.
    const QString copy = home.filePath(QStringLiteral("written-by-the-store.ini"));
    ASSERT_TRUE(QFile::copy(filePath, copy));
    const QSettings qt(copy, QSettings::IniFormat);
    for (const auto& [key, value] : values)
        EXPECT_EQ(qt.value(key), value) << "read through QSettings: " << qPrintable(key);
}

TEST_F(MalformedSettingsFile, AnUnreadableSettingsFileCountsAsNothingSaved)
{
    startWith({});
    ASSERT_TRUE(QFile::remove(filePath));
    ASSERT_TRUE(QDir().mkpath(filePath));  // a folder where the file should be
    store = std::make_unique<QSettingsStore>();
    SettingsStore::install(store.get());
    EXPECT_EQ(BundleLanguage::languageInForce(), BundleLanguage::fallbackCode);
    EXPECT_EQ(BundleLanguage::localizedStringForKey(QStringLiteral("open_com")), QStringLiteral("Open port"));
}

} // namespace
