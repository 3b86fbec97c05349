// Segment layout of the segmented control as pure functions: where each segment starts and how wide
// it is, from the widths of its texts.
#pragma once

#include <QList>

struct SVSegmentSpan {
    double left;
    double width;
    double right() const { return left + width; }
};

namespace SVSegmentGeometry {

// Segment i spans its text width plus maginLeftTwo on each side, starting where the previous one
// ends (the first at maginLeftOne). With exactly two segments the second is one unit wider.
QList<SVSegmentSpan> segmentSpans(const QList<double>& textWidths, double maginLeftOne, double maginLeftTwo);

// The width the control gives itself: texts plus their margins, without maginLeftOne and without the
// one-unit widening.
double controlWidth(const QList<double>& textWidths, double maginLeftTwo);

}  // namespace SVSegmentGeometry
