#include "Api/SVFrameReader.h"

namespace {

constexpr char header = char(0x55);

quint8 checksumOf(const char* frame, qsizetype frameSize)
{
    quint8 sum = 0;
    for (qsizetype i = 2; i < frameSize - 1; ++i)
        sum = quint8(sum + quint8(frame[i]));
    return quint8(~sum);
}

}  // namespace

int SVFrameReader::replyLength(int command)
{
    switch (command) {
    case 14: case 19: case 25: case 26: case 32: case 34: case 36:
        return 4;
    case 27: case 28:
        return 5;
    case 21: case 23:
        return 7;
    default:
        return 0;
    }
}

SVFrameReader::Candidate SVFrameReader::candidateAt(qsizetype start) const
{
    const char* frame = m_pending.constData() + start;
    const qsizetype size = m_pending.size() - start;
    if (size >= 1 && frame[0] != header)
        return Candidate::Invalid;
    if (size >= 2 && frame[1] != header)
        return Candidate::Invalid;
    if (size < 4)
        return Candidate::Incomplete;
    const int length = quint8(frame[3]);
    if (length < minimumLength || length > maximumLength)
        return Candidate::Invalid;
    const qsizetype frameSize = length + 3;
    if (size < frameSize)
        return Candidate::Incomplete;
    return quint8(frame[frameSize - 1]) == checksumOf(frame, frameSize) ? Candidate::Valid : Candidate::Invalid;
}

QList<QByteArray> SVFrameReader::append(const QByteArray& chunk, Clock::time_point now)
{
    if (!m_pending.isEmpty() && now - m_lastByteTime > staleAfter)
        m_pending.clear();
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
            ++start;
            continue;
        }
        const qsizetype frameSize = quint8(m_pending.at(start + 3)) + 3;
        frames.append(m_pending.mid(start, frameSize));
        start += frameSize;
    }
    m_pending.remove(0, start);
    return frames;
}

void SVFrameReader::clear()
{
    m_pending.clear();
}
