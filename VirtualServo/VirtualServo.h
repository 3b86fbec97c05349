// A servo, or a bus of several, on a pseudo-terminal: the application (or a test) opens slavePath()
// as its serial port and talks to this object as to the servos on the bus. A worker thread reads the
// master side, cuts the stream into frames, lets each servo's VirtualServoModel act on them and writes
// the replies. Each servo answers its own ID; when several answer one frame (the broadcast ID) their
// replies collide on the line as they would on a real bus: the line carries the AND of their bits,
// which the host sees as a broken frame, and collisionCount() counts it. On request the line is paced
// at its real rate. It records what it receives and writes, and can misbehave like a real bus does.
#pragma once

#include "Api/Bus/SVFrameReader.h"
#include "VirtualServo/VirtualServoModel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class VirtualServo : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    using Settings = VirtualServoModel::Settings;

    // Bytes read from or written to the master side, with the time of the read or write.
    struct Chunk {
        QByteArray bytes;
        Clock::time_point time;
    };
    // Records keep the most recent entries only, so a long demo session stays small.
    static constexpr qsizetype recordLimit = 10000;

    // Time a byte takes on the line at 115200 bit/s: a start bit, eight data bits and a stop bit.
    static constexpr std::chrono::nanoseconds lineByteTime{10'000'000'000 / 115200};

    // One servo with the factory settings.
    explicit VirtualServo(QObject* parent = nullptr);
    // A bus of one servo per entry of servos (at least one), in that order.
    explicit VirtualServo(const QList<Settings>& servos, QObject* parent = nullptr);
    ~VirtualServo() override;
    // Factory settings for each of these IDs, in that order: the servos of a bus.
    static QList<Settings> servosWithIds(const QList<int>& ids);
    // The same, as on an assembled robot: the first servo keeps the factory settings, every other
    // one has trims, limits, alarms and an LED of its own, so that no two servos read alike.
    static QList<Settings> robotServosWithIds(const QList<int>& ids);

    // False when the pseudo-terminal could not be made (errorString() says why).
    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    QString slavePath() const { return m_slavePath; }

    int servoCount() const;
    // Stored parameters and live values of the servo at index servo (in construction order).
    Settings settings(int servo = 0) const;
    void setSettings(const Settings& settings, int servo = 0);
    int temperature(int servo = 0) const;
    void setTemperature(int celsius, int servo = 0);
    int voltageMillivolts(int servo = 0) const;
    void setVoltageMillivolts(int millivolts, int servo = 0);
    int position(int servo = 0) const;
    void setPosition(int position, int servo = 0);
    // Every servo's temperature and voltage drift a little.
    void setDrift(bool drift);

    // Bytes take lineByteTime each on the line, both ways, and the line carries one byte at a time:
    // a reply starts after the whole command has arrived (plus the reply delay) and is written once
    // its last byte would have arrived.
    void setLinePacing(bool paced);
    // Only the first servo takes frames sent to the broadcast ID, as if it were alone on the bus: the
    // demo's three servos let the window's pages read and write servo 1 by broadcast as with one.
    void setBroadcastToFirstOnly(bool firstOnly);
    // Frames that more than one servo answered.
    int collisionCount() const;

    // Every valid frame received (checksum included), with the time of the read that completed it.
    QList<Chunk> receivedFrames() const;
    // Every read and every write on the master side.
    QList<Chunk> receivedChunks() const;
    QList<Chunk> writtenChunks() const;
    void clearRecords();

    // Misbehaviour on request.
    void setSilent(bool silent);                           // answer nothing
    void setReplyDelay(std::chrono::milliseconds delay);   // answer late
    // Write each reply in two parts, the second gap after the first.
    void setSplitReplies(bool split, std::chrono::milliseconds gap = std::chrono::milliseconds(20));
    // Write replies two to a write; a reply without a partner is written after hold.
    void setPairReplies(bool pair, std::chrono::milliseconds hold = std::chrono::milliseconds(200));
    // Write every received frame back before its reply, as on a half-duplex bus.
    void setEchoCommands(bool echo);
    // Write count pseudo-random bytes now.
    void sendNoise(int count);
    // Write count pseudo-random bytes before each reply, as some cheap adapters do; 0 for none.
    void setNoiseBeforeReplies(int count);
    // Servos answer an ID read only when it is sent to the broadcast ID, as a servo may: one sent to
    // their own ID goes unanswered.
    void setIdReadsOnlyByBroadcast(bool only);
    // Write bytes now, as they are.
    void writeRaw(const QByteArray& bytes);
    // Replies to frames of this command go out with a wrong checksum; -1 for none.
    void setCorruptReplies(int command);
    // Every n-th reply is lost on the line, as on a loose wire; 0 for none.
    void setDropEveryNthReply(int n);
    // One more servo on the bus with the ID id, as when two servos were given one ID: both answer,
    // and since its position and temperature differ, their replies corrupt each other.
    void addServoSharingId(int id);
    // A servo plugged into the running bus, standing at position at celsius degrees (servos from one
    // box differ in that much); its index is servoCount() - 1.
    void connectServo(const Settings& settings, int position, int celsius);
    // The servo at index servo leaves the bus, as when its cable is pulled; the others keep theirs.
    void disconnectServo(int servo);
    // Close the master side, as an unplugged adapter disappears. Final.
    void vanish();
    // Unplug (as vanish, but from the worker) as soon as a frame with this command has arrived, so
    // that a test can cut a stream of frames at an exact point.
    void setUnplugOnCommand(int command);
    bool hasVanished() const { return m_vanished; }

signals:
    // Emitted from the worker thread for every valid frame received.
    void frameReceived(const QByteArray& frame);

private:
    struct PendingWrite {
        Clock::time_point due;
        quint64 order;
        QByteArray bytes;
    };

    bool openPseudoTerminal();
    void stopWorker();
    void run();
    // How long the worker may wait for input: until the next due write, or for ever (none).
    std::optional<Clock::duration> pollTimeout(Clock::time_point now) const;
    void readMaster(Clock::time_point now);
    void handleFrame(const QByteArray& frame, Clock::time_point now);
    QByteArray answer(const QByteArray& frame, Clock::time_point now);
    void scheduleReply(QByteArray reply, Clock::time_point now);
    QByteArray noise(int count);
    void schedule(Clock::time_point due, const QByteArray& bytes);
    void writeDue(Clock::time_point now);
    void wake();
    void unplugFromWorker();
    static void record(QList<Chunk>& list, const QByteArray& bytes, Clock::time_point time);

    int m_master = -1;
    int m_slaveKeeper = -1;  // keeps the slave side open, so the master never reads as hung up
    int m_wakeup = -1;       // eventfd that interrupts the worker's poll
    QString m_slavePath;
    QString m_error;
    bool m_vanished = false;
    std::atomic<bool> m_stop{false};

    mutable std::mutex m_mutex;  // guards everything below
    std::vector<VirtualServoModel> m_models;  // empty once every servo is disconnected
    int m_collisions = 0;
    bool m_paced = false;
    Clock::time_point m_lineFreeAt{};  // when the paced line has carried every byte so far
    QList<Chunk> m_receivedFrames;
    QList<Chunk> m_receivedChunks;
    QList<Chunk> m_writtenChunks;
    std::vector<PendingWrite> m_pending;
    quint64 m_nextOrder = 0;
    QByteArray m_heldReply;  // a reply waiting for its partner
    Clock::time_point m_heldUntil;
    bool m_silent = false;
    std::chrono::milliseconds m_replyDelay{0};
    bool m_split = false;
    std::chrono::milliseconds m_splitGap{20};
    bool m_pair = false;
    std::chrono::milliseconds m_pairHold{200};
    bool m_echo = false;
    int m_corruptCommand = -1;
    bool m_broadcastToFirstOnly = false;
    bool m_idReadsOnlyByBroadcast = false;
    int m_noiseBeforeReplies = 0;
    int m_dropEvery = 0;
    quint64 m_repliesScheduled = 0;
    int m_unplugCommand = -1;
    bool m_unplugNow = false;  // worker thread only
    quint32 m_noiseState = 0x2545F491u;

    SVFrameReader m_frameReader;  // worker thread only
    std::thread m_worker;
};
