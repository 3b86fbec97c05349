#include "Classes/View/ITSwitch/ITSwitchAccessible.h"

#include "Classes/View/ITSwitch/ITSwitch.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("ITSwitch") && object && object->isWidgetType())
        return new ITSwitchAccessible(static_cast<ITSwitch*>(object));
    return nullptr;
}

}  // namespace

void ITSwitchAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

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
    return {pressAction()};
}

void ITSwitchAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction() && control()->isEnabled())
        control()->setCheckedByUser(!control()->checked());
}

QStringList ITSwitchAccessible::keyBindingsForAction(const QString&) const
{
    return {};
}
