#include "Api/Bus/MotionFile.h"
#include "Api/Bus/Protocol.h"

#include "Api/Bus/StrictJson.h"
#include "Api/Bus/WholeFile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

const QString formatName = QStringLiteral("servodesk-motion");

// A whole number within [minimum, maximum], or why not; what names the field.
Result<int> wholeNumber(const QJsonValue& value, int minimum, int maximum, const QString& what)
{
    const double number = value.toDouble();
    if (!value.isDouble() || number != std::floor(number))
        return Failure::usage(QStringLiteral("%1: expected a whole number %2-%3").arg(what).arg(minimum).arg(maximum));
    if (number < minimum || number > maximum)
        return Failure::usage(QStringLiteral("%1: %2 is out of range %3-%4").arg(what).arg(number).arg(minimum).arg(maximum));
    return int(number);
}

Result<void> onlyKeys(const QJsonObject& object, const QStringList& known, const QString& where)
{
    for (const QString& key : object.keys())
        if (!known.contains(key))
            return Failure::usage(QStringLiteral("%1unknown key \"%2\" (keys: %3)").arg(where, key, known.join(QStringLiteral(", "))));
    return {};
}

Result<QMap<int, int>> positionsFrom(const QJsonValue& value)
{
    if (!value.isObject())
        return Failure::usage(QStringLiteral("positions: expected an object of servo ID to position"));
    static const QRegularExpression decimal(QStringLiteral("^[0-9]{1,3}$"));
    QMap<int, int> positions;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!decimal.match(it.key()).hasMatch() || it.key().toInt() > SVProtocol::highestServoId)
            return Failure::usage(QStringLiteral("positions: \"%1\" is not a servo ID %2-%3")
                                      .arg(it.key()).arg(SVProtocol::lowestServoId).arg(SVProtocol::highestServoId));
        const int id = it.key().toInt();
        if (positions.contains(id))
            return Failure::usage(QStringLiteral("positions: servo %1 is named twice").arg(id));
        const Result<int> position = wholeNumber(it.value(), 0, MotionFile::maximumPosition, QStringLiteral("positions: \"%1\"").arg(it.key()));
        if (!position)
            return position.failure();
        positions.insert(id, *position);
    }
    return positions;
}

Result<MotionStep> stepFrom(const QJsonValue& value)
{
    if (!value.isObject())
        return Failure::usage(QStringLiteral("not an object"));
    const QJsonObject object = value.toObject();
    if (Result<void> keys = onlyKeys(object, {"name", "time_ms", "pause_ms", "positions", "curve"}, {}); !keys)
        return keys.failure();
    MotionStep step;
    const QJsonValue name = object.value(QLatin1String("name"));
    if (!name.isUndefined() && !name.isString())
        return Failure::usage(QStringLiteral("name: expected text"));
    step.name = name.toString();
    const Result<int> time = wholeNumber(object.value(QLatin1String("time_ms")), 0, MotionFile::maximumTimeMs, QStringLiteral("time_ms"));
    if (!time)
        return time.failure();
    step.timeMs = *time;
    const QJsonValue pauseValue = object.value(QLatin1String("pause_ms"));
    const Result<int> pause = pauseValue.isUndefined() ? Result<int>(0)
                                                       : wholeNumber(pauseValue, 0, MotionFile::maximumTimeMs, QStringLiteral("pause_ms"));
    if (!pause)
        return pause.failure();
    step.pauseMs = *pause;
    const Result<QMap<int, int>> positions = positionsFrom(object.value(QLatin1String("positions")));
    if (!positions)
        return positions.failure();
    step.positions = *positions;
    const QJsonValue curve = object.value(QLatin1String("curve"));
    if (!curve.isUndefined()) {
        const Result<MotionCurve> known = MotionFile::curveFrom(curve.isString() ? curve.toString() : QString::fromUtf8(QJsonDocument(QJsonArray{curve}).toJson(QJsonDocument::Compact).mid(1).chopped(1)));
        if (!known)
            return known.failure();
        step.curve = *known;
    }
    return step;
}

QByteArray jsonString(const QString& text)
{
    return QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

}  // namespace

