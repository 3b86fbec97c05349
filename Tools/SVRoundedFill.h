// Fills a widget's rounded background for one paint event. Where the area to repaint keeps clear of
// the four corners, plain rectangles give the same pixels as the anti-aliased rounded shape at a
// fraction of the cost: a value changing inside a panel then costs its panel almost nothing.
#pragma once

#include <QColor>
#include <QRect>
#include <QRegion>

class QPainter;

namespace SVRoundedFill {

// The part of rect that a rounded rectangle with this radius covers completely: rect without its
// four corner squares.
QRegion coveredArea(const QRect& rect, qreal radius);

// Fills the rounded rectangle rect, painting only what dirty (the paint event's region) needs.
void fill(QPainter& painter, const QRect& rect, qreal radius, const QColor& color, const QRegion& dirty);

}  // namespace SVRoundedFill
