#include "Classes/View/Segmented/SVSegmentGeometry.h"

namespace SVSegmentGeometry {

QList<SVSegmentSpan> segmentSpans(const QList<double>& textWidths, double maginLeftOne, double maginLeftTwo)
{
    QList<SVSegmentSpan> spans;
    double left = maginLeftOne;
    for (qsizetype i = 0; i < textWidths.size(); ++i) {
        double width = textWidths[i] + 2 * maginLeftTwo;
        if (textWidths.size() == 2 && i > 0)
            width += 1;
        spans.append({left, width});
        left += width;
    }
    return spans;
}

double controlWidth(const QList<double>& textWidths, double maginLeftTwo)
{
    double total = 0;
    for (double w : textWidths)
        total += w + 2 * maginLeftTwo;
    return total;
}

}  // namespace SVSegmentGeometry
