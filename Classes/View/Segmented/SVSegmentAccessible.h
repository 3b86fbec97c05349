// One segment of an SVSegmentedControl as assistive technology sees it: a page tab named by its
// shown title, selected when it is the control's index. Its press action selects it as a click does.
#pragma once

#include <QAccessibleInterface>
#include <QPointer>

class SVSegmentedControl;

class SVSegmentAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    SVSegmentAccessible(SVSegmentedControl* control, int index);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    int index() const { return m_index; }

private:
    QPointer<SVSegmentedControl> m_control;
    int m_index;
};
