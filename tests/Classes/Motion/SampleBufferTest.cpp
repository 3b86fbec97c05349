// The plots' time series: bounded by its span and its cap however fast samples come, in order, with the
// newest sample kept; the window drawn, for measurements and for held targets.
#include "Classes/Motion/SampleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Stream {
    double rate;          // samples a second; powers of two keep the times exact
    qsizetype expected;   // samples held at the end
};

class SampleBufferBounds : public ::testing::TestWithParam<Stream> { };

TEST_P(SampleBufferBounds, StaysBoundedOverALongStream)
{
    SampleBuffer buffer;
    const Stream stream = GetParam();
    double time = 0;
    for (int i = 0; i < 60 * stream.rate; ++i) {
        time = i / stream.rate;
        buffer.append(time, i);
        ASSERT_LE(buffer.size(), SampleBuffer::defaultCapacity);
    }
    EXPECT_EQ(buffer.size(), stream.expected);
    EXPECT_TRUE(std::is_sorted(buffer.keys().cbegin(), buffer.keys().cend()));
    EXPECT_EQ(buffer.keys().last(), time);
    EXPECT_EQ(buffer.values().last(), 60 * stream.rate - 1);
    EXPECT_GE(buffer.keys().first(), time - SampleBuffer::defaultSpanSeconds);
    // Each key still has its own value: nothing was dropped out of step.
    EXPECT_EQ(buffer.values().first(), buffer.keys().first() * stream.rate);
}

INSTANTIATE_TEST_SUITE_P(Rates, SampleBufferBounds,
    ::testing::Values(Stream { 8, 20 * 8 + 1 },   // the span binds
        Stream { 1024, SampleBuffer::defaultCapacity }));  // the cap binds

TEST(SampleBuffer, DropsASampleOlderThanTheNewest)
{
    SampleBuffer buffer;
    buffer.append(5, 1);
    buffer.append(4, 2);
    buffer.append(5, 3);
    EXPECT_EQ(buffer.keys(), (QVector<double> { 5, 5 }));
    EXPECT_EQ(buffer.values(), (QVector<double> { 1, 3 }));
}

TEST(SampleBuffer, PointsWindowHoldsOnlyTheSamplesInIt)
{
    SampleBuffer buffer;
    for (double t : { 1.0, 2.0, 3.0, 4.0 })
        buffer.append(t, 10 * t);
    const SampleBuffer::Series series = buffer.window(2, 3.5);
    EXPECT_EQ(series.keys, (QVector<double> { 2, 3 }));
    EXPECT_EQ(series.values, (QVector<double> { 20, 30 }));
}

TEST(SampleBuffer, StepsHoldTheirValueIntoTheSpanAndTheWindow)
{
    SampleBuffer targets(SampleBuffer::Shape::Steps);
    targets.append(0, 500);
    targets.append(25, 700);
    // 500 was in force when the span (5..25) began: it is kept there.
    EXPECT_EQ(targets.keys(), (QVector<double> { 5, 25 }));
    EXPECT_EQ(targets.values(), (QVector<double> { 500, 700 }));

    const SampleBuffer::Series series = targets.window(10, 30);
    EXPECT_EQ(series.keys, (QVector<double> { 10, 25, 30 }));
    EXPECT_EQ(series.values, (QVector<double> { 500, 700, 700 }));
    // A target older than the whole window still holds across it.
    EXPECT_EQ(targets.window(40, 60).values, (QVector<double> { 700, 700 }));
}

}  // namespace
