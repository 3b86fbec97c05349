#include "Classes/View/Slider/SVSlider.h"

#include "Api/SVTextValue.h"
#include "Tools/SVAccessibility.h"
#include "Tools/SVTag.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>

#include <cmath>

namespace G = SVSliderGeometry;

namespace {
// Knob size of the plain look, used when no track style is installed.
constexpr QSizeF plainKnob(12, 12);
}

SVSlider::SVSlider(QWidget* parent)
    : QWidget(parent)
    // Called on the worker thread: only posts the tick to this slider's (main) thread.
    , m_repeater([this] { QMetaObject::invokeMethod(this, [this] { stepTick(); }, Qt::QueuedConnection); })
{
    setFocusPolicy(Qt::StrongFocus);
    m_repeatCheck.setSingleShot(true);
    m_repeatCheck.setInterval(repeatDelayMs);
    connect(&m_repeatCheck, &QTimer::timeout, this, [this] {
        if (!m_repeater.move())
            m_repeater.startRepeat();
    });
}

SVSlider::~SVSlider() = default;

SVSlider* SVSlider::initSliderWithFrame(const QRect& frame, double minValue, double maxValue,
                                        const QString& stringValue, bool vertical, const char* action,
                                        QObject* target, int tag, SVSliderCell* cell, double step,
                                        bool /*canStep*/)
{
    auto* slider = new SVSlider;
    slider->setGeometry(frame);
    if (cell)
        slider->setCell(cell);
    slider->setStep(step);
    slider->setMinValue(minValue);
    slider->setMaxValue(maxValue);
    slider->setStringValue(stringValue);
    slider->setVertical(vertical);
    if (action && target)
        connect(slider, SIGNAL(actionSent(QObject*)), target, action);
    setTag(slider, tag);
    return slider;
}

void SVSlider::setValue(double value)
{
    const double pinned = std::fmax(m_minValue, std::fmin(value, m_maxValue));
    if (pinned == m_value)
        return;
    m_value = pinned;
    update();
    emit valueChanged(m_value);
    QAccessibleValueChangeEvent event(this, m_value);
    announceAccessibilityEvent(event);
}

void SVSlider::setValueByUser(double value)
{
    setValue(value);
    emit actionSent(this);
}

void SVSlider::setStringValue(const QString& text)
{
    setValue(SVTextValue::doubleValue(text));
}

void SVSlider::setMinValue(double minValue)
{
    m_minValue = minValue;
    setValue(m_value);
    update();
}

void SVSlider::setMaxValue(double maxValue)
{
    m_maxValue = maxValue;
    setValue(m_value);
    update();
}

void SVSlider::setVertical(bool vertical)
{
    m_vertical = vertical;
    update();
}

void SVSlider::setCell(SVSliderCell* cell)
{
    m_cell.reset(cell);
    if (m_cell)
        m_cell->setControlView(this);
    update();
}

double SVSlider::valueAtPoint(QPointF point) const
{
    return G::valueAtPoint(point, size(), m_minValue, m_maxValue, m_vertical);
}

QRectF SVSlider::trackRect() const
{
    return G::defaultTrackRect(size(), m_vertical, m_cell ? m_cell->sliderHeight() : 4);
}

QRectF SVSlider::standardKnobRect() const
{
    const QSizeF knob = m_cell ? QSizeF(m_cell->sliderKnobWidth(), m_cell->sliderKnobHeight()) : plainKnob;
    return G::standardKnobRect(size(), knob, G::ratio(m_value, m_minValue, m_maxValue), m_vertical);
}

QRectF SVSlider::knobRect() const
{
    return m_cell ? m_cell->knobRectFor(trackRect(), standardKnobRect()) : standardKnobRect();
}

void SVSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_cell) {
        paintPlain(painter);
        return;
    }
    m_cell->drawBarInside(painter, trackRect(), false);
    m_cell->drawKnob(painter, standardKnobRect());
    paintFocusRing(painter);
}

// A ring around the knob shows where the keyboard acts.
void SVSlider::paintFocusRing(QPainter& painter)
{
    if (!hasFocus())
        return;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    const QRectF ring = knobRect().adjusted(-2, -2, 2, 2);
    const double radius = std::fmin(ring.width(), ring.height()) / 2;
    painter.drawRoundedRect(ring, radius, radius);
}

void SVSlider::paintPlain(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Mid));
    painter.drawRoundedRect(trackRect(), 2, 2);
    painter.setBrush(palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawEllipse(standardKnobRect());
    paintFocusRing(painter);
}

void SVSlider::mousePressEvent(QMouseEvent* event)
{
    // Accepted, so a press on a slider never reaches the window's background (which would move it).
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_pressPoint = event->position();
    m_repeater.press();
    m_repeatCheck.start();
}

void SVSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    m_repeater.release();
    setValue(valueAtPoint(event->position()));
    emit actionSent(this);
}

void SVSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_repeater.release();
}

void SVSlider::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        stepByUser(-1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        stepByUser(1);
        break;
    case Qt::Key_PageDown:
        stepByUser(-pageSteps);
        break;
    case Qt::Key_PageUp:
        stepByUser(pageSteps);
        break;
    case Qt::Key_Home:
        setValueByUser(m_minValue);
        break;
    case Qt::Key_End:
        setValueByUser(m_maxValue);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SVSlider::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void SVSlider::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void SVSlider::stepTick()
{
    // Every tick aims at the point of the press, not at where the pointer is now.
    const double target = valueAtPoint(m_pressPoint);
    // This line and the thread line below are part of the program's log.
    if (m_vertical)
        qInfo().noquote() << QString::asprintf("num = %f  doubleValue = %f ", target, m_value);
    if (std::fabs(m_value - target) > m_step)
        setValue(target > m_value ? m_value + m_step : m_value - m_step);
    emit actionSent(this);
    qInfo() << "currentThread1  =  " << QThread::currentThread();
}
