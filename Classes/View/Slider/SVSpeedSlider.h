// Track style of the debugging sliders: a thin yellow track and a 10 x 22 white capsule knob;
// always drawn lying down.
#pragma once

#include "Classes/View/Slider/SVSliderCell.h"

class SVSpeedSlider : public SVSliderCell {
public:
    SVSpeedSlider();

protected:
    bool isHorizontal(const QRectF& track) const override;
    QPointF knobRadii() const override;
};
