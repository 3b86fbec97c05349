#include "Tools/BundleLanguage.h"

#include "Tools/SettingsStore.h"
#include "Tools/StringsTable.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>

namespace {

const QString resourceRoot = QStringLiteral(":/");
const QString tableFolderSuffix = QStringLiteral(".lproj");

// A language code: letters, then dash- or underscore-separated parts of letters and digits.
bool isLanguageCodeShaped(const QString& code)
{
    static const QRegularExpression shape(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z]{2,3}([-_][A-Za-z0-9]{2,8}){0,3}")));
    return shape.match(code).hasMatch();
}

bool isTableNameShaped(const QString& table)
{
    static const QRegularExpression shape(QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9_]+")));
    return shape.match(table).hasMatch();
}

// Parsed tables by resource path. Resources never change while the program runs, so each table is
// read once.
const StringsTable& tableAt(const QString& path)
{
    static QMutex mutex;
    static QHash<QString, StringsTable> cache;
    QMutexLocker lock(&mutex);
    auto found = cache.constFind(path);
    if (found == cache.constEnd()) {
        StringsTable table;
        QFile file(path);
        if (!path.isEmpty() && file.open(QIODevice::ReadOnly))
            table = StringsTable::parse(file.readAll());
        found = cache.insert(path, table);
    }
    return *found;
}

bool hasFolder(const QString& code)
{
    return isLanguageCodeShaped(code) && QDir(resourceRoot + code + tableFolderSuffix).exists();
}

} // namespace

QString BundleLanguage::localizedStringForKey(const QString& key, const QString& value, const QString& table)
{
    const QString path = tablePath(languageInForce(), table.isEmpty() ? defaultTable : table);
    const StringsTable& strings = tableAt(path);
    if (strings.contains(key))
        return strings.value(key);
    return value.isEmpty() ? key : value;
}

bool BundleLanguage::setLanguage(const QString& code)
{
    SettingsStore& settings = SettingsStore::standard();
    settings.setValue(languagesKey, code);
    return settings.sync();
}

const QList<BundleLanguage::Language>& BundleLanguage::languages()
{
    static const QList<Language> all = {
        {englishName, QStringLiteral("en")},
        {simplifiedChineseName, QStringLiteral("zh-Hans")},
        {QStringLiteral("繁體"), QStringLiteral("zh-Hant")},
    };
    return all;
}

bool BundleLanguage::saveChoice(const QString& code)
{
    SettingsStore::standard().setValue(displayNameKey, displayNameForCode(code));
    return setLanguage(code);
}

QString BundleLanguage::codeForDisplayName(const QString& displayName)
{
    for (const Language& language : languages()) {
        if (language.displayName == displayName)
            return language.code;
    }
    return {};
}

QString BundleLanguage::displayNameForCode(const QString& code)
{
    for (const Language& language : languages()) {
        if (language.code == code)
            return language.displayName;
    }
    return {};
}

QString BundleLanguage::languageInForce()
{
    return chooseCode(SettingsStore::standard().value(languagesKey), QLocale::system().uiLanguages());
}

QStringList BundleLanguage::availableCodes()
{
    QStringList codes;
    const QStringList folders = QDir(resourceRoot).entryList({ QStringLiteral("*") + tableFolderSuffix }, QDir::Dirs);
    for (const QString& folder : folders)
        codes << folder.chopped(tableFolderSuffix.size());
    return codes;
}

QString BundleLanguage::chooseCode(const QVariant& saved, const QStringList& preferredLanguages)
{
    if (saved.typeId() != QMetaType::QString)
        return fallbackCode;
    if (hasFolder(saved.toString()))
        return saved.toString();
    for (const QString& language : preferredLanguages) {
        const QString code = codeForPreferredLanguage(language);
        if (!code.isEmpty())
            return code;
    }
    return fallbackCode;
}

QString BundleLanguage::tablePath(const QString& code, const QString& table)
{
    if (!isLanguageCodeShaped(code) || !isTableNameShaped(table))
        return {};
    return resourceRoot + code + tableFolderSuffix + u'/' + table + QStringLiteral(".strings");
}

QString BundleLanguage::codeForPreferredLanguage(const QString& uiLanguage)
{
    if (hasFolder(uiLanguage))
        return uiLanguage;
    const QLocale locale(uiLanguage);
    if (locale.language() == QLocale::Chinese) {
        // Chinese is served by script: Taiwan, Hong Kong and Macao write Traditional characters.
        const QString code = locale.script() == QLocale::TraditionalHanScript ? QStringLiteral("zh-Hant")
                                                                              : QStringLiteral("zh-Hans");
        return hasFolder(code) ? code : QString();
    }
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return {};
    const QString languageOnly = QLocale::languageToCode(locale.language());
    return hasFolder(languageOnly) ? languageOnly : QString();
}

QString BundleLanguage::withValues(const QString& format, const QStringList& values)
{
    static const QRegularExpression place(QStringLiteral(R"(%(\d)\$@)"));
    QString text;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& match : place.globalMatch(format)) {
        text += QStringView(format).mid(from, match.capturedStart() - from);
        text += values.value(match.captured(1).toInt() - 1);
        from = match.capturedEnd();
    }
    text += QStringView(format).mid(from);
    return text;
}
