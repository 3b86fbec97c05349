// The text cell of the read-only value fields: it centres its text vertically.
#pragma once

#include <QRectF>

class QFontMetricsF;

class SVBaseTextFieldCell {
public:
    // The rectangle the text is drawn in: the cell rectangle shrunk by d + 2 at the top and at the
    // bottom, d = floor(height / 2 - (ascender + descender)), with the descender negative (below the
    // baseline), as font designers count it.
    static QRectF adjustedFrameToVerticallyCenterText(const QRectF& cell, qreal ascender, qreal descender);
    static QRectF adjustedFrameToVerticallyCenterText(const QRectF& cell, const QFontMetricsF& metrics);
};
