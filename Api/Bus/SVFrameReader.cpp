#include "Api/Bus/SVFrameReader.h"

#include "Api/SVFrameTools.h"
#include "Api/Bus/Protocol.h"

using namespace SVProtocol;

int SVFrameReader::replyLength(int command)
{
    return command >= 0 && command <= 0xFF ? replyLengthByte(uint8_t(command)) : 0;
}

SVFrameReader::Candidate SVFrameReader::candidateAt(qsizetype start) const
{
    const char* frame = m_pending.constData() + start;
    const qsizetype size = m_pending.size() - start;
    if (size >= 1 && quint8(frame[0]) != headerByte)
        return Candidate::Invalid;
    if (size >= 2 && quint8(frame[1]) != headerByte)
        return Candidate::Invalid;
    if (size < 4)
        return Candidate::Incomplete;
    const int length = quint8(frame[3]);
    if (length < minimumLength || length > maximumLength)
        return Candidate::Invalid;
    const qsizetype frameSize = length + 3;
    if (size < frameSize)
        return Candidate::Incomplete;
    const uint8_t expected = SVFrameTools::checksum(reinterpret_cast<const uint8_t*>(frame), int(frameSize - 1));
    return quint8(frame[frameSize - 1]) == expected ? Candidate::Valid : Candidate::Invalid;
}

QList<QByteArray> SVFrameReader::append(const QByteArray& chunk, Clock::time_point now)
{
    if (!m_pending.isEmpty() && now - m_lastByteTime > staleAfter) {
        m_dropped += m_pending.size();
        m_droppedSinceFrame += m_pending.size();
        m_pending.clear();
    }
    if (chunk.isEmpty())
        return {};
    m_pending.append(chunk);
    m_lastByteTime = now;

    QList<QByteArray> frames;
    qsizetype start = 0;
    while (start < m_pending.size()) {
        const Candidate candidate = candidateAt(start);
        if (candidate == Candidate::Incomplete)
            break;
        if (candidate == Candidate::Invalid) {
            // A whole header and length with a wrong checksum: a broken frame, and its ID is known.
            const qsizetype left = m_pending.size() - start;
            const int length = left >= 4 ? quint8(m_pending.at(start + 3)) : 0;
            const bool whole = quint8(m_pending.at(start)) == headerByte && left >= 2 && quint8(m_pending.at(start + 1)) == headerByte
                && length >= minimumLength && length <= maximumLength && left >= length + 3;
            if (whole && m_brokenIds.size() < brokenIdLimit)
                m_brokenIds.append(quint8(m_pending.at(start + 2)));
            ++start;
            ++m_dropped;
            ++m_droppedSinceFrame;
            continue;
        }
        const qsizetype frameSize = quint8(m_pending.at(start + 3)) + 3;
        frames.append(m_pending.mid(start, frameSize));
        start += frameSize;
        m_droppedSinceFrame = 0;
    }
    m_pending.remove(0, start);
    return frames;
}

void SVFrameReader::clear()
{
    m_pending.clear();
}
