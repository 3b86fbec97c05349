#include "Classes/View/ToolView/SVToolViewAccessible.h"

#include "Classes/View/ToolView/SVToolView.h"

SVToolViewAccessible::SVToolViewAccessible(SVToolView* box)
    : QAccessibleWidget(box, QAccessible::Grouping)
{
}

QString SVToolViewAccessible::text(QAccessible::Text t) const
{
    auto* box = static_cast<SVToolView*>(widget());
    if (t == QAccessible::Name && box->accessibleName().isEmpty())
        return box->lableTitle()->text();
    return QAccessibleWidget::text(t);
}
