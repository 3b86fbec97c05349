#include "Classes/View/Slider/SVToolSlider.h"

SVToolSlider::SVToolSlider()
    : SVSliderCell({.sliderHeight = 6, .sliderBarRadius = 3, .sliderKnobWidth = 22, .sliderKnobHeight = 22},
                   QColor::fromRgbF(1.0f, 165 / 255.0f, 0.0f, 1.0f))
{
}

bool SVToolSlider::isHorizontal(const QRectF& track) const
{
    return track.width() > track.height();
}

QPointF SVToolSlider::knobRadii() const
{
    return {sliderKnobWidth(), sliderKnobHeight()};
}
