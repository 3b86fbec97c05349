#include "Classes/View/Slider/SVSliderGeometry.h"

namespace SVSliderGeometry {

double valueAtPoint(QPointF point, QSizeF size, double minValue, double maxValue, bool vertical)
{
    const double span = maxValue - minValue;
    if (vertical)
        return size.height() > 0 ? maxValue - point.y() * span / size.height() : maxValue;
    return size.width() > 0 ? minValue + point.x() * span / size.width() : minValue;
}

double ratio(double value, double minValue, double maxValue)
{
    return maxValue > minValue ? (value - minValue) / (maxValue - minValue) : 0;
}

QRectF defaultTrackRect(QSizeF size, bool vertical, double thickness)
{
    if (vertical)
        return {(size.width() - thickness) / 2, 0, thickness, size.height()};
    return {0, (size.height() - thickness) / 2, size.width(), thickness};
}

QRectF standardKnobRect(QSizeF size, QSizeF knob, double ratio, bool vertical)
{
    if (vertical)
        return {(size.width() - knob.width()) / 2, (1 - ratio) * (size.height() - knob.height()),
                knob.width(), knob.height()};
    return {ratio * (size.width() - knob.width()), (size.height() - knob.height()) / 2, knob.width(), knob.height()};
}

QRectF barRect(const SVSliderMetrics& metrics, const QRectF& given, bool horizontal)
{
    QRectF bar = given;
    if (horizontal)
        bar.setHeight(metrics.sliderHeight);
    else
        bar.setWidth(metrics.sliderHeight);
    return bar;
}

QRectF progressRect(const SVSliderMetrics& metrics, const QRectF& bar, double ratio, QSizeF size, bool horizontal)
{
    QRectF progress = bar;
    if (horizontal)
        progress.setWidth(ratio * (size.width() - metrics.sliderKnobWidth));
    else
        progress.setHeight(ratio * (size.height() - metrics.sliderKnobHeight));
    return progress;
}

QRectF knobRect(const SVSliderMetrics& metrics, const QRectF& bar, const QRectF& progress,
                const QRectF& standardKnob, bool horizontal)
{
    const double w = metrics.sliderKnobWidth;
    const double h = metrics.sliderKnobHeight;
    if (horizontal)
        return {progress.width(), bar.top() + bar.height() / 2 - h / 2, w, h};
    const double lift = progress.height() == 0 ? 1 : 0;
    return {bar.center().x() - h / 2, standardKnob.top() - lift, w, h};
}

}  // namespace SVSliderGeometry
