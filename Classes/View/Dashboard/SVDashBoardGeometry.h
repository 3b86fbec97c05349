// Geometry of the gauges as pure functions: dial constants, needle angles, tick angles, scale-number
// boxes and the thermometer's column. Coordinates are the gauge's own with y up and the origin at the
// bottom-left corner; flipped() turns a box into widget coordinates (y down).
#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>

struct SVDialLabel {
    QString text;
    QRectF box;  // y up
    Qt::Alignment alignment;
    int fontSize;
};

struct SVDialStyle {
    int scaleNumber;          // number of ticks
    float start;              // angle of tick 0, degrees counter-clockwise from +x
    float perTick;            // degrees between ticks
    float tickArc;            // length of one tick's arc, degrees
    int majorEvery;           // every n-th tick is a major one
    bool fullRing;            // full outer circle, or the upper half only
    double ringInset;         // outer ring radius = R0 - ringInset
    double tickInset;         // tick radius = R0 - tickInset
    double hubRingRadius;
    double hubDiscDiameter;
    float degreesPerUnit;     // needle turn per unit of value
    QColor color;
    QList<SVDialLabel> (*labels)(QSizeF size);
};

namespace SVDashBoardGeometry {

inline constexpr double needleLength = 44;
inline constexpr double needleThickness = 1;

const SVDialStyle& voltageStyle();
const SVDialStyle& positionStyle();

double baseRadius(QSizeF size);  // R0 = (W - 2) / 2
QPointF center(QSizeF size);

float tickAngle(const SVDialStyle& style, int i);
float needleAngle(const SVDialStyle& style, double value);  // no clamping: values past the scale turn past its end
QPointF pointOnCircle(QPointF center, double radius, float angleDegrees);  // single-precision sine and cosine

QList<SVDialLabel> voltageLabels(QSizeF size);
QList<SVDialLabel> positionLabels(QSizeF size);

QRectF flipped(const QRectF& box, double height);  // y-up box to y-down widget coordinates

// Thermometer: the column and its neck for the value pro, in y-up coordinates.
inline constexpr double temperatureImageWidth = 139;
inline constexpr double temperatureImageHeight = 621;
struct ThermometerShapes {
    float scale;
    QRectF column;
    double columnRadius;
    QRectF neck;
};
ThermometerShapes thermometerShapes(double viewWidth, double imageWidth, double pro);
// What differs between the thermometer at two values, y up: the band between the two column tops
// with the rounded cap of the lower one; both whole columns and necks when a column is too short
// for its two caps or the neck changes.
QRectF thermometerChange(double viewWidth, double imageWidth, double from, double to);

}  // namespace SVDashBoardGeometry
