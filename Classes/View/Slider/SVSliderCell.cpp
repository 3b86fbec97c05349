#include "Classes/View/Slider/SVSliderCell.h"

#include "Classes/View/Slider/SVSlider.h"

#include <QPainter>
#include <QPainterPath>

namespace G = SVSliderGeometry;

SVSliderCell::SVSliderCell(SVSliderMetrics metrics, QColor trackColor)
    : m_metrics(metrics)
    , m_trackColor(trackColor)
{
}

double SVSliderCell::valueRatio() const
{
    return m_slider ? G::ratio(m_slider->value(), m_slider->minValue(), m_slider->maxValue()) : 0;
}

QSizeF SVSliderCell::sliderSize() const
{
    return m_slider ? QSizeF(m_slider->size()) : QSizeF();
}

void SVSliderCell::drawBarInside(QPainter& painter, const QRectF& rect, bool /*flipped*/)
{
    m_horizontal = isHorizontal(rect);
    m_bar = G::barRect(m_metrics, rect, m_horizontal);
    m_progress = G::progressRect(m_metrics, m_bar, valueRatio(), sliderSize(), m_horizontal);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_trackColor);
    painter.drawRoundedRect(m_bar, m_metrics.sliderBarRadius, m_metrics.sliderBarRadius);
    painter.drawRect(m_progress);
}

void SVSliderCell::drawKnob(QPainter& painter, const QRectF& rect)
{
    const QRectF knob = G::knobRect(m_metrics, m_bar, m_progress, rect, m_horizontal);
    const QPointF radii = knobRadii();
    painter.setPen(Qt::NoPen);
    painter.setBrush(knobColor());
    painter.drawRoundedRect(knob, qMin(radii.x(), knob.width() / 2), qMin(radii.y(), knob.height() / 2));
}

QRectF SVSliderCell::knobRectFor(const QRectF& track, const QRectF& standardKnob) const
{
    const bool horizontal = isHorizontal(track);
    const QRectF bar = G::barRect(m_metrics, track, horizontal);
    const QRectF progress = G::progressRect(m_metrics, bar, valueRatio(), sliderSize(), horizontal);
    return G::knobRect(m_metrics, bar, progress, standardKnob, horizontal);
}
