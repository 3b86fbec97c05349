// Geometry of the value sliders as pure functions, in the slider's own coordinates: origin at its
// top-left corner, y down.
#pragma once

#include <QRectF>

struct SVSliderMetrics {
    double sliderHeight;     // thickness of the track
    double sliderBarRadius;  // corner radius of the track
    double sliderKnobWidth;
    double sliderKnobHeight;
};

namespace SVSliderGeometry {

// The value under a pointer position: the left edge is the minimum and the right edge the maximum
// (vertical: the top edge is the maximum). Not pinned to the range.
double valueAtPoint(QPointF point, QSizeF size, double minValue, double maxValue, bool vertical);

// Where the value sits in the range, 0 at the minimum and 1 at the maximum.
double ratio(double value, double minValue, double maxValue);

// The track band the slider hands to its track style: full length, centred across the slider.
QRectF defaultTrackRect(QSizeF size, bool vertical, double thickness);

// The knob place for a value when the track style does not choose it: linear along the slider,
// centred across it; for vertical sliders the maximum is at the top.
QRectF standardKnobRect(QSizeF size, QSizeF knob, double ratio, bool vertical);

// The drawn track: the given band with its thickness replaced by the style's.
QRectF barRect(const SVSliderMetrics& metrics, const QRectF& given, bool horizontal);

// The part of the track from its start up to the knob.
QRectF progressRect(const SVSliderMetrics& metrics, const QRectF& bar, double ratio, QSizeF size, bool horizontal);

// The knob: horizontal, from the end of the progress part and centred on the track; vertical, centred
// across the track at the standard place, one unit higher when the progress part is empty.
QRectF knobRect(const SVSliderMetrics& metrics, const QRectF& bar, const QRectF& progress,
                const QRectF& standardKnob, bool horizontal);

}  // namespace SVSliderGeometry
