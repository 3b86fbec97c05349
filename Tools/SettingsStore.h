// The user's settings, behind a small interface so that tests and one-off renders can stand in for
// the real per-user store.
#pragma once

#include <QHash>
#include <QSettings>
#include <QString>
#include <QVariant>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual QVariant value(const QString& key) const = 0;
    // The text saved under key; empty when nothing is saved or the value saved is not text.
    QString text(const QString& key) const;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    // Writes pending changes to storage; false when they could not be written.
    virtual bool sync() = 0;
    // Where the settings are kept, and why the last sync failed (for the log).
    virtual QString fileName() const = 0;
    virtual QString syncFailureReason() const = 0;

    // The store every part of the program uses. Until another one is installed it is the per-user
    // QSettings store of the application.
    static SettingsStore& standard();
    // Makes `store` the standard store; the caller keeps ownership and must uninstall it (pass
    // nullptr) before destroying it. nullptr goes back to the per-user store.
    static void install(SettingsStore* store);
};

// The per-user store: QSettings under the organization and application names set at start, its
// file in the layout of QSettings' INI files but read as text only (Tools/SettingsTextFormat.h): a
// value saved as a serialised QVariant or in any other form that is not text counts as missing and
// is never decoded.
class QSettingsStore : public SettingsStore {
public:
    QSettingsStore();
    // A store kept in the given file instead.
    explicit QSettingsStore(const QString& fileName);

    // The format of the store's files; the per-user file is found where QSettings::setPath puts
    // this format (by default the folder of QSettings' native format).
    static QSettings::Format format();

    QVariant value(const QString& key) const override { return m_settings.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_settings.setValue(key, value); }
    bool sync() override;
    QString fileName() const override { return m_settings.fileName(); }
    QString syncFailureReason() const override;

private:
    QSettings m_settings;
};

// A store that lives in memory only: nothing is read from or written to disk.
class MemorySettingsStore : public SettingsStore {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_values.insert(key, value); }
    bool sync() override
    {
        ++m_syncCount;
        return true;
    }
    QString fileName() const override { return QStringLiteral("(memory)"); }
    QString syncFailureReason() const override { return {}; }

    int syncCount() const { return m_syncCount; }

private:
    QHash<QString, QVariant> m_values;
    int m_syncCount = 0;
};
