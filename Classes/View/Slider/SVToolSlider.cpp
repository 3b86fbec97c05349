#include "Classes/View/Slider/SVToolSlider.h"

#include "Tools/SVButton.h"


SVToolSlider::SVToolSlider()
    : SVSliderCell({.sliderHeight = 6, .sliderBarRadius = 3, .sliderKnobWidth = 22, .sliderKnobHeight = 22},
                   SVButton::buttonOrange())
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
