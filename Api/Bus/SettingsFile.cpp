#include "Api/Bus/SettingsFile.h"

#include "Api/Bus/StrictJson.h"
#include "Api/Bus/WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>

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

QJsonObject objectOf(const SettingValues& values)
{
    QJsonObject object;
    for (auto it = values.begin(); it != values.end(); ++it)
        if (const SettingField* field = SettingField::byKey(it.key()))
            object.insert(it.key(), field->toJson(it.value()));
    return object;
}

// However its characters combine, a name of nameLengthLimit characters stays within this many
// UTF-16 units: a cell never holds pages of combining marks.
constexpr qsizetype nameUnitLimit = SettingsFile::nameLengthLimit * 16;

Failure nameFailure()
{
    return Failure::usage(QStringLiteral("name: expected one line of at most %1 characters, without control characters")
                              .arg(SettingsFile::nameLengthLimit));
}

// Controls (C0, DEL, C1), line and paragraph separators, and halves of broken surrogate pairs.
bool breaksLine(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::category(code)) {
        case QChar::Other_Control:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return true;
        default:
            break;
        }
    }
    return false;
}

qsizetype graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

Result<QString> nameOf(const QJsonValue& value)
{
    if (!value.isString())
        return nameFailure();
    return SettingsFile::checkedName(value.toString());
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

Result<QString> checkedName(const QString& text)
{
    const QString name = text.trimmed();
    if (name.size() > nameUnitLimit || breaksLine(name) || graphemeCount(name) > nameLengthLimit)
        return nameFailure();
    return name;
}

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
    for (const SettingValues& values : servos)
        list.append(objectOf(values));
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
            return fileFailure(path, QStringLiteral("line %1: servo #%2: %3")
                                         .arg(StrictJson::lineOfElement(bytes, QLatin1String("servos"), i)).arg(i + 1).arg(entry.failure().message));
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

Result<QList<Entry>> parseRobot(const QByteArray& bytes, const QString& path)
{
    Result<QList<Entry>> entries = parseEntries(bytes, path);
    if (!entries)
        return entries;
    const QList<Entry>& servos = *entries;
    for (qsizetype i = 0; i < servos.size(); ++i) {
        if (!servos[i].values.contains(QStringLiteral("id")))
            return fileFailure(path, QStringLiteral("line %1: servo #%2 has no \"id\"")
                                         .arg(StrictJson::lineOfElement(bytes, QLatin1String("servos"), i)).arg(i + 1));
        for (qsizetype j = 0; j < i; ++j)
            if (servos[j].id() == servos[i].id())
                return fileFailure(path, QStringLiteral("line %1: servo #%2 and servo #%3 both name ID %4; keep one of them")
                                             .arg(StrictJson::lineOfElement(bytes, QLatin1String("servos"), i)).arg(j + 1).arg(i + 1).arg(servos[i].id()));
    }
    return entries;
}

Result<QList<Entry>> readRobot(const QString& path)
{
    const Result<QByteArray> bytes = WholeFile::read(path);
    if (!bytes)
        return bytes.failure();
    return parseRobot(*bytes, path);
}

QByteArray robotDocument(QList<Entry> servos)
{
    std::stable_sort(servos.begin(), servos.end(), [](const Entry& a, const Entry& b) { return a.id() < b.id(); });
    QJsonArray list;
    for (const Entry& servo : servos) {
        QJsonObject object = objectOf(servo.values);
        if (!servo.name.isEmpty())
            object.insert(nameKey, servo.name);
        list.append(object);
    }
    return fileOf(list);
}

QMap<int, QString> namesOf(const QList<Entry>& servos)
{
    QMap<int, QString> names;
    for (const Entry& servo : servos)
        if (!servo.name.isEmpty() && servo.values.contains(QStringLiteral("id")))
            names.insert(servo.id(), servo.name);
    return names;
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
