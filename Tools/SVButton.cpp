#include "Tools/SVButton.h"

#include "Tools/SVLocalized.h"
#include "Tools/SVTag.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

QColor SVButton::titleColorFor(int tag, bool touch, const QString& title)
{
    if (title == SVLocalized::text(QStringLiteral("confirm")))
        return darkText();
    const bool darkScheme = tag == darkSchemeTag;
    return darkScheme != touch ? darkText() : white();
}

SVButton::SVButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { emit actionSent(this); });
}

void SVButton::setTitle(const QString& title)
{
    m_titleColor = titleColorFor(tagOf(this), m_touch, title);
    setText(title);
    update();
}

void SVButton::setImage(const QIcon& image)
{
    if (image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
    updateGeometry();
    update();
    emit imageChanged();
}

void SVButton::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void SVButton::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

QFont SVButton::systemFont(int pixelSize)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    return font;
}

QSize SVButton::sizeHint() const
{
    if (!text().isEmpty()) {
        const QSize textSize = QFontMetrics(systemFont(titleFontSize)).size(Qt::TextSingleLine, text());
        return QSize(textSize.width() + 12, textSize.height() + 6);
    }
    return QSize(22, 22);
}

// A tag given after the title still decides the title's colour.
bool SVButton::event(QEvent* event)
{
    if (event->type() == QEvent::DynamicPropertyChange)
        m_titleColor = titleColorFor(tagOf(this), m_touch, title());
    return QAbstractButton::event(event);
}

void SVButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    pointerCrossed(true);
}

void SVButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    pointerCrossed(false);
}

// Hover reactions happen only for an enabled button in the active window.
void SVButton::pointerCrossed(bool inside)
{
    if (!isEnabled() || !window()->isActiveWindow())
        return;
    if (m_allowTouch && m_imageButton) {
        m_opacity = inside ? 0.8 : 1.0;
        update();
        return;
    }
    if (m_allowTouch) {
        m_touch = inside;
        if (tagOf(this) == darkSchemeTag)
            m_backgroundColor = inside ? hoverOrange() : white();
        setTitle(title());
    }
    if (tagOf(this) == hoverBorderTag) {
        m_borderWidth = inside ? hoverBorderWidth : 0;
        update();
    }
}

void SVButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_opacity);

    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    if (m_backgroundColor.alpha() > 0)
        painter.fillPath(shape, m_backgroundColor);

    paintContent(painter);

    if (isDown())  // the push-in highlight
        painter.fillPath(shape, QColor(0, 0, 0, 50));
    if (m_borderWidth > 0) {
        const qreal half = m_borderWidth / 2.0;
        const QRectF inner = QRectF(rect()).adjusted(half, half, -half, -half);
        painter.setPen(QPen(Qt::black, m_borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(inner, qMax<qreal>(0, m_cornerRadius - half), qMax<qreal>(0, m_cornerRadius - half));
    }
    if (m_focusRing && hasFocus()) {
        painter.setOpacity(1);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), m_cornerRadius, m_cornerRadius);
    }
}

// The ring shows where Tab has brought the focus; a focus given at start or by the program shows none.
void SVButton::focusInEvent(QFocusEvent* event)
{
    const Qt::FocusReason reason = event->reason();
    m_focusRing = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void SVButton::focusOutEvent(QFocusEvent* event)
{
    m_focusRing = false;
    QAbstractButton::focusOutEvent(event);
}

// Space is handled by the base class (pressed on key down, clicked on key up); Enter clicks at once.
void SVButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void SVButton::paintContent(QPainter& painter)
{
    if (!m_image.isNull())
        m_image.paint(&painter, rect(), Qt::AlignCenter);
    if (!text().isEmpty()) {
        painter.setFont(systemFont(titleFontSize));
        painter.setPen(m_titleColor);
        painter.drawText(QRectF(rect()), Qt::AlignCenter, text());
    }
}
