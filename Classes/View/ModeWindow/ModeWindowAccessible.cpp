#include "Classes/View/ModeWindow/ModeWindowAccessible.h"

#include "Classes/View/ModeWindow/ModeWindow.h"

ModeWindowAccessible::ModeWindowAccessible(ModeWindow* window)
    : QAccessibleWidget(window, QAccessible::AlertMessage)
{
}

QString ModeWindowAccessible::text(QAccessible::Text t) const
{
    auto* box = static_cast<ModeWindow*>(widget());
    if (t == QAccessible::Name && box->accessibleName().isEmpty() && box->message())
        return box->message()->text();
    return QAccessibleWidget::text(t);
}
