#include "Api/Bus/SettingsFile.h"

#include "Api/Bus/StrictJson.h"
#include "Api/Bus/WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString formatName = QStringLiteral("servodesk-servo-settings");

Failure fileFailure(const QString& path, const QString& what)
{
    return Failure::usage(QStringLiteral("%1: %2").arg(path, what));
}

}  // namespace

namespace SettingsFile {

QByteArray document(const QList<ServoSettings>& servos)
{
    QJsonArray list;
    for (const ServoSettings& settings : servos)
        list.append(ServoSettingsJson::toJson(settings));
    const QJsonObject root{{"format", formatName}, {"version", formatVersion}, {"servos", list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Result<QList<SettingValues>> parse(const QByteArray& bytes, const QString& path)
{
    const Result<QJsonObject> root = StrictJson::parseObject(bytes);
    if (!root)
        return fileFailure(path, root.failure().message);
    if (Result<void> format = StrictJson::checkFormat(*root, formatName, formatVersion, QStringLiteral("a servo settings file")); !format)
        return fileFailure(path, format.failure().message);
    if (!root->value(QLatin1String("servos")).isArray())
        return fileFailure(path, QStringLiteral("no \"servos\" list"));
    QList<SettingValues> servos;
    const QJsonArray list = root->value(QLatin1String("servos")).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Result<SettingValues> values = list.at(i).isObject() ? ServoSettingsJson::valuesFromJson(list.at(i).toObject())
                                                                   : Result<SettingValues>(Failure::usage(QStringLiteral("not an object")));
        if (!values)
            return fileFailure(path, QStringLiteral("servo #%1: %2").arg(i + 1).arg(values.failure().message));
        servos.append(*values);
    }
    if (servos.isEmpty())
        return fileFailure(path, QStringLiteral("the \"servos\" list is empty"));
    return servos;
}

Result<QList<SettingValues>> read(const QString& path)
{
    const Result<QByteArray> bytes = WholeFile::read(path);
    if (!bytes)
        return bytes.failure();
    return parse(*bytes, path);
}

QString backupFolder()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return dataHome + QStringLiteral("/servodesk/backups");
}

Result<QString> saveBackup(const ServoSettings& settings)
{
    const QString folder = backupFolder();
    if (!QDir().mkpath(folder))
        return Failure::failed(QStringLiteral("%1: cannot make the backup folder").arg(folder));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString path = QStringLiteral("%1/%2-id%3.json").arg(folder, stamp).arg(settings.id);
    if (Result<void> written = WholeFile::write(path, document({settings})); !written)
        return written.failure();
    return path;
}

}  // namespace SettingsFile
