#include "Classes/View/Slider/SVSpeedSlider.h"

SVSpeedSlider::SVSpeedSlider()
    : SVSliderCell({.sliderHeight = 3, .sliderBarRadius = 1.5, .sliderKnobWidth = 10, .sliderKnobHeight = 22},
                   QColor::fromRgbF(254 / 255.0f, 210 / 255.0f, 46 / 255.0f, 1.0f))
{
}

bool SVSpeedSlider::isHorizontal(const QRectF&) const
{
    return true;
}

QPointF SVSpeedSlider::knobRadii() const
{
    return {sliderKnobWidth(), sliderKnobWidth() / 2};
}
