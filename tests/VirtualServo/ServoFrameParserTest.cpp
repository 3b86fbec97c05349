#include "Api/SVFrameTools.h"
#include "VirtualServo/ServoFrameParser.h"

#include <gtest/gtest.h>

namespace {

QByteArray frame(const char* hexWithoutChecksum)
{
    return SVFrameTools::frameWithChecksum(QByteArray::fromHex(hexWithoutChecksum));
}

}  // namespace

TEST(ServoFrameParser, FindsFramesWholeSplitAndBackToBack)
{
    ServoFrameParser parser;
    const QByteArray readId = frame("5555fe030e");
    const QByteArray move = frame("55550107 01e803e803");
    EXPECT_EQ(parser.feed(readId + move), (QList<QByteArray>{readId, move}));

    EXPECT_TRUE(parser.feed(move.left(3)).isEmpty());
    EXPECT_TRUE(parser.feed(move.mid(3, 4)).isEmpty());
    EXPECT_EQ(parser.feed(move.mid(7)), QList<QByteArray>{move});
    EXPECT_EQ(parser.pendingSize(), 0);
}

TEST(ServoFrameParser, SkipsGarbageAndBadFramesThenResynchronises)
{
    ServoFrameParser parser;
    const QByteArray readTemp = frame("555501031a");
    QByteArray badChecksum = frame("5555010315");
    badChecksum[5] = static_cast<char>(badChecksum[5] ^ 0x01);
    const QByteArray badLength = QByteArray::fromHex("5555 01 ff 15");  // longer than any frame
    const QByteArray extraHeaderByte = QByteArray::fromHex("55");
    const QByteArray noise = QByteArray::fromHex("00 13 55 ff 42");

    const QList<QByteArray> found =
        parser.feed(noise + badChecksum + readTemp + badLength + extraHeaderByte + readTemp + noise);
    EXPECT_EQ(found, (QList<QByteArray>{readTemp, readTemp}));
    // A length byte below 3 cannot be a frame either.
    EXPECT_TRUE(parser.feed(QByteArray::fromHex("5555010214e8")).isEmpty());
    EXPECT_EQ(parser.feed(readTemp), QList<QByteArray>{readTemp});
}

TEST(ServoFrameParser, FramesSurviveInterleavedPseudoRandomNoise)
{
    ServoFrameParser parser;
    const QByteArray readPosition = frame("555501031c");
    quint32 state = 12345;
    QList<QByteArray> found;
    for (int round = 0; round < 200; ++round) {
        QByteArray noise;
        for (int i = 0; i < 13; ++i) {
            state = state * 1664525u + 1013904223u;
            noise.append(static_cast<char>(state >> 24));
        }
        // Feed in odd-sized pieces, as a serial line hands them over.
        const QByteArray stream = noise + readPosition;
        for (qsizetype at = 0; at < stream.size(); at += 3)
            found += parser.feed(stream.mid(at, 3));
    }
    EXPECT_EQ(found.size(), 200);
    EXPECT_EQ(found.count(readPosition), found.size());
}
