// The servodesk Python module: the Bus class and the module's definition, bound with pybind11 over
// BusSession. This file only converts: Python values to the core's and back, failures to exceptions,
// and it releases the interpreter's lock while a call waits for the bus thread.
#include "python/ScriptFiles.h"  // first: it brings Python's headers before Qt's

#include "python/BusSession.h"
#include "python/BusThread.h"
#include "VirtualServo/SVDemoServo.h"

#include <QJsonObject>

#include <atomic>
#include <climits>
#include <optional>
#include <set>

namespace {

constexpr int highestId = 253;  // 254 is the broadcast address, which no call of the module uses

class Bus;
std::set<Bus*>& openBuses()
{
    static auto* buses = new std::set<Bus*>;  // touched with the interpreter's lock held
    return *buses;
}

class Bus {
public:
    static std::unique_ptr<Bus> openPort(const std::string& port, std::optional<Robot> robot, int retries)
    {
        return open(std::move(robot), retries, [&](int tries) { return BusSession::open(QString::fromStdString(port), tries); });
    }

    static std::unique_ptr<Bus> openDemo(const py::object& servos, const std::vector<std::string>& faults,
                                         std::optional<Robot> robot, int retries)
    {
        QList<int> ids;
        if (servos.is_none())
            ids = SVDemoServo::windowServoIds;
        else if (py::isinstance<py::int_>(servos) && !py::isinstance<py::bool_>(servos)) {
            const int count = servos.cast<int>();
            if (count < 1 || count > highestId)
                raiseValueError(QStringLiteral("servos=%1: a demo bus holds 1-%2 servos").arg(count).arg(highestId));
            ids = SVDemoServo::busServoIds(count);
        } else {
            for (const py::handle& id : servos) {
                const int servo = plainId(id);
                if (ids.contains(servo))
                    raiseValueError(QStringLiteral("servos: ID %1 comes twice").arg(servo));
                ids.append(servo);
            }
            if (ids.isEmpty())
                raiseValueError(QStringLiteral("servos: a demo bus holds at least one servo"));
        }
        QStringList faultNames;
        for (const std::string& fault : faults)
            faultNames.append(QString::fromStdString(fault));
        return open(std::move(robot), retries, [&](int tries) { return BusSession::openDemo(ids, faultNames, tries); });
    }

    ~Bus()
    {
        try {
            if (m_session)
                close();
        } catch (...) {
            // Only a call running on another thread right now stops the close; the bus is then in use.
        }
    }

    void close()
    {
        Guard guard(*this, "close");
        if (!m_session)
            return;
        {
            py::gil_scoped_release release;
            BusThread::instance().run([this] { m_session.reset(); }, [] { return false; });
        }
        openBuses().erase(this);
    }

    std::string port() const { return m_port.toStdString(); }
    bool closed() const { return !m_session; }

    py::list scan(const py::object& ids)
    {
        QList<int> asked;
        if (ids.is_none())
            for (int id = 0; id <= highestId; ++id)
                asked.append(id);
        else
            for (const py::handle& id : ids)
                asked.append(plainId(id));
        const QList<int> found = call<QList<int>>("scan", [&] { return m_session->scan(asked); });
        py::list list;
        for (int id : found)
            list.append(id);
        return list;
    }

    py::dict positions(const py::iterable& servos)
    {
        const QList<std::pair<py::object, int>> given = idsOf(servos);
        QList<int> ids;
        for (const auto& servo : given)
            ids.append(servo.second);
        const QMap<int, int> read = call<QMap<int, int>>("positions", [&] { return m_session->positions(ids); });
        py::dict positions;
        for (const auto& [key, id] : given)
            positions[key] = read.value(id);
        return positions;
    }

