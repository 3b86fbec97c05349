// Another program holding a serial device: a child process opens the device node and takes its
// exclusive lock, and keeps it until told to let go (or until this object is destroyed).
#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

class LockHolder {
public:
    explicit LockHolder(const QString& path)
    {
        const QByteArray node = path.toLocal8Bit();
        if (pipe2(m_ready, O_CLOEXEC) != 0)
            return;
        if (pipe2(m_release, O_CLOEXEC) != 0) {
            closePipes();
            return;
        }
        m_child = fork();
        if (m_child == 0) {
            // Only async-signal-safe calls between fork and _exit.
            const int fd = ::open(node.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char status = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
            (void)!::write(m_ready[1], &status, 1);
            char go = 0;
            (void)!::read(m_release[0], &go, 1);
            _exit(0);
        }
        char status = 0;
        m_holding = m_child > 0 && ::read(m_ready[0], &status, 1) == 1 && status == 'y';
    }
    ~LockHolder() { release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // True once the other process holds the lock.
    bool isHolding() const { return m_holding; }

    // The other process lets go and ends; returns when it has ended.
    void release()
    {
        if (m_child > 0) {
            const char go = 'x';
            (void)!::write(m_release[1], &go, 1);
            waitpid(m_child, nullptr, 0);
            m_child = -1;
        }
        m_holding = false;
        closePipes();
    }

private:
    void closePipes()
    {
        for (int* fd : {&m_ready[0], &m_ready[1], &m_release[0], &m_release[1]}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    pid_t m_child = -1;
    bool m_holding = false;
};
