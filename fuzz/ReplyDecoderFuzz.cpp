// Fuzzes the reply decoder: arbitrary byte streams, cut into arbitrary chunks, go through the frame
// reader and every frame through the decoder, as the window and the command-line tool take them;
// every chunk also goes to the decoder as a frame of its own and, for every command, to the value
// reading at fixed offsets, in an array of exactly its size, so that reading past its end is caught.
//
// Checked on every input: a decoded reply came from a well-formed frame with parameters, its value
// is of its command's kind and lies within what the wire form can carry.
//
// Input: two bytes that choose how the rest is cut into chunks, then the stream itself.
#include "Api/Bus/SVFrameReader.h"
#include "Api/Bus/SVReplyDecoder.h"

#include "fuzz/ChunkCutter.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "reply decoder fuzz: %s\n", what);
    std::abort();
}

bool isWord(int value) { return value >= 0 && value <= 65535; }
bool isSignedWord(int value) { return value >= -32768 && value <= 32767; }
bool isByte(int value) { return value >= 0 && value <= 255; }

bool valueInRange(const SVReplyValue::Value& value)
{
    using namespace SVReplyValue;
    if (const auto* v = std::get_if<Id>(&value)) return isByte(v->id);
    if (const auto* v = std::get_if<Deviation>(&value)) return v->deviation >= -130 && v->deviation <= 125;
    if (const auto* v = std::get_if<AngleLimits>(&value)) return isWord(v->minimum) && isWord(v->maximum);
    if (const auto* v = std::get_if<VoltageLimits>(&value)) return isWord(v->minimumMillivolts) && isWord(v->maximumMillivolts);
    if (const auto* v = std::get_if<MaxTemperature>(&value)) return isByte(v->celsius);
    if (const auto* v = std::get_if<Temperature>(&value)) return isByte(v->celsius);
    if (const auto* v = std::get_if<Voltage>(&value)) return isWord(v->millivolts);
    if (const auto* v = std::get_if<Position>(&value)) return isSignedWord(v->position);
    if (const auto* v = std::get_if<LedAlarm>(&value)) return isByte(v->byte);
    return true;
}

void checkFrame(const QByteArray& frame)
{
    const std::optional<SVReply> reply = SVReplyDecoder::decode(frame);
    if (!reply)
        return;
    if (!SVReplyDecoder::isWellFormed(frame) || quint8(frame.at(3)) == 3)
        fail("a frame that is not a reply was decoded");
    if (frame.size() - 1 <= SVReplyDecoder::lastOffsetRead(reply->command))
        fail("a value was read from the checksum or beyond");
    if (!valueInRange(reply->value))
        fail("a value outside what its wire form carries");
    if (SVReplyDecoder::valueOf(reply->command, frame)->index() != reply->value.index())
        fail("a reply's value is not of its command's kind");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ChunkCutter cutter(data);
    const QByteArray stream(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    SVFrameReader reader;
    SVFrameReader::Clock::time_point now{};
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype length = std::min(cutter.chunkSize(), stream.size() - at);
        now += cutter.pause();
        // A deep copy: the decoder sees exactly length bytes.
        const QByteArray chunk(stream.constData() + at, length);
        for (const QByteArray& frame : reader.append(chunk, now))
            checkFrame(frame);
        checkFrame(chunk);
        for (int command = 0; command < 40; ++command)
            if (const auto value = SVReplyDecoder::valueOf(command, chunk); value && !valueInRange(*value))
                fail("a value outside what its wire form carries");
        at += length;
    }
    return 0;
}
