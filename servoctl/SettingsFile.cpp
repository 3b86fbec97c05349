#include "servoctl/SettingsFile.h"

#include "servoctl/CommandContext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace {

const QString formatName = QStringLiteral("servodesk-servo-settings");

CommandError fileError(const QString& path, const QString& what)
{
    return {ExitUsage, QStringLiteral("%1: %2").arg(path, what)};
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

QList<SettingValues> parse(const QByteArray& bytes, const QString& path)
{
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw fileError(path, QStringLiteral("not valid JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset));
    const QJsonObject root = json.object();
    if (!json.isObject() || root.value(QLatin1String("format")).toString() != formatName)
        throw fileError(path, QStringLiteral("not a servo settings file (no \"format\": \"%1\")").arg(formatName));
    const QJsonValue version = root.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() < 1)
        throw fileError(path, QStringLiteral("no format version"));
    if (version.toDouble() > formatVersion)
        throw fileError(path, QStringLiteral("format version %1 is newer than this servoctl reads (%2)")
                                  .arg(version.toDouble()).arg(formatVersion));
    if (!root.value(QLatin1String("servos")).isArray())
        throw fileError(path, QStringLiteral("no \"servos\" list"));
    QList<SettingValues> servos;
    const QJsonArray list = root.value(QLatin1String("servos")).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        QString error = QStringLiteral("not an object");
        const std::optional<SettingValues> values =
            list.at(i).isObject() ? ServoSettingsJson::valuesFromJson(list.at(i).toObject(), &error) : std::nullopt;
        if (!values)
            throw fileError(path, QStringLiteral("servo #%1: %2").arg(i + 1).arg(error));
        servos.append(*values);
    }
    if (servos.isEmpty())
        throw fileError(path, QStringLiteral("the \"servos\" list is empty"));
    return servos;
}

QList<SettingValues> read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw fileError(path, file.errorString());
    return parse(file.readAll(), path);
}

QString saveBackup(const ServoSettings& settings)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/servodesk/backups");
    if (!QDir().mkpath(folder))
        throw CommandError{ExitFailure, QStringLiteral("%1: cannot make the backup folder").arg(folder)};
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString path = QStringLiteral("%1/%2-id%3.json").arg(folder, stamp).arg(settings.id);
    CommandContext::writeFileAtomically(path, document({settings}));
    return path;
}

}  // namespace SettingsFile
