// What the module's files and bindings share: text and setting values between Python and the core,
// the module's exceptions, and the two files a script loads (a robot, a motion).
#pragma once

// Python's headers come first: they use the word "slots", which Qt's headers define as a macro.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/ServoSettings.h"
#include "Api/Bus/SettingsFile.h"

#include <QJsonValue>
#include <QString>

#include <optional>
#include <vector>

namespace py = pybind11;

inline QString qstring(const py::handle& text) { return QString::fromStdString(py::cast<std::string>(text)); }
inline py::str pystring(const QString& text) { return py::str(text.toStdString()); }

// The module's exceptions, made when it is imported.
struct Exceptions {
    py::object busError, noReply, portGone, sharedId;
    static Exceptions& instance();
};

// Raises type (one of the module's exceptions) with message and the servo at fault.
[[noreturn]] void raise(const py::object& type, const QString& message, py::object servo = py::none());
[[noreturn]] void raiseValueError(const QString& message);

// A setting's value as Python holds it: volts as a float, a switch as a bool, the rest as an int.
py::object settingValue(const QString& key, int value);
py::dict settingsDict(const SettingValues& values);
// A Python value as a JSON value, for the core's rules of settings.
QJsonValue toJson(const py::handle& value);

// A robot file: the servos of a robot with their names and settings, as the Robot page opens it.
class Robot {
public:
    static Robot load(const std::string& path);
    std::vector<int> ids() const;
    py::dict names() const;
    // The ID of a servo given by name; nothing for a name the robot does not have.
    std::optional<int> idOf(const QString& name) const;
    QString nameOf(int id) const;
    py::dict settings(int id) const;

private:
    QList<SettingsFile::Entry> m_entries;
};

// A motion file: its steps and how often they repeat.
struct PyMotion {
    static PyMotion load(const std::string& path);
    int repeat() const { return motion.repeat; }
    std::vector<int> servoIds() const;
    py::list steps() const;

    Motion motion;
};
