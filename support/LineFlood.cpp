#include "support/LineFlood.h"

#include <cerrno>

#include <poll.h>
#include <unistd.h>

namespace {

quint32 nextRandom(quint32& state)
{
    return LineFlood::nextRandom(state);
}

quint8 checksumOf(const QByteArray& frameWithoutChecksum)
{
    quint8 sum = 0;
    for (qsizetype i = 2; i < frameWithoutChecksum.size(); ++i)
        sum = quint8(sum + quint8(frameWithoutChecksum[i]));
    return quint8(~sum);
}

// One noise byte: often the header byte, otherwise anything.
char noiseByte(quint32& state)
{
    const quint32 r = nextRandom(state);
    return (r % 100) < 15 ? char(0x55) : char(r >> 8);
}

// Noise of `length` bytes, sometimes with a false header (55 55 and a plausible length) inside.
QByteArray noise(quint32& state, int length)
{
    QByteArray bytes;
    while (bytes.size() < length) {
        if (nextRandom(state) % 8 == 0) {
            bytes += char(0x55);
            bytes += char(0x55);
            bytes += char(3 + nextRandom(state) % 5);
        } else {
            bytes += noiseByte(state);
        }
    }
    bytes.truncate(length);
    return bytes;
}

} // namespace

quint32 LineFlood::nextRandom(quint32& state)
{
    // xorshift32: small, fast and the same on every machine.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

QByteArray LineFlood::reply(int servoId, int command, const QByteArray& parameters)
{
    QByteArray frame;
    frame += char(0x55);
    frame += char(0x55);
    frame += char(servoId);
    frame += char(parameters.size() + 3);
    frame += char(command);
    frame += parameters;
    frame += char(checksumOf(frame));
    return frame;
}

bool LineFlood::validFrameAt(const QByteArray& bytes, qsizetype at)
{
    if (at + 4 > bytes.size() || bytes[at] != char(0x55) || bytes[at + 1] != char(0x55))
        return false;
    const int length = quint8(bytes[at + 3]);
    if (length < 3 || length > 7 || at + length + 3 > bytes.size())
        return false;
    const QByteArray frame = bytes.mid(at, length + 3);
    return quint8(frame.back()) == checksumOf(frame.chopped(1));
}

QByteArray LineFlood::randomReply(quint32& state)
{
    // Each read command with the length byte of its reply.
    static const int commands[][2] = {{14, 4}, {19, 4}, {21, 7}, {23, 7}, {25, 4}, {26, 4},
                                      {27, 5}, {28, 5}, {32, 4}, {34, 4}, {36, 4}};
    const auto& [command, length] = commands[nextRandom(state) % std::size(commands)];
    const int servoId = int(nextRandom(state) % 254);
    QByteArray parameters;
    for (int i = 0; i < length - 3; ++i)
        parameters += char(nextRandom(state));
    return reply(servoId, command, parameters);
}

QByteArray LineFlood::makeStream(quint32 seed, qsizetype size, QList<QByteArray>* replies, const ReplyMaker& makeReply)
{
    quint32 state = seed ? seed : 1;
    QByteArray stream;
    qsizetype previousGapStart = 0;
    qsizetype previousGapEnd = 0;
    while (stream.size() < size) {
        const QByteArray reply = makeReply ? makeReply(state) : randomReply(state);
        // Draw noise until no valid frame starts in it or in the noise before the last reply: a
        // frame that starts in noise may run on over a reply, so both gaps are checked with the
        // replies after them.
        QByteArray gap;
        for (;;) {
            gap = noise(state, int(nextRandom(state) % 80));
            const QByteArray window = stream.mid(previousGapStart) + gap + reply;
            const qsizetype gapStart = stream.size() - previousGapStart;
            auto noiseHidesAFrame = [&](qsizetype from, qsizetype to) {
                for (qsizetype at = from; at < to; ++at) {
                    if (validFrameAt(window, at))
                        return true;
                }
                return false;
            };
            if (!noiseHidesAFrame(0, previousGapEnd - previousGapStart)
                && !noiseHidesAFrame(gapStart, gapStart + gap.size()))
                break;
        }
        previousGapStart = stream.size();
        previousGapEnd = previousGapStart + gap.size();
        stream += gap;
        stream += reply;
        if (replies)
            replies->append(reply);
    }
    return stream;
}

LineFlood::~LineFlood()
{
    stop();
}

void LineFlood::start(int descriptor, QByteArray stream, int bytesPerSecond)
{
    start([this, descriptor](const QByteArray& bytes) { return writeAll(descriptor, bytes, m_stop); }, std::move(stream),
          bytesPerSecond);
}

void LineFlood::start(Writer writer, QByteArray stream, int bytesPerSecond)
{
    stop();
    m_stop = false;
    m_done = false;
    m_failed = false;
    m_written = 0;
    m_thread = std::thread([this, writer = std::move(writer), stream = std::move(stream), bytesPerSecond] {
        run(writer, stream, bytesPerSecond);
    });
}

bool LineFlood::writeAll(int descriptor, const QByteArray& bytes, const std::atomic<bool>& stop)
{
    qsizetype sent = 0;
    while (sent < bytes.size() && !stop) {
        const ssize_t n = ::write(descriptor, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd writable{descriptor, POLLOUT, 0};
            poll(&writable, 1, 10);
        }
    }
    return true;
}

bool LineFlood::waitUntilWritten(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!m_done && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return m_done && !m_failed;
}

void LineFlood::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

// Where a slice may end: never inside a valid frame, since a serial line does not pause in the middle
// of one, however late this thread is scheduled.
static qsizetype wholeFramesUpTo(const QByteArray& stream, qsizetype end)
{
    for (qsizetype start = std::max<qsizetype>(0, end - 9); start < end; ++start) {
        if (LineFlood::validFrameAt(stream, start))
            return std::max(end, start + quint8(stream[start + 3]) + 3);
    }
    return end;
}

// Slice k is due k x 10 ms after the start and carries the bytes the line would have sent by then,
// so a late slice is caught up by the next one and the average rate stays exact.
void LineFlood::run(const Writer& writer, const QByteArray& stream, int bytesPerSecond)
{
    using namespace std::chrono;
    const auto begin = steady_clock::now();
    qsizetype sent = 0;
    for (int slice = 1; sent < stream.size() && !m_stop; ++slice) {
        std::this_thread::sleep_until(begin + milliseconds(10 * slice));
        const qsizetype due = wholeFramesUpTo(stream, std::min<qsizetype>(stream.size(), qsizetype(bytesPerSecond) * slice / 100));
        if (due <= sent)
            continue;
        if (!writer(stream.mid(sent, due - sent))) {
            m_failed = true;
            break;
        }
        sent = due;
        m_written = sent;
    }
    m_done = true;
}
