#include "Classes/View/Text/SVBaseTextFieldCell.h"

#include <QFontMetricsF>

#include <cmath>

QRectF SVBaseTextFieldCell::adjustedFrameToVerticallyCenterText(const QRectF& cell, qreal ascender, qreal descender)
{
    const qreal inset = std::floor(cell.height() / 2 - (ascender + descender)) + 2;
    return cell.adjusted(0, inset, 0, -inset);
}

QRectF SVBaseTextFieldCell::adjustedFrameToVerticallyCenterText(const QRectF& cell, const QFontMetricsF& metrics)
{
    // Qt counts the descent as a positive distance below the baseline.
    return adjustedFrameToVerticallyCenterText(cell, metrics.ascent(), -metrics.descent());
}
