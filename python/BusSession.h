// One bus as the Python module offers it: a port opened by path or the demo bus, and the calls of a
// Bus object, each on the core's own pieces (ServoAccess, BusScan, RobotWrite, MotionPlayer). What it
// adds is the module's own rules: a read whose servo did not answer is tried again `retries` times,
// a move is checked against each servo's stored angle limits first, and every failure is sorted into
// the kinds the module raises. Runs on the bus thread (BusThread); knows nothing of Python.
#pragma once

#include "Api/Bus/MotionFile.h"
#include "Api/Bus/Result.h"
#include "Api/Bus/ServoBus.h"
#include "Api/Bus/ServoSettings.h"

#include <QList>
#include <QMap>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <variant>

class SVDemoServo;

class BusSession {
public:
    // The kinds of failure the module tells apart, each raised as its own exception.
    enum class FailureKind {
        BadValue,     // a value, an argument or a file that cannot be used as given; nothing was sent
        NoReply,      // a servo did not answer
        SharedId,     // replies came back garbled: two servos answer one ID
        PortGone,     // the port was unplugged, or failed
        Interrupted,  // stopped on request
        Other,        // anything else the core reports (a backup that cannot be saved, a failed verify)
    };
    struct Error {
        FailureKind kind = FailureKind::Other;
        Failure failure;
    };
    template <typename T>
    using Outcome = std::variant<T, Error>;

    static Outcome<std::unique_ptr<BusSession>> open(const QString& path, int retries);
    // A paced virtual bus of these servos in this process, misbehaving as faults say (SVDemoServo's).
    static Outcome<std::unique_ptr<BusSession>> openDemo(const QList<int>& ids, const QStringList& faults, int retries);
    ~BusSession();
    BusSession(const BusSession&) = delete;
    BusSession& operator=(const BusSession&) = delete;

    // Set by the caller's thread to ask a long call (scan, play, a settings write) to stop.
    std::function<bool()> stopRequested = [] { return false; };

    // The IDs that answered; a SharedId error when two servos answer one of them.
    Outcome<QList<int>> scan(const QList<int>& ids);
    Outcome<QMap<int, int>> positions(const QList<int>& ids);
    // Every target is checked (range, the servo's angle limits) before any frame goes out.
    Outcome<bool> move(const QMap<int, int>& targets, int timeMs);
    // Switches each servo's torque, then reads each back.
    Outcome<bool> torque(const QList<int>& ids, bool on);
    Outcome<ServoSettings> readSettings(int id);
    // Writes what differs from the servo's present settings, with a backup first and everything read
    // back; the values written, by key (empty when nothing differed). An "id" gives it a new ID, one
    // that no servo answers yet.
    Outcome<SettingValues> writeSettings(int id, const SettingValues& values);
    Outcome<int> voltageMillivolts(int id);
    Outcome<int> temperature(int id);
    // loops: 0 until stopped, -1 as the motion says.
    Outcome<bool> play(const Motion& motion, int loops, double speed);

    // The port's path (the demo bus's pseudo-terminal).
    QString path() const { return m_path; }

private:
    BusSession(std::unique_ptr<SVDemoServo> demo, const QString& path, int retries);
    Error errorOf(const Failure& failure) const;
    // Runs read until it succeeds, a failure other than a silent servo comes, or retries are spent.
    template <typename T>
    Outcome<T> withRetries(const std::function<Result<T>()>& read);
    // The servo's stored angle limits, read once.
    Outcome<std::pair<int, int>> angleLimitsOf(int id);
    // Notes what the statistics say before a call, so that its failures can be told apart.
    void begin();

    std::unique_ptr<SVDemoServo> m_demo;  // declared before the bus: the port closes first
    std::unique_ptr<ServoBus> m_bus;
    QString m_path;
    int m_retries = 0;
    // Per servo, its garbled and unanswered requests when the present call began.
    std::map<int, std::pair<int, int>> m_countsBefore;
    std::map<int, std::pair<int, int>> m_angleLimits;  // read once per servo, for the checks of move
};
