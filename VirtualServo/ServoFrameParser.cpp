#include "VirtualServo/ServoFrameParser.h"

#include "Api/SVFrameTools.h"

#include <cstdint>

QList<QByteArray> ServoFrameParser::feed(const QByteArray& bytes)
{
    m_buffer.append(bytes);
    QList<QByteArray> frames;
    qsizetype start = 0;
    auto byteAt = [this](qsizetype i) { return static_cast<uint8_t>(m_buffer.at(i)); };
    while (m_buffer.size() - start >= 2) {
        if (byteAt(start) != 0x55 || byteAt(start + 1) != 0x55) {
            ++start;
            continue;
        }
        if (m_buffer.size() - start < 4)
            break;
        const int lengthByte = byteAt(start + 3);
        if (lengthByte < minimumLengthByte || lengthByte > maximumLengthByte) {
            ++start;
            continue;
        }
        const qsizetype frameSize = lengthByte + 3;
        if (m_buffer.size() - start < frameSize)
            break;
        const auto* frame = reinterpret_cast<const uint8_t*>(m_buffer.constData() + start);
        if (SVFrameTools::checksum(frame, static_cast<int>(frameSize) - 1) != frame[frameSize - 1]) {
            ++start;
            continue;
        }
        frames.append(m_buffer.mid(start, frameSize));
        start += frameSize;
    }
    // A lone trailing byte is kept only if it may begin a header.
    if (m_buffer.size() - start == 1 && byteAt(start) != 0x55)
        ++start;
    m_buffer.remove(0, start);
    return frames;
}
