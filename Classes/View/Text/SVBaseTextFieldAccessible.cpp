#include "Classes/View/Text/SVBaseTextFieldAccessible.h"

#include "Classes/View/Text/SVBaseTextField.h"

#include <QFontMetricsF>

SVBaseTextFieldAccessible::SVBaseTextFieldAccessible(SVBaseTextField* field)
    : QAccessibleWidget(field, QAccessible::StaticText)
{
}

SVBaseTextField* SVBaseTextFieldAccessible::field() const
{
    return static_cast<SVBaseTextField*>(widget());
}

void* SVBaseTextFieldAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString SVBaseTextFieldAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value || (t == QAccessible::Name && field()->accessibleName().isEmpty()))
        return field()->text();
    return QAccessibleWidget::text(t);
}

QAccessible::State SVBaseTextFieldAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

void SVBaseTextFieldAccessible::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

QString SVBaseTextFieldAccessible::text(int startOffset, int endOffset) const
{
    const QString shown = field()->text();
    if (startOffset < 0 || endOffset < startOffset || startOffset > shown.size())
        return {};
    return shown.mid(startOffset, endOffset - startOffset);
}

int SVBaseTextFieldAccessible::characterCount() const
{
    return int(field()->text().size());
}

// Characters are laid out from the left of the text rectangle as the field draws them; the
// alignment's offset is applied for centred text.
QRect SVBaseTextFieldAccessible::characterRect(int offset) const
{
    const QString shown = field()->text();
    if (offset < 0 || offset >= shown.size())
        return {};
    const QFontMetricsF metrics(field()->font());
    const QRectF box = field()->textRect();
    double left = box.left();
    if (field()->alignment() & Qt::AlignHCenter)
        left += (box.width() - metrics.horizontalAdvance(shown)) / 2;
    else if (field()->alignment() & Qt::AlignRight)
        left = box.right() - metrics.horizontalAdvance(shown);
    left += metrics.horizontalAdvance(shown.left(offset));
    const QRectF character(left, box.top(), metrics.horizontalAdvance(shown.at(offset)), metrics.height());
    const QRect local = character.toAlignedRect();
    return QRect(field()->mapToGlobal(local.topLeft()), local.size());
}

int SVBaseTextFieldAccessible::offsetAtPoint(const QPoint& point) const
{
    for (int i = 0; i < characterCount(); ++i) {
        if (characterRect(i).contains(point))
            return i;
    }
    return -1;
}

QString SVBaseTextFieldAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = offset;
    *endOffset = offset;
    return {};
}
