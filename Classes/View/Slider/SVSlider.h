// A value slider. A press steps the value once towards the pressed point and, while held, keeps
// stepping from 0.5 s on every 0.1 s; a drag sets the value from the pointer. Every step tick and
// every drag event is reported through actionSent(this); the release reports nothing. With focus,
// the arrow keys move it by one step, Page Up/Down by ten, Home/End to the ends, each key reporting once.
#pragma once

#include "Classes/View/Slider/SVPressRepeater.h"
#include "Classes/View/Slider/SVSliderCell.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class SVSlider : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)
public:
    static constexpr int repeatDelayMs = 500;
    static constexpr int pageSteps = 10;  // steps of one Page Up / Page Down

    explicit SVSlider(QWidget* parent = nullptr);
    ~SVSlider() override;

    // Builds a slider in the window's way: style installed when given, then step, minimum, maximum,
    // value from text, orientation, the action (a slot signature made with SLOT(), taking the
    // sender) connected to the target, and the tag. `canStep` has no effect.
    static SVSlider* initSliderWithFrame(const QRect& frame, double minValue, double maxValue,
                                         const QString& stringValue, bool vertical, const char* action,
                                         QObject* target, int tag, SVSliderCell* cell, double step,
                                         bool canStep);

    double value() const { return m_value; }
    void setValue(double value);               // pinned to the range
    // A value chosen by the user without the pointer (keyboard, assistive technology): set as a drag
    // sets it, pinned, and reported once.
    void setValueByUser(double value);
    void stepByUser(int steps) { setValueByUser(m_value + steps * m_step); }
    void setStringValue(const QString& text);  // the leading decimal number of the text
    double minValue() const { return m_minValue; }
    void setMinValue(double minValue);
    double maxValue() const { return m_maxValue; }
    void setMaxValue(double maxValue);
    bool isVertical() const { return m_vertical; }
    void setVertical(bool vertical);
    double step() const { return m_step; }
    void setStep(double step) { m_step = step; }
    // The press state: set by release or drag, cleared by a press. (QWidget::move still places the slider.)
    bool move() const { return m_repeater.move(); }
    using QWidget::move;

    // Takes ownership of the track style; null keeps the plain look.
    void setCell(SVSliderCell* cell);
    SVSliderCell* cell() const { return m_cell.get(); }

    double valueAtPoint(QPointF point) const;
    QRectF trackRect() const;  // the band handed to the track style
    QRectF knobRect() const;   // where the knob is drawn for the current value

signals:
    void actionSent(QObject* sender);  // the slider's action
    void valueChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void stepTick();
    QRectF standardKnobRect() const;
    void paintPlain(QPainter& painter);
    void paintFocusRing(QPainter& painter);

    double m_value = 0;
    double m_minValue = 0;
    double m_maxValue = 1;
    double m_step = 1;
    bool m_vertical = false;
    std::unique_ptr<SVSliderCell> m_cell;
    QPointF m_pressPoint;
    QTimer m_repeatCheck;
    SVPressRepeater m_repeater;  // declared last: its worker is stopped first when the slider goes
};
