// Fuzzes the frame reader with arbitrary byte streams cut into arbitrary chunks.
//
// Input: two bytes that choose how the rest is cut into chunks and how much time passes between
// them, then the stream itself. Checked on every input: each frame the reader gives out is whole and
// valid, the reader never keeps more than one partial frame, and, as long as no pause made a partial
// frame stale, the frames do not depend on how the stream was cut.
#include "Api/Bus/SVFrameReader.h"

#include "fuzz/ChunkCutter.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "frame reader fuzz: %s\n", what);
    std::abort();
}

bool isValidFrame(const QByteArray& frame)
{
    if (frame.size() < 6 || frame[0] != char(0x55) || frame[1] != char(0x55))
        return false;
    const int length = quint8(frame[3]);
    if (length < SVFrameReader::minimumLength || length > SVFrameReader::maximumLength || frame.size() != length + 3)
        return false;
    quint8 sum = 0;
    for (qsizetype i = 2; i < frame.size() - 1; ++i)
        sum = quint8(sum + quint8(frame[i]));
    return quint8(frame.back()) == quint8(~sum);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ChunkCutter cutter(data);
    const QByteArray stream(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    SVFrameReader reader;
    SVFrameReader::Clock::time_point now{};
    bool wentStale = false;
    QList<QByteArray> frames;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype length = std::min(cutter.chunkSize(), stream.size() - at);
        const auto pause = cutter.pause();
        wentStale = wentStale || pause > SVFrameReader::staleAfter;
        now += pause;
        for (const QByteArray& frame : reader.append(stream.mid(at, length), now)) {
            if (!isValidFrame(frame))
                fail("a frame given out is not a whole valid frame");
            frames.append(frame);
        }
        if (reader.pendingSize() > SVFrameReader::maximumLength + 2)
            fail("the reader keeps more than one partial frame");
        at += length;
    }

    if (!wentStale) {
        SVFrameReader whole;
        if (whole.append(stream, SVFrameReader::Clock::time_point{}) != frames)
            fail("the frames depend on how the stream was cut");
    }
    return 0;
}
