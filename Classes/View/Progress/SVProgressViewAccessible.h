// What assistive technology sees of the write workflow's progress bar: a progress bar named by the
// text it shows ("setting", "set_complete"), with its progress in units of its 161-unit width.
#pragma once

#include <QAccessibleWidget>

class SVProgressView;

class SVProgressViewAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SVProgressViewAccessible(SVProgressView* bar);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant&) override { }  // read-only
    QVariant maximumValue() const override;
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    SVProgressView* bar() const;
};
