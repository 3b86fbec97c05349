// The servo bus as the command-line tool uses it: one open port, a read sent and its reply awaited,
// a write sent. Replies are cut from the byte stream by the frame reader and read by the reply
// decoder, as in the window; a reply for another servo or command (a late one) is skipped.
#pragma once

#include "Api/SVFrameReader.h"
#include "Api/SVReplyDecoder.h"
#include "Api/Source/ORSSerialPort.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <initializer_list>
#include <optional>

class QEventLoop;

// Parameter bytes of a frame: the low 8 bits of each value.
QByteArray parameterBytes(std::initializer_list<int> values);

class ServoBus : public ORSSerialPortDelegate {
public:
    using Microseconds = std::chrono::microseconds;

    // Time a byte takes on the line at 115200 bit/s: start bit, eight data bits, stop bit.
    static constexpr Microseconds byteTime{87};
    // How long a read waits for its reply when nothing more specific is asked for: generous, since a
    // missing reply costs it only once per command.
    static constexpr Microseconds replyTimeout{100'000};
    // Pause after each write of a stored setting, as the window leaves between its write frames, so
    // that the servo has stored one value before the next arrives.
    static constexpr std::chrono::milliseconds settingWritePause{30};
    static constexpr qsizetype lateReplyLimit = 256;

    explicit ServoBus(ORSSerialPort::Ptr port);
    ~ServoBus() override;
    ServoBus(const ServoBus&) = delete;
    ServoBus& operator=(const ServoBus&) = delete;

    // Opens the port; false with errorString() saying why.
    bool open();
    QString errorString() const { return m_error; }
    // Open and not unplugged.
    bool isUsable() const;

    // Sends the read command to servoId and waits up to timeout for its reply; when a reply has begun
    // by then, a little longer for its rest.
    std::optional<SVReply> read(int servoId, int command, Microseconds timeout = replyTimeout);
    // The same, asked twice before giving up, for the reads where a single lost reply must not fail
    // a whole command.
    std::optional<SVReply> readTwice(int servoId, int command);
    // Sends a command frame with its parameters; false when the port is gone or the write failed.
    bool write(int servoId, int command, const QByteArray& parameters = {});
    // Lets replies arrive for a while without sending anything.
    void listen(Microseconds duration);
    // The replies that arrived while none was awaited or after their read gave up (late ones),
    // oldest first, at most lateReplyLimit of them; taking them empties the list.
    QList<SVReply> takeLateReplies() { return std::exchange(m_lateReplies, {}); }

    // Port callbacks (main thread).
    void serialPortWasRemovedFromSystem(ORSSerialPort* port) override;
    void serialPortDidReceiveDataReadAt(ORSSerialPort* port, const QByteArray& data,
                                        std::chrono::steady_clock::time_point readTime) override;
    void serialPortDidEncounterError(ORSSerialPort* port, const ORSSerialPortError& error) override;

private:
    void waitUntil(std::chrono::steady_clock::time_point deadline);
    void markRemoved();

    ORSSerialPort::Ptr m_port;
    SVFrameReader m_reader;
    QString m_error;
    bool m_removed = false;
    // The reply being waited for.
    int m_awaitedId = -1;
    int m_awaitedCommand = -1;
    std::optional<SVReply> m_reply;
    QList<SVReply> m_lateReplies;
    QEventLoop* m_loop = nullptr;
};