QList<int> Motion::servoIds() const
{
    QSet<int> ids;
    for (const MotionStep& step : steps)
        for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
            ids.insert(it.key());
    QList<int> sorted(ids.begin(), ids.end());
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

namespace MotionFile {

namespace {
const QStringList curveNames{QStringLiteral("linear"), QStringLiteral("ease"), QStringLiteral("through")};
}

QString curveName(MotionCurve curve)
{
    return curveNames.at(int(curve));
}

Result<MotionCurve> curveFrom(const QString& name)
{
    const qsizetype index = curveNames.indexOf(name);
    if (index < 0)
        return Failure::usage(QStringLiteral("curve: \"%1\" is not one of %2").arg(name, curveNames.join(QStringLiteral(", "))));
    return MotionCurve(index);
}

QByteArray stepJson(const MotionStep& step)
{
    QByteArray positions;
    for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
        positions += (positions.isEmpty() ? "" : ", ") + jsonString(QString::number(it.key())) + ": " + QByteArray::number(it.value());
    return "{\"name\": " + jsonString(step.name) + ", \"time_ms\": " + QByteArray::number(step.timeMs)
        + ", \"pause_ms\": " + QByteArray::number(step.pauseMs) + ", \"positions\": {" + positions + "}"
        + (step.curve == MotionCurve::Linear ? QByteArray() : ", \"curve\": " + jsonString(curveName(step.curve))) + "}";
}

QByteArray document(const Motion& motion)
{
    QByteArray text = "{\n  \"format\": " + jsonString(formatName) + ",\n  \"version\": " + QByteArray::number(formatVersion)
        + ",\n  \"repeat\": " + QByteArray::number(motion.repeat) + ",\n  \"steps\": [";
    for (qsizetype i = 0; i < motion.steps.size(); ++i)
        text += (i == 0 ? "\n    " : ",\n    ") + stepJson(motion.steps[i]);
    return text + "\n  ]\n}\n";
}

Result<Motion> parse(const QByteArray& bytes, const QString& path)
{
    const auto refuse = [&](const QString& what) { return Failure::usage(QStringLiteral("%1: %2").arg(path, what)); };
    const Result<QJsonObject> root = StrictJson::parseObject(bytes);
    if (!root)
        return refuse(root.failure().message);
    if (Result<void> format = StrictJson::checkFormat(*root, formatName, formatVersion, QStringLiteral("a motion file")); !format)
        return refuse(format.failure().message);
    if (Result<void> keys = onlyKeys(*root, {"format", "version", "repeat", "steps"}, {}); !keys)
        return refuse(keys.failure().message);
    Motion motion;
    const QJsonValue repeat = root->value(QLatin1String("repeat"));
    const Result<int> times = repeat.isUndefined() ? Result<int>(1) : wholeNumber(repeat, 0, maximumRepeat, QStringLiteral("repeat"));
    if (!times)
        return refuse(times.failure().message);
    motion.repeat = *times;
    const QJsonArray steps = root->value(QLatin1String("steps")).toArray();
    if (!root->value(QLatin1String("steps")).isArray() || steps.isEmpty())
        return refuse(QStringLiteral("no steps (a \"steps\" list of at least one step)"));
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const Result<MotionStep> step = stepFrom(steps.at(i));
        if (!step) {
            const QString name = steps.at(i).toObject().value(QLatin1String("name")).toString();
            const QString which = name.isEmpty() ? QStringLiteral("step %1").arg(i + 1) : QStringLiteral("step %1 (\"%2\")").arg(i + 1).arg(name);
            const int line = StrictJson::lineOfElement(bytes, QLatin1String("steps"), i);
            return refuse(QStringLiteral("line %1: %2: %3").arg(line).arg(which, step.failure().message));
        }
        motion.steps.append(*step);
    }
    return motion;
}

Result<Motion> read(const QString& path)
{
    const Result<QByteArray> bytes = WholeFile::read(path);
    if (!bytes)
        return bytes.failure();
    return parse(*bytes, path);
}

Result<Motion> readOrEmpty(const QString& path)
{
    if (!QFileInfo::exists(path))
        return Motion{};
    return read(path);
}

Result<void> write(const QString& path, const Motion& motion)
{
    return WholeFile::write(path, document(motion));
}

}  // namespace MotionFile
