// Cuts a byte stream into servo command frames: header 0x55 0x55, ID, length, command, parameters,
// checksum. Bytes that cannot start a valid frame (noise, a frame with a bad length or checksum)
// are skipped one at a time, so the parser finds the next frame after any garbage.
#pragma once

#include <QByteArray>
#include <QList>

class ServoFrameParser {
public:
    // The longest frame of the protocol has four parameter bytes: length 7, ten bytes in all.
    // A longer length byte cannot be a frame and is treated as garbage, so that noise never
    // holds back the frames behind it.
    static constexpr int maximumLengthByte = 7;
    static constexpr int minimumLengthByte = 3;

    // Appends bytes and returns every whole, valid frame now complete, in order.
    QList<QByteArray> feed(const QByteArray& bytes);
    // Bytes kept for a frame not yet complete.
    qsizetype pendingSize() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
};
