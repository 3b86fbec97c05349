// How a fuzz input's stream is cut into reads: chunk sizes and pauses from a small generator seeded by
// the input's first two bytes. Mostly short chunks that cut frames anywhere, sometimes a whole read's
// worth; mostly short pauses, sometimes one that makes a partial frame stale.
#pragma once

#include <QtGlobal>

#include <chrono>
#include <cstdint>

struct ChunkCutter {
    explicit ChunkCutter(const uint8_t* seed) : state(quint32(seed[0]) << 8 | seed[1] | 0x10000u) { }

    qsizetype chunkSize() { return next() % 16 == 0 ? qsizetype(next() % 1025) : qsizetype(next() % 12); }
    std::chrono::milliseconds pause()
    {
        const quint32 r = next() % 32;
        return std::chrono::milliseconds(r == 0 ? 101 + next() % 400 : r % 4);
    }

private:
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }

    quint32 state;
};
