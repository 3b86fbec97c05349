#include "Classes/View/Text/SVBaseTextField.h"

#include "Classes/View/Text/SVBaseTextFieldCell.h"
#include "Tools/SVAccessibility.h"

#include <QAccessible>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>

SVBaseTextField::SVBaseTextField(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(text)
{
    QFont font = QApplication::font();
    font.setPixelSize(13);
    setFont(font);
}

void SVBaseTextField::setText(const QString& text)
{
    if (text == m_text)
        return;
    const QString old = m_text;
    const QSize oldHint = sizeHint();
    m_text = text;
    if (sizeHint() != oldHint)
        updateGeometry();
    update();
    QAccessibleTextUpdateEvent changed(this, 0, old, text);
    announceAccessibilityEvent(changed);
    if (accessibleName().isEmpty()) {
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        announceAccessibilityEvent(renamed);
    }
}

void SVBaseTextField::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void SVBaseTextField::setTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

void SVBaseTextField::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void SVBaseTextField::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

QRectF SVBaseTextField::textRect() const
{
    return SVBaseTextFieldCell::adjustedFrameToVerticallyCenterText(QRectF(rect()), QFontMetricsF(font()));
}

QSize SVBaseTextField::sizeHint() const
{
    if (m_lineHeight < 0)
        m_lineHeight = QFontMetrics(font()).height();
    return QSize(textWidth(m_text) + 8, m_lineHeight + 6);
}

// Measuring a text is the dearest step of a value change, and a read-out shows the same few values
// again and again, so each width, and the line height, is measured once per font.
int SVBaseTextField::textWidth(const QString& text) const
{
    if (const auto known = m_widths.constFind(text); known != m_widths.cend())
        return *known;
    if (m_widths.size() >= rememberedWidths)
        m_widths.clear();
    const int width = QFontMetrics(font()).horizontalAdvance(text);
    m_widths.insert(text, width);
    return width;
}

void SVBaseTextField::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_widths.clear();
        m_lineHeight = -1;
    }
    QWidget::changeEvent(event);
}

void SVBaseTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_backgroundColor.alpha() > 0) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
        painter.fillPath(shape, m_backgroundColor);
    }
    // The text starts at the top of the centred rectangle, as the cell draws it.
    painter.setPen(m_textColor);
    painter.drawText(textRect(), int(m_alignment | Qt::AlignTop) | Qt::TextDontClip, m_text);
}
