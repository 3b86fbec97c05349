// Slider geometry: the value under the pointer, and where the track styles put the track and knob.
#include "Classes/View/Slider/SVSliderGeometry.h"
#include "Classes/View/Slider/SVSpeedSlider.h"
#include "Classes/View/Slider/SVToolSlider.h"

#include <gtest/gtest.h>

namespace G = SVSliderGeometry;

TEST(SVSliderGeometry, HorizontalValueRunsFromMinimumAtLeftToMaximumAtRight)
{
    const QSizeF size(200, 20);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({100, 10}, size, -1000, 1000, false), 0);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({0, 10}, size, 0, 1000, false), 0);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({200, 10}, size, 0, 1000, false), 1000);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({0, 10}, size, -125, 125, false), -125);
    // Ranges that do not start at 0 still end at their maximum on the right edge.
    EXPECT_DOUBLE_EQ(G::valueAtPoint({200, 10}, size, 1, 1000, false), 1000);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({0, 10}, size, 1, 1000, false), 1);
    // Not pinned: the slider pins when it takes the value.
    EXPECT_DOUBLE_EQ(G::valueAtPoint({-20, 10}, size, 0, 1000, false), -100);
}

TEST(SVSliderGeometry, VerticalValueHasTheMaximumAtTheTop)
{
    const QSizeF size(20, 140);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({10, 0}, size, 50, 100, true), 100);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({10, 140}, size, 50, 100, true), 50);
    EXPECT_DOUBLE_EQ(G::valueAtPoint({10, 70}, size, 50, 100, true), 75);
}

TEST(SVSliderGeometry, ToolStyleHorizontalKnobFollowsTheProgressAndCentresOnTheTrack)
{
    const SVToolSlider tool;
    const QSizeF size(300, 20);
    const QRectF given = G::defaultTrackRect(size, false, tool.sliderHeight());
    const QRectF bar = G::barRect(tool.metrics(), given, true);
    EXPECT_EQ(bar, QRectF(0, 7, 300, 6));

    const QRectF progress = G::progressRect(tool.metrics(), bar, 0.5, size, true);
    EXPECT_DOUBLE_EQ(progress.width(), 0.5 * (300 - 22));
    const QRectF knob = G::knobRect(tool.metrics(), bar, progress, QRectF(), true);
    EXPECT_EQ(knob, QRectF(139, 7 + 3 - 11, 22, 22));
}

TEST(SVSliderGeometry, ToolStyleVerticalKnobIsLiftedOneUnitAtTheMinimum)
{
    const SVToolSlider tool;
    const QSizeF size(20, 140);
    const QSizeF knobSize(22, 22);
    const QRectF bar = G::barRect(tool.metrics(), G::defaultTrackRect(size, true, 6), false);
    EXPECT_EQ(bar, QRectF(7, 0, 6, 140));

    const QRectF atMin = G::standardKnobRect(size, knobSize, 0, true);
    EXPECT_DOUBLE_EQ(atMin.top(), 140 - 22);
    const QRectF knobAtMin = G::knobRect(tool.metrics(), bar, G::progressRect(tool.metrics(), bar, 0, size, false), atMin, false);
    EXPECT_EQ(knobAtMin, QRectF(10 - 11, 140 - 22 - 1, 22, 22));

    const QRectF atMax = G::standardKnobRect(size, knobSize, 1, true);
    const QRectF knobAtMax = G::knobRect(tool.metrics(), bar, G::progressRect(tool.metrics(), bar, 1, size, false), atMax, false);
    EXPECT_DOUBLE_EQ(knobAtMax.top(), 0);
}

TEST(SVSliderGeometry, SpeedStyleIsAThinTrackWithANarrowKnob)
{
    const SVSpeedSlider speed;
    EXPECT_DOUBLE_EQ(speed.sliderHeight(), 3);
    EXPECT_DOUBLE_EQ(speed.sliderBarRadius(), 1.5);
    const QSizeF size(220, 40);
    const QRectF bar = G::barRect(speed.metrics(), G::defaultTrackRect(size, false, 3), true);
    const QRectF knob = G::knobRect(speed.metrics(), bar, G::progressRect(speed.metrics(), bar, 1, size, true), QRectF(), true);
    EXPECT_EQ(knob, QRectF(220 - 10, 18.5 + 1.5 - 11, 10, 22));
}
