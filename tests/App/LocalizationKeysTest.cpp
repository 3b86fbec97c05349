// Collects every localization key the program's sources look up and checks that each language's
// table has a text for it, so that no user ever sees a bare key.
#include "Tools/BundleLanguage.h"
#include "Tools/StringsTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <set>

namespace {

const QStringList languageCodes = { "en", "zh-Hans", "zh-Hant" };

QDir sourceRoot()
{
    // Given by the build: __FILE__ may be relative to the build folder (a compiler cache can make it so).
    return QDir(QStringLiteral(SERVODESK_SOURCE_DIR));
}

QStringList sourceFiles(const QStringList& folders, const QStringList& files)
{
    QStringList found;
    for (const QString& folder : folders) {
        QDirIterator it(sourceRoot().filePath(folder), { "*.cpp", "*.h" }, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
    }
    for (const QString& file : files)
        found.append(sourceRoot().filePath(file));
    return found;
}

QString readText(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
    return QString::fromUtf8(file.readAll());
}

// The text of the arguments of the call whose opening parenthesis is at open: all of them, or only the
// first.
QString arguments(const QString& text, qsizetype open, bool firstOnly)
{
    int depth = 0;
    bool inString = false;
    for (qsizetype i = open; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (inString) {
            if (ch == '\\')
                ++i;
            else if (ch == '"')
                inString = false;
            continue;
        }
        if (ch == '"')
            inString = true;
        else if (ch == '(' || ch == '{')
            ++depth;
        else if (ch == ')' || ch == '}') {
            if (--depth == 0)
                return text.mid(open + 1, i - open - 1);
        } else if (ch == ',' && depth == 1 && firstOnly)
            return text.mid(open + 1, i - open - 1);
    }
    return {};
}

QStringList stringLiterals(const QString& text)
{
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\]|\\.)*)")re"));
    QStringList found;
    for (const QRegularExpressionMatch& match : literal.globalMatch(text))
        found.append(match.captured(1).replace(QStringLiteral("\\\""), QStringLiteral("\"")));
    return found;
}

// Keys passed to a lookup: the controller's localized(), the widgets' SVLocalized::text(), the titled
// buttons' setMyTitle() and retitle(), and the first argument of the bundle's localizedStringForKey().
std::set<QString> keysInLookupCalls()
{
    static const QRegularExpression call(
        QStringLiteral(R"re(\b(localized|localizedStringForKey|SVLocalized::text|setMyTitle|retitle)\s*\()re"));
    std::set<QString> keys;
    for (const QString& path : sourceFiles({ "Api", "Classes", "Tools" }, { "main.cpp", "AppDelegate.cpp" })) {
        const QString text = readText(path);
        for (const QRegularExpressionMatch& match : call.globalMatch(text)) {
            const bool firstOnly = match.captured(1) == QLatin1String("localizedStringForKey");
            const QString argument = arguments(text, match.capturedEnd() - 1, firstOnly);
            for (const QString& key : stringLiterals(argument))
                keys.insert(key);
        }
    }
    return keys;
}

// Keys held in lists and handed to a lookup later (mode titles, about links): every literal of the
// window's code shaped like a key, lower-case words joined by underscores.
std::set<QString> keyShapedLiterals()
{
    static const QRegularExpression shape(QStringLiteral(R"(^[A-Za-z]+(_[a-z]+)+$)"));
    std::set<QString> keys;
    for (const QString& path : sourceFiles({ "Classes", "Tools" }, { "main.cpp", "AppDelegate.cpp" })) {
        for (const QString& literal : stringLiterals(readText(path))) {
            if (shape.match(literal).hasMatch())
                keys.insert(literal);
        }
    }
    return keys;
}

StringsTable table(const QString& code)
{
    QFile file(BundleLanguage::tablePath(code, "Localizable"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(code);
    return StringsTable::parse(file.readAll());
}

TEST(LocalizationKeysTest, TheScanFindsTheLookupsOfTheWindow)
{
    // Guards the scan itself: if it stopped finding lookups, the next test would pass on nothing.
    std::set<QString> keys = keysInLookupCalls();
    const std::set<QString> shaped = keyShapedLiterals();
    keys.insert(shaped.begin(), shaped.end());
    for (const char* key : { "basic_operation", "open_com", "close_com", "confirm", "read", "time", "servo_mode",
             "visit_online_store", "motor_power_control", "setting" })
        EXPECT_TRUE(keys.count(QString::fromUtf8(key))) << key << " was not found in the sources";
}

TEST(LocalizationKeysTest, EveryKeyTheCodeLooksUpHasATextInEveryLanguage)
{
    std::set<QString> keys = keysInLookupCalls();
    const std::set<QString> shaped = keyShapedLiterals();
    keys.insert(shaped.begin(), shaped.end());
    ASSERT_GT(keys.size(), 30u);

    for (const QString& code : languageCodes) {
        const StringsTable strings = table(code);
        ASSERT_FALSE(strings.entries().isEmpty()) << qPrintable(code);
        for (const QString& key : keys)
            EXPECT_TRUE(strings.contains(key)) << qPrintable(code) << " lacks \"" << qPrintable(key) << "\"";

        // The port notices look up a key assembled from three looked-up pieces in the language in
        // force; that key must be in the same table and keep the place for the port's name.
        if (!keys.count("Serial Port"))
            continue;
        for (const QString& piece : { QString("was connected to your Mac."), QString("was disconnected from your Mac.") }) {
            if (!keys.count(piece))
                continue;
            const QString assembled = QStringLiteral("%1 %2 %3").arg(strings.value("Serial Port"), "%@", strings.value(piece));
            EXPECT_TRUE(strings.contains(assembled)) << qPrintable(code) << " lacks \"" << qPrintable(assembled) << "\"";
            EXPECT_EQ(strings.value(assembled).count("%@"), 1) << qPrintable(code) << " " << qPrintable(assembled);
        }
    }
}

} // namespace