    void move(const py::object& targets, int timeMs)
    {
        QMap<int, int> moves;
        for (const py::handle& item : targets.attr("items")()) {
            const py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
            const py::handle servo = pair[0];
            const py::handle position = pair[1];
            if (!py::isinstance<py::int_>(position) || py::isinstance<py::bool_>(position))
                throw py::type_error(QStringLiteral("%1: a position is a whole number").arg(qstring(py::repr(servo))).toStdString());
            const int id = idOf(servo);
            if (moves.contains(id))
                raiseValueError(QStringLiteral("servo %1 is named twice").arg(id));
            // The range itself is the core's rule; a number past an int's is only told here.
            int overflow = 0;
            const long long value = PyLong_AsLongLongAndOverflow(position.ptr(), &overflow);
            if (overflow != 0 || value < INT_MIN || value > INT_MAX)
                raiseValueError(QStringLiteral("servo %1: position %2 is out of range; nothing moved").arg(id).arg(qstring(py::repr(position))));
            moves.insert(id, int(value));
        }
        call<bool>("move", [&] { return m_session->move(moves, timeMs); });
    }

    void torque(const py::iterable& servos, bool on)
    {
        QList<int> ids;
        for (const auto& servo : idsOf(servos))
            ids.append(servo.second);
        call<bool>("torque", [&] { return m_session->torque(ids, on); });
    }

    py::dict readSettings(const py::handle& servo)
    {
        const int id = idOf(servo);
        const ServoSettings settings = call<ServoSettings>("read_settings", [&] { return m_session->readSettings(id); });
        SettingValues values;
        for (const SettingField& field : SettingField::all())
            values.insert(QLatin1String(field.key), settings.*field.member);
        return settingsDict(values);
    }

    py::dict writeSettings(const py::handle& servo, const py::dict& values)
    {
        const int id = idOf(servo);
        QJsonObject object;
        for (const auto& [key, value] : values) {
            if (!py::isinstance<py::str>(key))
                raiseValueError(QStringLiteral("%1: a setting's key is a text").arg(qstring(py::repr(key))));
            object.insert(qstring(key), toJson(value));
        }
        const Result<SettingValues> parsed = ServoSettingsJson::valuesFromJson(object);
        if (!parsed)
            raiseValueError(QStringLiteral("servo %1: %2").arg(id).arg(parsed.failure().message));
        return settingsDict(call<SettingValues>("write_settings", [&] { return m_session->writeSettings(id, *parsed); }));
    }

    double voltage(const py::handle& servo)
    {
        const int id = idOf(servo);
        return SVProtocol::voltsFromMillivolts(call<int>("voltage", [&] { return m_session->voltageMillivolts(id); }));
    }

    int temperature(const py::handle& servo)
    {
        const int id = idOf(servo);
        return call<int>("temperature", [&] { return m_session->temperature(id); });
    }

    void play(const PyMotion& motion, const std::optional<int>& loops, double speed)
    {
        if (loops && (*loops < 0 || *loops > MotionFile::maximumRepeat))
            raiseValueError(QStringLiteral("loops=%1 is out of range 0-%2 (0: until stopped)").arg(*loops).arg(MotionFile::maximumRepeat));
        call<bool>("play", [&] { return m_session->play(motion.motion, loops.value_or(-1), speed); });
    }

    // The module's exit hook: every bus still open closes before the bus thread ends.
    static void closeAll()
    {
        while (!openBuses().empty()) {
            Bus* bus = *openBuses().begin();
            openBuses().erase(bus);
            py::gil_scoped_release release;
            BusThread::instance().run([bus] { bus->m_session.reset(); }, [] { return false; });
        }
        py::gil_scoped_release release;
        BusThread::instance().stop();
    }

private:
    // Marks the bus as in use for one call; a second thread calling meanwhile gets a RuntimeError.
    class Guard {
    public:
        Guard(Bus& bus, const char* what)
            : m_bus(bus)
        {
            const char* none = nullptr;
            if (!m_bus.m_user.compare_exchange_strong(none, what))
                throw std::runtime_error(std::string("a Bus is used from one thread at a time: another thread is in bus.") + none +
                                         "() now; give each thread a Bus of its own or a lock around the bus");
        }
        ~Guard() { m_bus.m_user = nullptr; }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        Bus& m_bus;
    };

