#include "Classes/View/Dashboard/SVDashBoardGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace SVDashBoardGeometry {

const SVDialStyle& voltageStyle()
{
    static const SVDialStyle style{
        .scaleNumber = 31,
        .start = 180,
        .perTick = 180.0f / 30,
        .tickArc = 180.0f / 30 / 5,
        .majorEvery = 6,
        .fullRing = false,
        .ringInset = 20 - 5,
        .tickInset = 20 + 4 + 12,
        .hubRingRadius = 10,
        .hubDiscDiameter = 16,
        .degreesPerUnit = 12,
        .color = QColor::fromRgbF(243 / 255.0f, 152 / 255.0f, 0, 1),
        .labels = &voltageLabels,
    };
    return style;
}

const SVDialStyle& positionStyle()
{
    static const SVDialStyle style{
        .scaleNumber = 101,
        .start = 180 + 45,
        .perTick = 270.0f / 100,
        .tickArc = 270.0f / 100 / 2,
        .majorEvery = 10,
        .fullRing = true,
        .ringInset = 20,
        .tickInset = 20 + 5 + 12,
        .hubRingRadius = 12,
        .hubDiscDiameter = 20,
        .degreesPerUnit = 2.7f,
        .color = QColor::fromRgbF(244 / 255.0f, 203 / 255.0f, 54 / 255.0f, 1),
        .labels = &positionLabels,
    };
    return style;
}

double baseRadius(QSizeF size)
{
    return (size.width() - 2) / 2;
}

QPointF center(QSizeF size)
{
    return {size.width() / 2, size.height() / 2};
}

float tickAngle(const SVDialStyle& style, int i)
{
    return style.start - float(i) * style.perTick;
}

float needleAngle(const SVDialStyle& style, double value)
{
    return style.start - style.degreesPerUnit * float(value);
}

QPointF pointOnCircle(QPointF c, double radius, float angleDegrees)
{
    const float radians = angleDegrees * std::numbers::pi_v<float> / 180.0f;
    return {c.x() + radius * std::cos(radians), c.y() + radius * std::sin(radians)};
}

QList<SVDialLabel> voltageLabels(QSizeF size)
{
    const SVDialStyle& style = voltageStyle();
    const double r = baseRadius(size) - 20 - 4 - 24;
    QList<SVDialLabel> labels;
    for (int i = 0; i < style.scaleNumber; i += style.majorEvery) {
        const QPointF p = pointOnCircle(center(size), r, tickAngle(style, i));
        const Qt::Alignment horizontal = i / 6 > 3 ? Qt::AlignLeft : Qt::AlignHCenter;
        labels.append({QString::asprintf("%d", i / 2), QRectF(p.x() - 10, p.y() - 8, 22, 14),
                       horizontal | Qt::AlignTop, 9});
    }
    return labels;
}

QList<SVDialLabel> positionLabels(QSizeF size)
{
    const SVDialStyle& style = positionStyle();
    const double r = baseRadius(size) - 20 - 5 - 24;
    auto at = [&](int i) { return pointOnCircle(center(size), r, tickAngle(style, i)); };
    const QPointF p0 = at(0), p50 = at(50), p100 = at(100);
    return {
        {QStringLiteral("0"), QRectF(p0.x() - 2, p0.y() - 10, 32, 12), Qt::AlignLeft | Qt::AlignTop, 10},
        {QStringLiteral("500"), QRectF(p50.x() - 15, p50.y() - 10, 32, 12), Qt::AlignHCenter | Qt::AlignTop, 10},
        {QStringLiteral("1000"), QRectF(p100.x() - 20, p100.y() - 5, 32, 12), Qt::AlignLeft | Qt::AlignTop, 10},
    };
}

QRectF flipped(const QRectF& box, double height)
{
    return {box.x(), height - box.y() - box.height(), box.width(), box.height()};
}

ThermometerShapes thermometerShapes(double viewWidth, double imageWidth, double pro)
{
    // 507 image units of column for 140 units of value.
    constexpr float unitsPerPro = 3.6214285714285714f;
    const float s = float(viewWidth) / float(imageWidth);
    ThermometerShapes shapes;
    shapes.scale = s;
    shapes.column = QRectF(40 * s, 92 * s, 10 * s, unitsPerPro * s * float(pro));
    shapes.columnRadius = 5 * s;
    shapes.neck = QRectF(40 * s, 78 * s, 10 * s, pro <= 4 ? 6 : 16 * s);
    return shapes;
}

QRectF thermometerChange(double viewWidth, double imageWidth, double from, double to)
{
    const ThermometerShapes a = thermometerShapes(viewWidth, imageWidth, from);
    const ThermometerShapes b = thermometerShapes(viewWidth, imageWidth, to);
    const double shorter = std::min(a.column.height(), b.column.height());
    if (shorter < 2 * a.columnRadius || a.neck != b.neck)
        return a.column.united(a.neck).united(b.column).united(b.neck);
    const double capStart = a.column.y() + shorter - a.columnRadius;
    const double top = a.column.y() + std::max(a.column.height(), b.column.height());
    return {a.column.x(), capStart, a.column.width(), top - capStart};
}

}  // namespace SVDashBoardGeometry
