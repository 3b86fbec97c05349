// The language lookup: every text the user sees is looked up here by its key, in the string table of
// the language saved in the user's settings.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class SettingsStore;

class BundleLanguage {
public:
    // Settings key of the language code ("en", "zh-Hans", "zh-Hant").
    static inline const QString languagesKey = QStringLiteral("AppLanguagesKey");
    // Settings key of the display name of the chosen language ("English", "中文", "繁體").
    static inline const QString displayNameKey = QStringLiteral("language");
    // The table used when the caller names none.
    static inline const QString defaultTable = QStringLiteral("Localizable");
    // The code used when nothing is saved, and the last resort when no table matches.
    static inline const QString fallbackCode = QStringLiteral("en");

    // The text of `key` in `table` (empty: "Localizable") of the language in force, read afresh from
    // the settings on every call. A key the table lacks gives `value`, or the key itself when `value`
    // is empty.
    static QString localizedStringForKey(const QString& key, const QString& value = {}, const QString& table = {});
    // A text whose numbered places "%1$@", "%2$@"... (in any order, as a language needs) take the
    // values, in one pass, so that a value is never read as a place.
    static QString withValues(const QString& format, const QStringList& values);

    // Saves `code` as the language in force and flushes the settings; false when they could not be written.
    static bool setLanguage(const QString& code);
    // Saves the language chosen by its code, display name and code both, as the window's toggle does;
    // false when the settings could not be written.
    static bool saveChoice(const QString& code);

    // The interface languages: each display name with its code. The one place that pairs them.
    struct Language {
        QString displayName;
        QString code;
    };
    static const QList<Language>& languages();
    static inline const QString englishName = QStringLiteral("English");
    static inline const QString simplifiedChineseName = QStringLiteral("中文");

    // The code of a language's display name: "English" "en", "中文" "zh-Hans", "繁體" "zh-Hant"; empty for
    // any other name.
    static QString codeForDisplayName(const QString& displayName);
    // The display name of a code, the other way round; empty for any other code.
    static QString displayNameForCode(const QString& code);

    // The code whose tables the lookup reads now.
    static QString languageInForce();

    // The codes that have a table folder among the program's resources.
    static QStringList availableCodes();

    // Which table folder to read, given the value saved under languagesKey and the system's preferred
    // UI languages (most preferred first): the saved code when its folder exists; "en" when nothing is
    // saved; otherwise the first preferred language that has a folder, else "en". A saved value that
    // is not text counts as nothing saved; text not shaped like a language code counts as unknown.
    static QString chooseCode(const QVariant& saved, const QStringList& preferredLanguages);

    // The resource path of a table, or an empty string when the code or table name is not one the
    // program could hold (so that no saved value can point the lookup outside its own resources).
    static QString tablePath(const QString& code, const QString& table);

    // The code a preferred UI language such as "zh-TW" or "en-GB" is served by, or empty.
    static QString codeForPreferredLanguage(const QString& uiLanguage);
};