    template <typename Open>
    static std::unique_ptr<Bus> open(std::optional<Robot> robot, int retries, const Open& openSession)
    {
        if (retries < 0 || retries > 10)
            raiseValueError(QStringLiteral("retries=%1 is out of range 0-10").arg(retries));
        auto bus = std::unique_ptr<Bus>(new Bus);
        bus->m_robot = std::move(robot);
        bus->m_session = bus->run<std::unique_ptr<BusSession>>("open", [&] { return openSession(retries); }, false);
        bus->m_port = bus->m_session->path();
        bus->m_session->stopRequested = [stop = &bus->m_stop] { return stop->load(); };
        openBuses().insert(bus.get());
        return bus;
    }

    // Runs work on the bus thread with the interpreter's lock released, and turns its failure into
    // the module's exception. Ctrl-C while it waits asks the work to stop (play holds the servos);
    // the KeyboardInterrupt is raised once the work has ended.
    template <typename T>
    T call(const char* what, const std::function<BusSession::Outcome<T>()>& work)
    {
        return run<T>(what, work, true);
    }

    // The same; a call that is not interruptible (opening) waits for its end through Ctrl-C, so that
    // what it made is never dropped on the wrong thread.
    template <typename T>
    T run(const char* what, const std::function<BusSession::Outcome<T>()>& work, bool interruptible)
    {
        Guard guard(*this, what);
        if (interruptible && !m_session)
            throw std::runtime_error("the bus is closed");
        m_stop = false;
        std::optional<BusSession::Outcome<T>> outcome;
        std::optional<py::error_already_set> signal;
        {
            py::gil_scoped_release release;
            BusThread::instance().run([&] { outcome.emplace(work()); }, [&] {
                if (!interruptible)
                    return false;
                py::gil_scoped_acquire acquire;
                if (PyErr_CheckSignals() != 0) {
                    signal.emplace();
                    m_stop = true;
                }
                return m_stop.load();
            });
        }
        if (signal)
            throw std::move(*signal);
        if (!outcome)  // only a signal drops a call before it runs
            throw std::runtime_error("the call was dropped");
        if (T* value = std::get_if<T>(&*outcome))
            return std::move(*value);
        raiseError(std::get<BusSession::Error>(*outcome));
    }

    [[noreturn]] void raiseError(const BusSession::Error& error) const
    {
        const Failure& failure = error.failure;
        QString message = failure.message;
        py::object servo = py::none();
        if (failure.servoId >= 0) {
            servo = py::int_(failure.servoId);
            if (const QString name = m_robot ? m_robot->nameOf(failure.servoId) : QString(); !name.isEmpty()) {
                servo = pystring(name);
                message = QStringLiteral("%1 (servo %2 is \"%3\")").arg(message).arg(failure.servoId).arg(name);
            }
        }
        switch (error.kind) {
        case BusSession::FailureKind::BadValue: raiseValueError(message);
        case BusSession::FailureKind::NoReply: raise(Exceptions::instance().noReply, message, servo);
        case BusSession::FailureKind::SharedId: raise(Exceptions::instance().sharedId, message, servo);
        case BusSession::FailureKind::PortGone: raise(Exceptions::instance().portGone, message, servo);
        case BusSession::FailureKind::Interrupted:
            PyErr_SetString(PyExc_KeyboardInterrupt, message.toStdString().c_str());
            throw py::error_already_set();
        case BusSession::FailureKind::Other: break;
        }
        raise(Exceptions::instance().busError, message, servo);
    }

