#include "Tools/SVRoundedFill.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

QRegion SVRoundedFill::coveredArea(const QRect& rect, qreal radius)
{
    const int corner = int(std::ceil(radius));
    return QRegion(rect.adjusted(corner, 0, -corner, 0)) + QRegion(rect.adjusted(0, corner, 0, -corner));
}

void SVRoundedFill::fill(QPainter& painter, const QRect& rect, qreal radius, const QColor& color, const QRegion& dirty)
{
    if ((dirty - coveredArea(rect, radius)).isEmpty()) {
        for (const QRect& part : dirty)
            painter.fillRect(part, color);
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect), radius, radius);
    painter.fillPath(shape, color);
    painter.restore();
}
