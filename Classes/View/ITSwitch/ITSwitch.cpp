#include "Classes/View/ITSwitch/ITSwitch.h"

#include "Tools/SVAccessibility.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVariantAnimation>

namespace {

QColor mix(const QColor& from, const QColor& to, qreal t)
{
    auto channel = [t](float a, float b) { return qBound(0.0f, float(a + (b - a) * t), 1.0f); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

QRectF mix(const QRectF& from, const QRectF& to, qreal t)
{
    auto lerp = [t](qreal a, qreal b) { return a + (b - a) * t; };
    return {lerp(from.x(), to.x()), lerp(from.y(), to.y()), lerp(from.width(), to.width()),
            lerp(from.height(), to.height())};
}

// Rises past the end and settles back: the refresh's slight overshoot.
QEasingCurve overshootCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.25, 1.5), QPointF(0.5, 1.0), QPointF(1.0, 1.0));
    return curve;
}

// The platform's standard ease, used while the knob follows a drag.
QEasingCurve standardCurve()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.25, 0.1), QPointF(0.25, 1.0), QPointF(1.0, 1.0));
    return curve;
}

}  // namespace

QRectF ITSwitch::knobFrame(QSizeF bounds, bool active, bool showsOn)
{
    const double knobHeight = bounds.height() - 2;
    const double knobWidth = (bounds.width() - 2) / (active ? activeKnobRatio : goldenRatio);
    const double x = showsOn ? bounds.width() - knobWidth - 1 : 1;
    return {x, 1, knobWidth, knobHeight};
}

ITSwitch::ITSwitch(QWidget* parent)
    : QWidget(parent)
    , m_animation(new QVariantAnimation(this))
{
    setFocusPolicy(Qt::TabFocus);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(animationMs);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& progress) { applyAnimationStep(progress.toReal()); });
    m_look = targetLook();
}

void ITSwitch::setChecked(bool checked)
{
    const bool changed = checked != m_checked;
    m_checked = checked;
    if (changed && m_boundObject) {
        const QVariant value(checked);
        m_boundObject->setProperty(m_boundKeyPath, m_boundTransformer ? m_boundTransformer(value) : value);
    }
    emit checkedChanged(checked);
    reloadLayer();
    if (changed) {
        QAccessible::State states;
        states.checked = true;
        QAccessibleStateChangeEvent event(this, states);
        announceAccessibilityEvent(event);
    }
}

void ITSwitch::setCheckedByUser(bool checked)
{
    const bool changed = checked != m_checked;
    setChecked(checked);
    if (changed)
        emit actionSent(this);
}

void ITSwitch::setTintColor(const QColor& color)
{
    m_tintColor = color;
    reloadLayer();
}

void ITSwitch::setDisabledBorderColor(const QColor& color)
{
    m_disabledBorderColor = color;
    reloadLayer();
}

void ITSwitch::bind(const QString& binding, QObject* object, const QByteArray& keyPath, ValueTransformer transformer)
{
    if (binding != QLatin1String("checked"))
        return;
    m_boundObject = object;
    m_boundKeyPath = keyPath;
    m_boundTransformer = std::move(transformer);
}

void ITSwitch::unbind(const QString& binding)
{
    if (binding == QLatin1String("checked"))
        bind(binding, nullptr, {});
}

ITSwitch::Look ITSwitch::targetLook() const
{
    const bool on = showsOn();
    return {
        .knob = knobFrame(size(), m_active, on),
        .trackFill = on ? m_tintColor : QColor(Qt::transparent),
        .trackBorder = on ? m_tintColor : m_disabledBorderColor,
        .opacity = isEnabled() ? 1.0 : 0.5,
    };
}

bool ITSwitch::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void ITSwitch::reloadLayer()
{
    m_animation->stop();
    m_animationStart = m_look;
    m_animationEnd = targetLook();
    m_animation->setEasingCurve(m_dragged ? standardCurve() : overshootCurve());
    m_animation->start();
}

void ITSwitch::reloadLayerSize()
{
    m_animation->stop();
    m_look = targetLook();
    update();
}

void ITSwitch::applyAnimationStep(qreal t)
{
    m_look.knob = mix(m_animationStart.knob, m_animationEnd.knob, t);
    m_look.trackFill = mix(m_animationStart.trackFill, m_animationEnd.trackFill, t);
    m_look.trackBorder = mix(m_animationStart.trackBorder, m_animationEnd.trackBorder, t);
    m_look.opacity = qBound(0.0, m_animationStart.opacity + (m_animationEnd.opacity - m_animationStart.opacity) * t, 1.0);
    update();
}

void ITSwitch::paintEvent(QPaintEvent*)
{
    // The switch is drawn as one picture and then faded as a whole, so that a half-transparent
    // disabled switch does not show the knob's shadow through the knob.
    QPixmap picture(size() * devicePixelRatio());
    picture.setDevicePixelRatio(devicePixelRatio());
    picture.fill(Qt::transparent);
    paintSwitch(picture);
    QPainter painter(this);
    painter.setOpacity(m_look.opacity);
    painter.drawPixmap(0, 0, picture);
    if (hasFocus()) {
        const double radius = height() / 2.0 - 1;
        painter.setOpacity(1);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), radius, radius);
    }
}

void ITSwitch::paintSwitch(QPaintDevice& device) const
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double trackRadius = height() / 2.0;
    painter.setPen(QPen(m_look.trackBorder, 1));
    painter.setBrush(m_look.trackFill);
    painter.drawRoundedRect(track, trackRadius, trackRadius);

    const QRectF knob = m_look.knob;
    const double knobRadius = knob.height() / 2;
    painter.setPen(Qt::NoPen);
    // Knob shadow: 2 units down, softened by a one-unit blur.
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.3f * 0.5f));
    painter.drawRoundedRect(knob.translated(0, 2).adjusted(-0.5, -0.5, 0.5, 0.5), knobRadius + 0.5, knobRadius + 0.5);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.3f));
    painter.drawRoundedRect(knob.translated(0, 2), knobRadius, knobRadius);
    // Inner face shadow: a soft rim all round the face.
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.35f * 0.5f));
    painter.drawRoundedRect(knob.adjusted(-0.5, -0.5, 0.5, 0.5), knobRadius + 0.5, knobRadius + 0.5);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(knob, knobRadius, knobRadius);
}

void ITSwitch::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (!isEnabled() || event->button() != Qt::LeftButton)
        return;
    m_active = true;
    reloadLayer();
}

void ITSwitch::mouseMoveEvent(QMouseEvent* event)
{
    if (!isEnabled() || !m_active)
        return;
    qInfo("mouseDragged");  // part of the program's log
    m_dragged = true;
    m_draggingTowardsOn = event->position().x() >= width() / 2.0;
    reloadLayer();
}

void ITSwitch::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isEnabled() || !m_active || event->button() != Qt::LeftButton)
        return;
    m_active = false;
    setCheckedByUser(m_dragged ? m_draggingTowardsOn : !m_checked);
    m_dragged = false;
    m_draggingTowardsOn = false;
    reloadLayer();
}

void ITSwitch::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        setCheckedByUser(!m_checked);
        break;
    case Qt::Key_Left:
        setCheckedByUser(false);
        break;
    case Qt::Key_Right:
        setCheckedByUser(true);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ITSwitch::resizeEvent(QResizeEvent*)
{
    reloadLayerSize();
}

void ITSwitch::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        reloadLayer();
    QWidget::changeEvent(event);
}
