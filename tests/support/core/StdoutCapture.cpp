#include "support/core/StdoutCapture.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    std::fflush(stdout);
    m_savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(ends[1], STDOUT_FILENO);
    ::close(ends[1]);
    m_readEnd = ends[0];
    m_drain = std::thread([this] {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(m_readEnd, buffer, sizeof buffer)) > 0)
            m_captured.append(buffer, n);
    });
}

StdoutCapture::~StdoutCapture()
{
    finish();
}

QByteArray StdoutCapture::finish()
{
    if (m_savedStdout < 0)
        return m_captured;
    std::fflush(stdout);
    ::dup2(m_savedStdout, STDOUT_FILENO);  // closes the pipe's last write end: the drain ends
    ::close(m_savedStdout);
    m_savedStdout = -1;
    m_drain.join();
    ::close(m_readEnd);
    m_readEnd = -1;
    return m_captured;
}
