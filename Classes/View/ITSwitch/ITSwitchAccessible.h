// What assistive technology sees of an ITSwitch: a check box without children, named by the caption
// the window gives it, whose value (0 or 1) can be set, and a press action (the toggle action of
// AT-SPI) that toggles it. Both count as user changes and send the action.
#pragma once

#include <QAccessibleWidget>

class ITSwitch;

class ITSwitchAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit ITSwitchAccessible(ITSwitch* control);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override { return 1; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    ITSwitch* control() const;
};
