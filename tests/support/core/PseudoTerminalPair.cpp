#include "support/core/PseudoTerminalPair.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

PseudoTerminalPair::PseudoTerminalPair()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return;
    char name[128] = {};
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0) {
        closeMaster();
        return;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PseudoTerminalPair::~PseudoTerminalPair()
{
    closeMaster();
}

bool PseudoTerminalPair::writeToMaster(const QByteArray& bytes)
{
    qsizetype done = 0;
    const QDeadlineTimer deadline(5000);
    while (done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t written = ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written > 0) {
            done += written;
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd writable{m_master, POLLOUT, 0};
            poll(&writable, 1, 10);
        }
    }
    return done == bytes.size();
}

QByteArray PseudoTerminalPair::readFromMaster(int count, int timeoutMs)
{
    QByteArray bytes;
    const QDeadlineTimer deadline(timeoutMs);
    while (bytes.size() < count && !deadline.hasExpired()) {
        pollfd readable{m_master, POLLIN, 0};
        if (poll(&readable, 1, 10) > 0)
            bytes += readAvailable();
    }
    return bytes;
}

QByteArray PseudoTerminalPair::readAvailable()
{
    QByteArray bytes;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(m_master, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, count);
    return bytes;
}

void PseudoTerminalPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

termios PseudoTerminalPair::slaveAttributes() const
{
    termios attributes{};
    tcgetattr(m_master, &attributes);
    return attributes;
}

bool PseudoTerminalPair::setSlaveAttributes(const termios& attributes)
{
    return tcsetattr(m_master, TCSANOW, &attributes) == 0;
}
