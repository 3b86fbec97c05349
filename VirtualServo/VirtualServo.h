// A servo on a pseudo-terminal: the application (or a test) opens slavePath() as its serial port
// and talks to this object as to one servo on the bus. A worker thread reads the master side,
// cuts the stream into frames, lets VirtualServoModel act on them and writes the replies. It
// records what it receives and writes, and can misbehave on request like a real bus does.
#pragma once

#include "Api/SVFrameReader.h"
#include "VirtualServo/VirtualServoModel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <mutex>
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

    explicit VirtualServo(QObject* parent = nullptr);
    ~VirtualServo() override;

    // False when the pseudo-terminal could not be made (errorString() says why).
    bool isValid() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    QString slavePath() const { return m_slavePath; }

    // Stored parameters and live values.
    Settings settings() const;
    void setSettings(const Settings& settings);
    int temperature() const;
    void setTemperature(int celsius);
    int voltageMillivolts() const;
    void setVoltageMillivolts(int millivolts);
    int position() const;
    void setPosition(int position);
    void setDrift(bool drift);

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
    // Write bytes now, as they are.
    void writeRaw(const QByteArray& bytes);
    // Replies to frames of this command go out with a wrong checksum; -1 for none.
    void setCorruptReplies(int command);
    // Close the master side, as an unplugged adapter disappears. Final.
    void vanish();
    // The same, done by the servo's own thread right after it receives the first frame of this
    // command: the adapter goes in the middle of a burst, at a known frame.
    void vanishOnFrame(int command);
    bool hasVanished() const { return m_vanished || m_closedByWorker; }

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
    int pollTimeoutMs(Clock::time_point now) const;
    void readMaster(Clock::time_point now);
    void handleFrame(const QByteArray& frame, Clock::time_point now);
    void scheduleReply(const QByteArray& reply, Clock::time_point now);
    void schedule(Clock::time_point due, const QByteArray& bytes);
    void writeDue(Clock::time_point now);
    void wake();
    static void record(QList<Chunk>& list, const QByteArray& bytes, Clock::time_point time);

    int m_master = -1;
    int m_slaveKeeper = -1;  // keeps the slave side open, so the master never reads as hung up
    int m_wakeup = -1;       // eventfd that interrupts the worker's poll
    QString m_slavePath;
    QString m_error;
    bool m_vanished = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_vanishCommand{-1};
    std::atomic<bool> m_closedByWorker{false};  // master and slave keeper closed by the worker

    mutable std::mutex m_mutex;  // guards everything below
    VirtualServoModel m_model;
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
    quint32 m_noiseState = 0x2545F491u;

    SVFrameReader m_frameReader;  // worker thread only
    std::thread m_worker;
};
