// Captures what the process writes to standard output (file descriptor 1) between construction
// and finish(), through a pipe.
#pragma once

#include <QByteArray>

#include <thread>

class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Restores standard output and returns everything written meanwhile.
    QByteArray finish();

private:
    int m_savedStdout = -1;
    int m_readEnd = -1;
    QByteArray m_captured;
    std::thread m_drain;  // empties the pipe so that writers never block on a full one
};
