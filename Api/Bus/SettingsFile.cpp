#include "Api/Bus/SettingsFile.h"

#include "Api/Bus/StrictJson.h"
#include "Api/Bus/WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString formatName = QStringLiteral("servodesk-servo-settings");

Failure fileFailure(const QString& path, const QString& what)
{
    return Failure::usage(QStringLiteral("%1: %2").arg(path, what));
}

const QString nameKey = QStringLiteral("name");

QByteArray fileOf(const QJsonArray& servos)
{
    const QJsonObject root{{"format", formatName}, {"version", SettingsFile::formatVersion}, {"servos", servos}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

// A name is one line of text of sane length.
Result<QString> nameOf(const QJsonValue& value)
{
    const QString name = value.toString().trimmed();
    const bool printable = std::none_of(name.begin(), name.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
    if (!value.isString() || !printable || name.size() > SettingsFile::nameLengthLimit)
        return Failure::usage(QStringLiteral("name: expected a text of one line, at most %1 characters").arg(SettingsFile::nameLengthLimit));
    return name;
}

Result<SettingsFile::Entry> entryOf(QJsonObject object)
{
    QString name;
    if (object.contains(nameKey)) {
        const Result<QString> given = nameOf(object.take(nameKey));
        if (!given)
            return given.failure();
        name = *given;
    }
    const Result<SettingValues> values = ServoSettingsJson::valuesFromJson(object);
    if (!values)
        return values.failure();
    return SettingsFile::Entry{*values, name};
}

}  // namespace

namespace SettingsFile {

QByteArray document(const QList<ServoSettings>& servos, const QMap<int, QString>& names)
{
    QJsonArray list;
    for (const ServoSettings& settings : servos) {
        QJsonObject object = ServoSettingsJson::toJson(settings);
        if (const QString name = names.value(settings.id); !name.isEmpty())
            object.insert(nameKey, name);
        list.append(object);
    }
    return fileOf(list);
}

QByteArray partialDocument(const QList<SettingValues>& servos)
{
    QJsonArray list;
    for (const SettingValues& values : servos) {
        QJsonObject object;
        for (auto it = values.begin(); it != values.end(); ++it)
            if (const SettingField* field = SettingField::byKey(it.key()))
                object.insert(it.key(), field->toJson(it.value()));
        list.append(object);
    }
    return fileOf(list);
}

Result<QList<Entry>> parseEntries(const QByteArray& bytes, const QString& path)
{
    const Result<QJsonObject> root = StrictJson::parseObject(bytes);
    if (!root)
        return fileFailure(path, root.failure().message);
    if (Result<void> format = StrictJson::checkFormat(*root, formatName, formatVersion, QStringLiteral("a servo settings file")); !format)
        return fileFailure(path, format.failure().message);
    if (!root->value(QLatin1String("servos")).isArray())
        return fileFailure(path, QStringLiteral("no \"servos\" list"));
    QList<Entry> servos;
    const QJsonArray list = root->value(QLatin1String("servos")).toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Result<Entry> entry = list.at(i).isObject() ? entryOf(list.at(i).toObject())
                                                          : Result<Entry>(Failure::usage(QStringLiteral("not an object")));
        if (!entry)
            return fileFailure(path, QStringLiteral("servo #%1: %2").arg(i + 1).arg(entry.failure().message));
        servos.append(*entry);
    }
    if (servos.isEmpty())
        return fileFailure(path, QStringLiteral("the \"servos\" list is empty"));
    return servos;
}

Result<QList<SettingValues>> parse(const QByteArray& bytes, const QString& path)
{
    const Result<QList<Entry>> entries = parseEntries(bytes, path);
    if (!entries)
        return entries.failure();
    QList<SettingValues> servos;
    for (const Entry& entry : *entries)
        servos.append(entry.values);
    return servos;
}

Result<QList<Entry>> readEntries(const QString& path)
{
    const Result<QByteArray> bytes = WholeFile::read(path);
    if (!bytes)
        return bytes.failure();
    return parseEntries(*bytes, path);
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