    // A servo ID given as a number: 0-253.
    static int plainId(const py::handle& servo)
    {
        if (!py::isinstance<py::int_>(servo) || py::isinstance<py::bool_>(servo))
            throw py::type_error("a servo is an ID (a whole number 0-253) or, with a robot, a name; got " + py::repr(servo).cast<std::string>());
        const long long id = servo.cast<long long>();
        if (id < 0 || id > highestId)
            raiseValueError(QStringLiteral("servo ID %1 is out of range 0-%2").arg(id).arg(highestId));
        return int(id);
    }

    // A servo given by ID or, with a robot, by name.
    int idOf(const py::handle& servo) const
    {
        if (!py::isinstance<py::str>(servo))
            return plainId(servo);
        const QString name = qstring(servo);
        if (!m_robot)
            raiseValueError(QStringLiteral("servo \"%1\": names need a robot: Bus(port, robot=Robot.load(path))").arg(name));
        if (const std::optional<int> id = m_robot->idOf(name))
            return *id;
        raiseValueError(QStringLiteral("the robot has no servo named \"%1\"").arg(name));
    }

    QList<std::pair<py::object, int>> idsOf(const py::iterable& servos) const
    {
        if (py::isinstance<py::str>(servos) || py::isinstance<py::int_>(servos))
            throw py::type_error("servos are given as a list, such as [1, 2] or [\"left knee\"]");
        QList<std::pair<py::object, int>> ids;
        for (const py::handle& servo : servos)
            ids.append({py::reinterpret_borrow<py::object>(servo), idOf(servo)});
        return ids;
    }

    Bus() = default;

    std::unique_ptr<BusSession> m_session;  // made, used and destroyed on the bus thread only
    std::optional<Robot> m_robot;
    QString m_port;
    std::atomic<const char*> m_user{nullptr};  // the call running now, if any
    std::atomic<bool> m_stop{false};
};

}  // namespace

