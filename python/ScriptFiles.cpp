#include "python/ScriptFiles.h"

Exceptions& Exceptions::instance()
{
    static auto* made = new Exceptions;  // lives as long as the interpreter's module
    return *made;
}

void raise(const py::object& type, const QString& message, py::object servo)
{
    py::object error = type(pystring(message));
    error.attr("servo") = std::move(servo);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void raiseValueError(const QString& message)
{
    throw py::value_error(message.toStdString());
}

py::object settingValue(const QString& key, int value)
{
    switch (SettingField::byKey(key)->kind) {
    case SettingField::Kind::Volts: return py::float_(SVProtocol::voltsFromMillivolts(value));
    case SettingField::Kind::Switch: return py::bool_(value != 0);
    case SettingField::Kind::Integer: break;
    }
    return py::int_(value);
}

py::dict settingsDict(const SettingValues& values)
{
    py::dict dict;
    for (auto it = values.begin(); it != values.end(); ++it)
        dict[pystring(it.key())] = settingValue(it.key(), it.value());
    return dict;
}

QJsonValue toJson(const py::handle& value)
{
    if (py::isinstance<py::bool_>(value))
        return value.cast<bool>();
    if (py::isinstance<py::int_>(value))
        return QJsonValue(value.cast<qint64>());
    if (py::isinstance<py::float_>(value))
        return value.cast<double>();
    if (py::isinstance<py::str>(value))
        return qstring(value);
    return QJsonValue(QJsonValue::Null);
}

Robot Robot::load(const std::string& path)
{
    Result<QList<SettingsFile::Entry>> entries = SettingsFile::readRobot(QString::fromStdString(path));
    if (!entries)
        raiseValueError(entries.failure().message);
    Robot robot;
    robot.m_entries = std::move(entries).value();
    return robot;
}

std::vector<int> Robot::ids() const
{
    std::vector<int> ids;
    for (const SettingsFile::Entry& entry : m_entries)
        ids.push_back(entry.id());
    return ids;
}

py::dict Robot::names() const
{
    py::dict names;
    for (const SettingsFile::Entry& entry : m_entries)
        if (!entry.name.isEmpty())
            names[py::int_(entry.id())] = pystring(entry.name);
    return names;
}

std::optional<int> Robot::idOf(const QString& name) const
{
    for (const SettingsFile::Entry& entry : m_entries)
        if (entry.name == name)
            return entry.id();
    return std::nullopt;
}

QString Robot::nameOf(int id) const
{
    for (const SettingsFile::Entry& entry : m_entries)
        if (entry.id() == id)
            return entry.name;
    return {};
}

py::dict Robot::settings(int id) const
{
    for (const SettingsFile::Entry& entry : m_entries)
        if (entry.id() == id)
            return settingsDict(entry.values);
    raiseValueError(QStringLiteral("the robot has no servo %1").arg(id));
}

PyMotion PyMotion::load(const std::string& path)
{
    Result<Motion> motion = MotionFile::read(QString::fromStdString(path));
    if (!motion)
        raiseValueError(motion.failure().message);
    return PyMotion{std::move(motion).value()};
}

std::vector<int> PyMotion::servoIds() const
{
    const QList<int> ids = motion.servoIds();
    return {ids.begin(), ids.end()};
}

py::list PyMotion::steps() const
{
    py::list steps;
    for (const MotionStep& step : motion.steps) {
        py::dict positions;
        for (auto it = step.positions.begin(); it != step.positions.end(); ++it)
            positions[py::int_(it.key())] = it.value();
        steps.append(py::dict(py::arg("name") = pystring(step.name), py::arg("time_ms") = step.timeMs,
                              py::arg("pause_ms") = step.pauseMs, py::arg("positions") = positions));
    }
    return steps;
}
