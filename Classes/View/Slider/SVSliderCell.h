// A slider's track style: draws the track, the part up to the knob, and the knob. The two styles of
// the window, SVToolSlider and SVSpeedSlider, differ in sizes, colours, knob shape and orientation.
#pragma once

#include "Classes/View/Slider/SVSliderGeometry.h"

#include <QColor>
#include <QPointF>

class QPainter;
class SVSlider;

class SVSliderCell {
public:
    virtual ~SVSliderCell() = default;

    double sliderHeight() const { return m_metrics.sliderHeight; }
    void setSliderHeight(double v) { m_metrics.sliderHeight = v; }
    double sliderBarRadius() const { return m_metrics.sliderBarRadius; }
    void setSliderBarRadius(double v) { m_metrics.sliderBarRadius = v; }
    double sliderKnobWidth() const { return m_metrics.sliderKnobWidth; }
    void setSliderKnobWidth(double v) { m_metrics.sliderKnobWidth = v; }
    double sliderKnobHeight() const { return m_metrics.sliderKnobHeight; }
    void setSliderKnobHeight(double v) { m_metrics.sliderKnobHeight = v; }
    const SVSliderMetrics& metrics() const { return m_metrics; }

    QColor trackColor() const { return m_trackColor; }
    QColor knobColor() const { return Qt::white; }

    // Called by the slider that installs the style.
    void setControlView(const SVSlider* slider) { m_slider = slider; }

    // Fills the track and the progress part, and keeps them for placing the knob.
    void drawBarInside(QPainter& painter, const QRectF& rect, bool flipped);
    // Fills the knob at its place for the slider's value; `rect` is the standard knob place.
    void drawKnob(QPainter& painter, const QRectF& rect);

    // The knob place for the given track band and standard knob place (what drawKnob fills).
    QRectF knobRectFor(const QRectF& track, const QRectF& standardKnob) const;

protected:
    SVSliderCell(SVSliderMetrics metrics, QColor trackColor);

    // Whether a track band is drawn lying down.
    virtual bool isHorizontal(const QRectF& track) const = 0;
    // Corner radii of the knob, across and along; clamped to half the knob's sides when drawn.
    virtual QPointF knobRadii() const = 0;

private:
    double valueRatio() const;
    QSizeF sliderSize() const;

    SVSliderMetrics m_metrics;
    QColor m_trackColor;
    const SVSlider* m_slider = nullptr;
    QRectF m_bar;
    QRectF m_progress;
    bool m_horizontal = true;
};
