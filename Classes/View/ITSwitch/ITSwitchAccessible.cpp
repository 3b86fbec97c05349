#include "Classes/View/ITSwitch/ITSwitchAccessible.h"

#include "Classes/View/ITSwitch/ITSwitch.h"

ITSwitchAccessible::ITSwitchAccessible(ITSwitch* control)
    : QAccessibleWidget(control, QAccessible::CheckBox)
{
}

ITSwitch* ITSwitchAccessible::control() const
{
    return static_cast<ITSwitch*>(widget());
}

void* ITSwitchAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State ITSwitchAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = control()->checked();
    return state;
}

QVariant ITSwitchAccessible::currentValue() const
{
    return control()->checked() ? 1 : 0;
}

void ITSwitchAccessible::setCurrentValue(const QVariant& value)
{
    if (control()->isEnabled())
        control()->setCheckedByUser(value.toInt() != 0);
}

QStringList ITSwitchAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void ITSwitchAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    if (control()->isEnabled())
        control()->setCheckedByUser(!control()->checked());
}

QStringList ITSwitchAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction())
        return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
