#include "Classes/View/PageControls/StatusLineAccessible.h"

#include "Classes/View/PageControls/StatusLine.h"

StatusLineAccessible::StatusLineAccessible(StatusLine* line)
    : QAccessibleWidget(line, QAccessible::StatusBar)
{
}

// The name is the text shown (the caption while nothing is shown); the description is the caption.
QString StatusLineAccessible::text(QAccessible::Text t) const
{
    const auto* line = static_cast<const StatusLine*>(widget());
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value:
        return line->text().isEmpty() ? line->caption() : line->text();
    case QAccessible::Description:
        return line->caption();
    default:
        return QAccessibleWidget::text(t);
    }
}
