#include "Classes/View/Progress/SVProgressViewAccessible.h"

#include "Classes/View/Progress/SVProgressView.h"

#include <algorithm>

SVProgressViewAccessible::SVProgressViewAccessible(SVProgressView* bar)
    : QAccessibleWidget(bar, QAccessible::ProgressBar)
{
}

SVProgressView* SVProgressViewAccessible::bar() const
{
    return static_cast<SVProgressView*>(widget());
}

void* SVProgressViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString SVProgressViewAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && bar()->accessibleName().isEmpty())
        return bar()->title();
    return QAccessibleWidget::text(t);
}

QAccessible::State SVProgressViewAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

// The bar is drawn no wider than the view, whatever a doubled run adds up to.
QVariant SVProgressViewAccessible::currentValue() const
{
    return std::clamp(bar()->pro(), 0.0, SVProgressView::completeAt);
}

QVariant SVProgressViewAccessible::maximumValue() const
{
    return SVProgressView::completeAt;
}
