// What assistive technology sees of an SVSlider: a slider with its value, range and step. Setting the
// value acts as a drag to that value (the slider reports once); the increase and decrease actions
// step it as the arrow keys do.
#pragma once

#include <QAccessibleWidget>

class SVSlider;

class SVSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SVSliderAccessible(SVSlider* slider);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    SVSlider* slider() const;
};
