// The application's end of a pseudo-terminal, opened raw, for tests that talk to a VirtualServo
// without a serial port object.
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

class SlaveTerminal {
public:
    explicit SlaveTerminal(const QString& path);
    ~SlaveTerminal();
    SlaveTerminal(const SlaveTerminal&) = delete;
    SlaveTerminal& operator=(const SlaveTerminal&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray& bytes);
    // Reads until at least count bytes have arrived in all or timeout passes; returns what arrived.
    QByteArray readAtLeast(qsizetype count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Everything already waiting, without blocking.
    QByteArray readAvailable();
    // True once a read reports the other side gone (hang-up or an I/O error), within timeout.
    bool waitForHangUp(std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    int m_fd = -1;
};
