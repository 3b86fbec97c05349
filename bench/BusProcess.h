// A virtual bus in a child process, so that its own processor time is not counted as the window's.
// The child builds its bus, tells the parent its pseudo-terminal's path, serves until the parent lets
// go, and may hand back a report. Start it before the application object, while the process has one
// thread.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

class BusProcess {
public:
    // The child's ends of the pipes.
    class Child {
    public:
        void announce(const QString& slavePath)
        {
            const QByteArray path = slavePath.toLocal8Bit();
            [[maybe_unused]] const ssize_t written = ::write(m_pathOut, path.constData(), size_t(path.size()));
            ::close(m_pathOut);
        }
        // Waits up to timeout (negative: for ever) for the parent to let go; true once it has.
        bool parentDone(std::chrono::milliseconds timeout) const
        {
            pollfd parent{m_lifeIn, POLLIN, 0};
            return poll(&parent, 1, int(timeout.count())) != 0;
        }
        void report(const QByteArray& bytes) const
        {
            for (qsizetype done = 0; done < bytes.size();) {
                const ssize_t written = ::write(m_reportOut, bytes.constData() + done, size_t(bytes.size() - done));
                if (written <= 0)
                    return;
                done += written;
            }
        }

    private:
        friend class BusProcess;
        int m_pathOut = -1;
        int m_lifeIn = -1;
        int m_reportOut = -1;
    };

    explicit BusProcess(const std::function<void(Child&)>& body)
    {
        int path[2], life[2], report[2];
        if (pipe2(path, O_CLOEXEC) != 0 || pipe2(life, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            ::close(path[0]);
            ::close(life[1]);
            ::close(report[0]);
            Child child;
            child.m_pathOut = path[1];
            child.m_lifeIn = life[0];
            child.m_reportOut = report[1];
            body(child);
            _exit(0);
        }
        ::close(path[1]);
        ::close(life[0]);
        ::close(report[1]);
        m_life = life[1];
        m_report = report[0];
        char slave[256] = {};
        const ssize_t length = ::read(path[0], slave, sizeof slave - 1);
        ::close(path[0]);
        if (length > 0)
            m_slavePath = QString::fromLocal8Bit(slave, int(length));
    }
    ~BusProcess() { finish(); }
    BusProcess(const BusProcess&) = delete;
    BusProcess& operator=(const BusProcess&) = delete;

    QString slavePath() const { return m_slavePath; }

    // Lets the child go (it sees the end of its pipe) and returns its report once it has ended.
    QByteArray finish()
    {
        if (m_life >= 0)
            ::close(std::exchange(m_life, -1));
        QByteArray report;
        if (m_report >= 0) {
            char buffer[4096];
            for (ssize_t got; (got = ::read(m_report, buffer, sizeof buffer)) > 0;)
                report.append(buffer, qsizetype(got));
            ::close(std::exchange(m_report, -1));
        }
        if (m_pid > 0)
            waitpid(std::exchange(m_pid, -1), nullptr, 0);
        return report;
    }

private:
    pid_t m_pid = -1;
    int m_life = -1;
    int m_report = -1;
    QString m_slavePath;
};
