#include "support/core/SlaveTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

SlaveTerminal::SlaveTerminal(const QString& path)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    termios attributes{};
    if (tcgetattr(m_fd, &attributes) == 0) {
        cfmakeraw(&attributes);
        tcsetattr(m_fd, TCSANOW, &attributes);
    }
}

SlaveTerminal::~SlaveTerminal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SlaveTerminal::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (n > 0)
            done += n;
    }
    return true;
}

QByteArray SlaveTerminal::readAtLeast(qsizetype count, std::chrono::milliseconds timeout)
{
    QByteArray received;
    const Clock::time_point deadline = Clock::now() + timeout;
    while (received.size() < count) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0)
            continue;
        if (!(fd.revents & POLLIN))
            break;
        received += readAvailable();
    }
    return received;
}

QByteArray SlaveTerminal::readAvailable()
{
    QByteArray received;
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
        received.append(buffer, n);
    return received;
}

bool SlaveTerminal::waitForHangUp(std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        pollfd fd{m_fd, POLLIN, 0};
        ::poll(&fd, 1, 50);
        if (fd.revents & (POLLHUP | POLLERR))
            return true;
        char byte;
        if (::read(m_fd, &byte, 1) < 0 && errno == EIO)
            return true;
    }
    return false;
}
