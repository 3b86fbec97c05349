#include "Classes/View/Dashboard/SVDashBoardAccessible.h"

#include "Classes/View/Dashboard/SVDashBoardDial.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"

SVDashBoardAccessible::SVDashBoardAccessible(QWidget* gauge)
    : QAccessibleWidget(gauge, QAccessible::ProgressBar)
{
}

void* SVDashBoardAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString SVDashBoardAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return QString::number(currentValue().toDouble());
    return QAccessibleWidget::text(t);
}

QAccessible::State SVDashBoardAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    return state;
}

QVariant SVDashBoardAccessible::currentValue() const
{
    if (auto* dial = qobject_cast<SVDashBoardDial*>(widget()))
        return dial->value();
    if (auto* thermometer = qobject_cast<SVDashBoardTemperatureView*>(widget()))
        return thermometer->pro();
    return 0.0;
}

QVariant SVDashBoardAccessible::maximumValue() const
{
    if (auto* dial = qobject_cast<SVDashBoardDial*>(widget()))
        return dial->maximumValue();
    return SVDashBoardTemperatureView::fullScale;
}
