#include "Classes/View/Dashboard/SVDashBoardNeedle.h"

#include "Classes/View/Dashboard/SVDashBoardGeometry.h"

#include <QPainter>
#include <QTransform>

SVDashBoardNeedle::SVDashBoardNeedle(QColor color, double hubDiameter, QWidget* dial)
    : QWidget(dial)
    , m_color(color)
    , m_hubDiameter(hubDiameter)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SVDashBoardNeedle::setAngle(float degrees)
{
    if (degrees == m_angle)
        return;
    const QRect before = areaAt(m_angle);
    m_angle = degrees;
    update(before.united(areaAt(m_angle)));
}

QRect SVDashBoardNeedle::areaAt(float degrees) const
{
    const QPointF c = SVDashBoardGeometry::center(size());
    const double t = SVDashBoardGeometry::needleThickness;
    QTransform turn;
    turn.translate(c.x(), c.y());
    turn.rotate(-degrees);
    const QRectF needle = turn.mapRect(QRectF(0, -t / 2, SVDashBoardGeometry::needleLength, t));
    const QRectF hub(c.x() - m_hubDiameter / 2, c.y() - m_hubDiameter / 2, m_hubDiameter, m_hubDiameter);
    return needle.united(hub).toAlignedRect().adjusted(-2, -2, 2, 2);  // anti-aliased edges
}

void SVDashBoardNeedle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color);
    const QPointF c = SVDashBoardGeometry::center(size());
    painter.drawEllipse(c, m_hubDiameter / 2, m_hubDiameter / 2);

    // Angles count counter-clockwise with y up; the widget's y points down, so the turn is mirrored.
    painter.translate(c);
    painter.rotate(-m_angle);
    const double t = SVDashBoardGeometry::needleThickness;
    painter.drawRect(QRectF(0, -t / 2, SVDashBoardGeometry::needleLength, t));
}
