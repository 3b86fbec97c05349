// The settings store in use, and the per-user store kept in a text settings file.
#include "Tools/SettingsStore.h"

#include "Tools/SettingsTextFormat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

namespace {
SettingsStore* installedStore = nullptr;
}

QString SettingsStore::text(const QString& key) const
{
    const QVariant saved = value(key);
    return saved.typeId() == QMetaType::QString ? saved.toString() : QString();
}

SettingsStore& SettingsStore::standard()
{
    if (installedStore)
        return *installedStore;
    // Created on first use, after main() has set the organization and application names.
    static QSettingsStore userStore;
    return userStore;
}

void SettingsStore::install(SettingsStore* store)
{
    installedStore = store;
}

QSettings::Format QSettingsStore::format()
{
    return settingsTextFormat();
}

QSettingsStore::QSettingsStore()
    : m_settings(format(), QSettings::UserScope, QCoreApplication::organizationName(),
                 QCoreApplication::applicationName())
{
}

QSettingsStore::QSettingsStore(const QString& fileName)
    : m_settings(fileName, format())
{
}

// QSettings keeps the first error it met: after a file that could not be parsed, a failed write no
// longer shows in its status. Then only a file changed by this sync shows that it was written.
bool QSettingsStore::sync()
{
    const QFileInfo before(fileName());
    const QDateTime modifiedBefore = before.exists() ? before.lastModified() : QDateTime();
    const qint64 sizeBefore = before.exists() ? before.size() : -1;
    m_settings.sync();
    switch (m_settings.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::AccessError:
        return false;
    case QSettings::FormatError:
        break;
    }
    const QFileInfo after(fileName());
    return after.exists() && (after.lastModified() != modifiedBefore || after.size() != sizeBefore);
}

// QSettings only says that the file could not be written; the file and its folders say why.
QString QSettingsStore::syncFailureReason() const
{
    const QFileInfo file(fileName());
    QFileInfo folder(file.absolutePath());
    while (!folder.exists() && !folder.isRoot())
        folder = QFileInfo(folder.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder.absoluteFilePath());
    if (file.isDir())
        return QStringLiteral("a folder stands where the file should be");
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is read-only");
    if (!QFileInfo(file.absolutePath()).exists() || !folder.isWritable())
        return QStringLiteral("the folder %1 cannot be written").arg(folder.absoluteFilePath());
    return QStringLiteral("the file could not be written (is the disk full?)");
}
