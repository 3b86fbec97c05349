// A pseudo-terminal pair for tests: the test holds the master side and plays the device; the slave
// path is what a serial port opens. Closing the master makes the device vanish, as an unplugged
// adapter does.
#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

class PseudoTerminalPair {
public:
    PseudoTerminalPair();
    ~PseudoTerminalPair();
    PseudoTerminalPair(const PseudoTerminalPair&) = delete;
    PseudoTerminalPair& operator=(const PseudoTerminalPair&) = delete;

    bool isValid() const { return m_master >= 0 && !m_slavePath.isEmpty(); }
    int masterDescriptor() const { return m_master; }
    QString slavePath() const { return m_slavePath; }

    // Writes every byte to the master side (the slave reads them); false on failure.
    bool writeToMaster(const QByteArray& bytes);
    // Reads what the slave side wrote, until count bytes arrived or timeoutMs passed.
    QByteArray readFromMaster(int count, int timeoutMs = 5000);
    // Reads whatever is there now, without waiting.
    QByteArray readAvailable();
    // The device vanishes: every descriptor of the slave side is hung up.
    void closeMaster();

    // The slave side's terminal attributes (terminal requests on the master act on the slave).
    termios slaveAttributes() const;
    bool setSlaveAttributes(const termios& attributes);

private:
    int m_master = -1;
    QString m_slavePath;
};