PYBIND11_MODULE(_servodesk, module)
{
    module.doc() = "The servo bus from Python, on ServoDesk's core: scans, grouped reads and moves, settings with "
                   "backup and read-back, motion files played safely.";

    Exceptions& made = Exceptions::instance();
    made.busError = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "servodesk.BusError", "A servo or the port failed; .servo names the servo at fault, or is None.", PyExc_Exception, nullptr));
    made.noReply = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "servodesk.NoReply", "A servo did not answer (after the bus's retries); the message says what was asked.", made.busError.ptr(), nullptr));
    made.portGone = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "servodesk.PortGone", "The port cannot be opened, was unplugged or failed.", made.busError.ptr(), nullptr));
    made.sharedId = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "servodesk.SharedId", "Replies came back garbled: two servos answer one ID.", made.busError.ptr(), nullptr));
    module.attr("BusError") = made.busError;
    module.attr("NoReply") = made.noReply;
    module.attr("PortGone") = made.portGone;
    module.attr("SharedId") = made.sharedId;

    py::class_<Robot>(module, "Robot", "A robot file (the Robot page's): its servos' IDs, names and settings.")
        .def_static("load", &Robot::load, py::arg("path"),
                    "Reads a robot file; ValueError naming the file and the line for a file that breaks its rules.")
        .def_property_readonly("ids", &Robot::ids, "The servos' IDs, as the file lists them.")
        .def_property_readonly("names", &Robot::names, "The name of each servo that has one, by ID.")
        .def("settings", &Robot::settings, py::arg("id"), "The settings the file gives servo id, by the settings file's keys.");

    py::class_<PyMotion>(module, "Motion", "A motion file (servoctl's and the Motion page's): steps of positions, played in turn.")
        .def_static("load", &PyMotion::load, py::arg("path"),
                    "Reads a motion file; ValueError naming the file, the step and the field for a file that breaks its rules.")
        .def_property_readonly("repeat", &PyMotion::repeat, "How often the file says to play the steps; 0 until stopped.")
        .def_property_readonly("servo_ids", &PyMotion::servoIds, "Every servo a step moves, in ascending order.")
        .def_property_readonly("steps", &PyMotion::steps, "The steps: dicts of name, time_ms, pause_ms and positions by ID.");

    py::class_<Bus>(module, "Bus",
                    "A servo bus on a serial port. Calls wait for the wire with the interpreter's lock released; a Bus is used "
                    "from one thread at a time (RuntimeError otherwise). Use it in a with block, or close() it.")
        .def(py::init(&Bus::openPort), py::arg("port"), py::arg("robot") = py::none(), py::arg("retries") = 2,
             "Opens port (such as /dev/ttyUSB0) for this process alone. With robot, servos may be given by name too. "
             "retries: how many more times a read is tried when its servo did not answer. PortGone when the port "
             "cannot be opened.")
        .def_static("demo", &Bus::openDemo, py::arg("servos") = py::none(), py::arg("faults") = std::vector<std::string>{},
                    py::arg("robot") = py::none(), py::arg("retries") = 2,
                    "A virtual bus in this process, paced like a real line at 115200 bit/s: servos 1, 2 and 7 by default, "
                    "1 to N for servos=N, or the IDs of a list. faults: \"shared-id\" puts a second servo on the second ID, "
                    "\"lossy\" loses one reply in 20.")
        .def("__enter__", [](Bus& bus) -> Bus& { return bus; }, py::return_value_policy::reference)
        .def("__exit__", [](Bus& bus, const py::args&) { bus.close(); })
        .def("close", &Bus::close, "Closes the port; the bus can no longer be used. Closing twice does nothing.")
        .def_property_readonly("port", &Bus::port, "The port's path (the demo bus's pseudo-terminal).")
        .def_property_readonly("closed", &Bus::closed, "Whether close() was called.")
        .def("scan", &Bus::scan, py::arg("ids") = py::none(),
             "Asks each ID (0-253, or those of ids, such as range(1, 19)) and returns those that answer, in order. "
             "SharedId when two servos answer one ID. Ctrl-C stops it.")
        .def("positions", &Bus::positions, py::arg("servos"),
             "Reads each servo's position (0-1000) in one grouped call; a dict keyed as the servos were given. "
             "NoReply names the first servo that did not answer.")
        .def("move", &Bus::move, py::arg("targets"), py::arg("time_ms") = 500,
             "Sends each servo of targets ({servo: position}) to its position in time_ms, the frames back to back, and "
             "returns at once. Every target is checked against its servo's stored angle limits first (ValueError; "
             "nothing moves).")
        .def("torque", &Bus::torque, py::arg("servos"), py::arg("on"),
             "Switches the holding torque of each servo on or off and reads each back.")
        .def("read_settings", &Bus::readSettings, py::arg("servo"),
             "The servo's stored settings, by the settings file's keys (volts as floats, switches as bools).")
        .def("write_settings", &Bus::writeSettings, py::arg("servo"), py::arg("values"),
             "Changes the servo's stored settings to values (settings file keys): the present settings go to a backup "
             "file first, only what differs is sent, and everything is read back. Returns what was written (empty when "
             "nothing differed). An \"id\" gives the servo a new ID, one no servo answers yet (BusError otherwise). "
             "ValueError for an unknown key or a value out of its range.")
        .def("voltage", &Bus::voltage, py::arg("servo"), "The servo's supply voltage in volts.")
        .def("temperature", &Bus::temperature, py::arg("servo"), "The servo's temperature in degrees Celsius.")
        .def("play", &Bus::play, py::arg("motion"), py::arg("loops") = py::none(), py::arg("speed") = 1.0,
             "Plays motion and returns when it ends: loops times (0 until stopped; None as the file says), speed 2 "
             "twice as fast. Before anything moves every servo must answer and every target lie within its limits "
             "(ValueError). Ctrl-C, a silent servo or an unplug hold every servo where it is, then raise "
             "KeyboardInterrupt, NoReply or PortGone.");

    py::module_::import("atexit").attr("register")(py::cpp_function(&Bus::closeAll));
}
