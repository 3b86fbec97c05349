// Cuts the byte stream read from the servo bus into whole, valid frames.
//
// Bytes are collected across reads. A frame starts at 55 55, its length byte (3 to 10) says how long it
// is, and its checksum must match; bytes that cannot start a valid frame are dropped one at a time so
// that the reader finds the next frame boundary again. A partial frame that waits too long for the
// rest of its bytes is discarded, since whatever follows belongs to a later exchange.
#pragma once

#include <QByteArray>
#include <QList>

#include <chrono>
#include <utility>

class SVFrameReader {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int minimumLength = 3;  // a frame without parameters
    // The longest frame of the protocol has four parameter bytes (7); a reply with a few spare bytes
    // is still taken. Much longer would let a false header in noise hold back the frames behind it.
    static constexpr int maximumLength = 10;
    static constexpr std::chrono::milliseconds staleAfter{100};

    // Appends one read's bytes and returns every frame completed by them, in order.
    QList<QByteArray> append(const QByteArray& chunk, Clock::time_point now = Clock::now());
    void clear();
    qsizetype pendingSize() const { return m_pending.size(); }
    // Bytes dropped so far because they could not start a valid frame (a wrong length byte or
    // checksum, noise, two replies on top of each other) or waited too long for their rest.
    qint64 droppedBytes() const { return m_dropped; }
    // Of those, the ones dropped since the last valid frame: noise that a valid frame followed (stray
    // bytes before a reply) is not among them, bytes in or after a reply that made no frame are.
    qint64 droppedSinceFrame() const { return m_droppedSinceFrame; }
    // The IDs named by frames that arrived whole but broken (a wrong checksum, as when two servos
    // answer at once), oldest first, at most brokenIdLimit of them; taking them empties the list.
    // A broken reply that comes late still names its servo this way.
    QList<int> takeBrokenFrameIds() { return std::exchange(m_brokenIds, {}); }
    static constexpr qsizetype brokenIdLimit = 64;

    // The length byte of the servo's reply to a read command, or 0 when the command has no reply.
    static int replyLength(int command);

private:
    enum class Candidate { Valid, Incomplete, Invalid };
    Candidate candidateAt(qsizetype start) const;

    QByteArray m_pending;
    Clock::time_point m_lastByteTime{};
    qint64 m_dropped = 0;
    qint64 m_droppedSinceFrame = 0;
    QList<int> m_brokenIds;
};
