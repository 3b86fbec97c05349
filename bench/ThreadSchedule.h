// What each thread of a process used between two readings of the scheduler's own counters:
// /proc/PID/task/TID/schedstat holds the thread's time on the processor (ns), its time waiting to run
// (ns) and how many times it was run, i.e. its wake-ups; /proc/PID/task/TID/comm its name. The
// nanosecond counters are exact where the tick counters of /proc/PID/stat would round to whole ticks.
// A thread put back on a processor after another took it from it is counted as run again, so a busy
// machine raises the wake-ups of every thread a little.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

#include <sys/types.h>

struct ThreadReading {
    QString name;
    qint64 cpuNanoseconds = 0;
    qint64 runs = 0;
};
using ProcessReading = std::map<int, ThreadReading>;  // by thread ID, in ascending order

struct ThreadUsage {
    QString name;
    double wakeupsPerSecond = 0;
    double cpuMillisecondsPerSecond = 0;
};

struct ProcessUsage {
    std::vector<ThreadUsage> threads;  // in the order of their thread IDs
    QStringList ended;                 // threads that ended in between: their counters went with them

    ThreadUsage total() const
    {
        ThreadUsage sum{QStringLiteral("process"), 0, 0};
        for (const ThreadUsage& thread : threads) {
            sum.wakeupsPerSecond += thread.wakeupsPerSecond;
            sum.cpuMillisecondsPerSecond += thread.cpuMillisecondsPerSecond;
        }
        return sum;
    }
};

// The counters of every thread the process has now; a thread that ends while it is read is left out.
inline ProcessReading readThreads(pid_t pid)
{
    ProcessReading reading;
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort)) {
        QFile schedstat(tasks + tid + QStringLiteral("/schedstat"));
        QFile comm(tasks + tid + QStringLiteral("/comm"));
        if (!schedstat.open(QIODevice::ReadOnly) || !comm.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = schedstat.readAll().simplified().split(' ');
        if (fields.size() < 3)
            continue;
        reading[tid.toInt()] = {QString::fromUtf8(comm.readAll().trimmed()), fields[0].toLongLong(), fields[2].toLongLong()};
    }
    return reading;
}

// Per thread, its use from `before` to `after`, per second of wallSeconds. The process's first thread
// is named "main" and a name several threads share is numbered (" #2", " #3") in the order of their
// IDs, so that the same thread has the same name in every run. A thread that started in between is
// counted from zero.
inline ProcessUsage usageBetween(const ProcessReading& before, const ProcessReading& after, pid_t pid, double wallSeconds)
{
    ProcessUsage usage;
    std::map<QString, int> seen;
    for (const auto& [tid, now] : after) {
        QString name = tid == pid ? QStringLiteral("main") : now.name;
        if (const int earlier = seen[name]++; earlier > 0)
            name += QStringLiteral(" #%1").arg(earlier + 1);
        const auto then = before.find(tid);
        const ThreadReading start = then != before.end() ? then->second : ThreadReading{};
        usage.threads.push_back({name, double(now.runs - start.runs) / wallSeconds,
                                 double(now.cpuNanoseconds - start.cpuNanoseconds) / 1e6 / wallSeconds});
    }
    for (const auto& [tid, then] : before) {
        if (!after.contains(tid))
            usage.ended.append(then.name);
    }
    return usage;
}
