// Track style of the parameter sliders: a 6-unit orange track and a round 22-unit white knob;
// horizontal or vertical.
#pragma once

#include "Classes/View/Slider/SVSliderCell.h"

class SVToolSlider : public SVSliderCell {
public:
    SVToolSlider();

protected:
    bool isHorizontal(const QRectF& track) const override;
    QPointF knobRadii() const override;
};
