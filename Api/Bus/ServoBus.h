// The servo bus over one open port: a read sent and its reply awaited, a write sent, without the
// window encoder's pauses. Its reply router (ReplyRouter) reads every byte of the line: the awaited
// reply comes to the read; a reply for another servo or command (a late one) is kept aside.
// Runs on one thread: waiting for a reply runs that thread's event loop, where the port's callbacks
// arrive, unless a waiter of its own is set (the window's bus thread, whose router the port's reader
// thread feeds, waits for the router instead).
#pragma once

#include "Api/Bus/ReplyRouter.h"
#include "Api/Bus/Result.h"
#include "Api/Source/ORSSerialPort.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;

// What the bus saw of one servo's requests.
struct ServoStatistics {
    int requests = 0;
    int replies = 0;
    int timeouts = 0;  // nothing came back
    int garbled = 0;   // bytes came back but no valid reply: checksum or length faults, two servos at once
    int brokenFrames = 0;  // whole replies naming this servo with a wrong checksum, whenever they came
    std::vector<double> roundTripsMs;  // request written to its reply read, the most recent only

    static constexpr size_t roundTripLimit = 100000;
    int lost() const { return requests - replies; }
};

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

    // A bus that owns its port opens it, is its delegate and closes it when it goes. A borrowed port
    // is held open by another object, which passes on what the port tells it (the window's
    // controller does, for the Motion page's bus thread); the bus then only reads and writes.
    // replies is the line's reader when another object feeds it (the window's); else the bus has
    // its own, fed by the port's data callback.
    enum class PortUse { Own, Borrowed };
    explicit ServoBus(ORSSerialPort::Ptr port, PortUse use = PortUse::Own, ReplyRouter* replies = nullptr);
    ~ServoBus() override;
    ServoBus(const ServoBus&) = delete;
    ServoBus& operator=(const ServoBus&) = delete;

    // Waits until done() holds or the deadline passes, letting the port's news reach the bus meanwhile.
    using Waiter = std::function<void(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& done)>;
    void setWaiter(Waiter waiter) { m_waiter = std::move(waiter); }

    Result<void> open();
    // Open and not unplugged.
    bool isUsable() const;
    // What went wrong with the port last: it is gone, in use, or a write failed.
    Failure portFailure() const { return Failure::failed(m_error); }

    // Sends the read command to servoId and waits up to timeout for its reply; when a reply has begun
    // by then, a little longer for its rest. Fails with "servo N did not answer" or the port's fault.
    // Read from the broadcast ID, the first reply of any servo is the answer; the others are kept aside
    // as late replies.
    Result<SVReply> read(int servoId, int command, Microseconds timeout = replyTimeout);
    // The same, asked twice before giving up, for the reads where a single lost reply must not fail
    // a whole command.
    Result<SVReply> readTwice(int servoId, int command);
    // When the port read the bytes of the reply the last successful read returned.
    std::chrono::steady_clock::time_point replyReadTime() const { return m_replyReadTime; }
    // Sends a command frame with its parameters.
    Result<void> write(int servoId, int command, QByteArrayView parameters = {});
    // Lets replies arrive for a while without sending anything.
    void listen(Microseconds duration);
    // The replies that arrived while none was awaited or after their read gave up (late ones),
    // oldest first, at most lateReplyLimit of them; taking them empties the list.
    QList<SVReply> takeLateReplies() { return m_replies->takeLateReplies(); }
    // While claimed (a job runs), the replies nobody awaits are this bus's late replies even when the
    // router has a handler for them.
    void claimReplies(bool claimed) { m_replies->claim(claimed); }

    // Bytes heard so far that made no valid frame (dropped or still waiting for their rest).
    qint64 garbageBytes() const { return m_replies->droppedBytes() + m_replies->pendingSize(); }
    // Of those, the ones heard since the last valid frame: stray bytes that a whole frame followed are
    // not among them.
    qint64 garbageSinceFrame() const { return m_replies->droppedSinceFrame() + m_replies->pendingSize(); }

    // Per servo ID, every read since the bus opened.
    const std::map<int, ServoStatistics>& statistics() const { return m_statistics; }
    ServoStatistics statisticsOf(int servoId) const;

    // Port callbacks (main thread).
    void serialPortWasRemovedFromSystem(ORSSerialPort* port) override;
    void serialPortDidReceiveDataReadAt(ORSSerialPort* port, const QByteArray& data,
                                        std::chrono::steady_clock::time_point readTime) override;
    void serialPortDidEncounterError(ORSSerialPort* port, const ORSSerialPortError& error) override;

private:
    // Waits for the awaited reply, then counts the broken frames heard meanwhile.
    void waitUntil(std::chrono::steady_clock::time_point deadline);
    void waitForReply(std::chrono::steady_clock::time_point deadline);
    void markRemoved();
    void count(int servoId, std::chrono::steady_clock::time_point sent, qint64 droppedBefore,
               const std::optional<ReplyRouter::Heard>& reply);

    ORSSerialPort::Ptr m_port;
    PortUse m_use;
    std::unique_ptr<ReplyRouter> m_ownReplies;
    ReplyRouter* m_replies;
    QString m_error;
    bool m_removed = false;
    std::chrono::steady_clock::time_point m_replyReadTime;
    std::map<int, ServoStatistics> m_statistics;
    QEventLoop* m_loop = nullptr;
    Waiter m_waiter;
};
