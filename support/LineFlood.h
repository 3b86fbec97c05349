// A flooded servo line for fault tests and benchmarks: pseudo-random bytes at the line's full rate
// with valid replies mixed in, written to a descriptor (the master side of a pseudo-terminal) by a
// background thread, paced in 10 ms slices.
#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class LineFlood {
public:
    // 115200 bit/s with 10 bits per byte (start, 8 data, stop).
    static constexpr int lineBytesPerSecond = 11520;

    // The stream to send: about `size` bytes of noise with valid replies mixed in. The noise is
    // rich in 0x55 bytes and false headers, and contains no valid frame of its own, not even one
    // that runs on into the reply after it. `replies` receives every reply, in stream order.
    // makeReply makes each reply from the generator state (randomReply when not given).
    using ReplyMaker = std::function<QByteArray(quint32& state)>;
    static QByteArray makeStream(quint32 seed, qsizetype size, QList<QByteArray>* replies, const ReplyMaker& makeReply = {});
    // A valid reply (checksum included) to one of the servo's read commands, chosen at random.
    static QByteArray randomReply(quint32& state);
    // A valid reply to `command` with the given parameter bytes.
    static QByteArray reply(int servoId, int command, const QByteArray& parameters);
    // The next number of the generator behind the stream.
    static quint32 nextRandom(quint32& state);
    // True when bytes[at..] starts a frame whose header, length (3 to 7) and checksum are valid.
    static bool validFrameAt(const QByteArray& bytes, qsizetype at);

    LineFlood() = default;
    ~LineFlood();
    LineFlood(const LineFlood&) = delete;
    LineFlood& operator=(const LineFlood&) = delete;

    // Writes all of the bytes given; false when the line is gone.
    using Writer = std::function<bool(const QByteArray&)>;

    // Starts writing `stream` at bytesPerSecond to `descriptor`, or through `writer` (for example a
    // virtual servo's raw write).
    void start(int descriptor, QByteArray stream, int bytesPerSecond = lineBytesPerSecond);
    void start(Writer writer, QByteArray stream, int bytesPerSecond = lineBytesPerSecond);
    // Writes every byte to a non-blocking or blocking descriptor, waiting while it is full.
    static bool writeAll(int descriptor, const QByteArray& bytes, const std::atomic<bool>& stop);
    // Waits (at most timeout) for the whole stream to be written; true when it was.
    bool waitUntilWritten(std::chrono::milliseconds timeout);
    void stop();
    qsizetype bytesWritten() const { return m_written; }
    bool failed() const { return m_failed; }

private:
    void run(const Writer& writer, const QByteArray& stream, int bytesPerSecond);

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_failed{false};
    std::atomic<qsizetype> m_written{0};
    std::thread m_thread;
};
