#include "Classes/View/Slider/SVSliderAccessible.h"

#include "Classes/View/Slider/SVSlider.h"

SVSliderAccessible::SVSliderAccessible(SVSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider)
{
}

SVSlider* SVSliderAccessible::slider() const
{
    return static_cast<SVSlider*>(widget());
}

void* SVSliderAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString SVSliderAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return QString::number(slider()->value());
    return QAccessibleWidget::text(t);
}

QVariant SVSliderAccessible::currentValue() const
{
    return slider()->value();
}

void SVSliderAccessible::setCurrentValue(const QVariant& value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok && slider()->isEnabled())
        slider()->setValueByUser(number);
}

QVariant SVSliderAccessible::maximumValue() const
{
    return slider()->maxValue();
}

QVariant SVSliderAccessible::minimumValue() const
{
    return slider()->minValue();
}

QVariant SVSliderAccessible::minimumStepSize() const
{
    return slider()->step();
}

QStringList SVSliderAccessible::actionNames() const
{
    return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
}

void SVSliderAccessible::doAction(const QString& actionName)
{
    if (!slider()->isEnabled())
        return;
    if (actionName == increaseAction())
        slider()->stepByUser(1);
    else if (actionName == decreaseAction())
        slider()->stepByUser(-1);
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList SVSliderAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == increaseAction())
        return {QStringLiteral("Right"), QStringLiteral("Up")};
    if (actionName == decreaseAction())
        return {QStringLiteral("Left"), QStringLiteral("Down")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
