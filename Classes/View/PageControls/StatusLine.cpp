#include "Classes/View/PageControls/StatusLine.h"

#include "Tools/SVAccessibility.h"

#include <QAccessibleEvent>

StatusLine::StatusLine(QWidget* parent)
    : QLabel(parent)
{
    setWordWrap(true);
}

void StatusLine::showText(const QString& text)
{
    if (text == this->text())
        return;
    setText(text);
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    announceAccessibilityEvent(changed);
}
