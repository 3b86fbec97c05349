// What assistive technology sees of a gauge (the voltage and position dials, the thermometer): a
// read-only progress bar with the gauge's value and scale, named by the accessible name the window
// gives it. The needle and the scale numbers are drawing, not children.
#pragma once

#include <QAccessibleWidget>

class SVDashBoardAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    // gauge: an SVDashBoardDial or an SVDashBoardTemperatureView.
    explicit SVDashBoardAccessible(QWidget* gauge);

    void* interface_cast(QAccessible::InterfaceType type) override;
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override { }  // read-only
    QVariant maximumValue() const override;
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }
};
