// What assistive technology sees of an SVSegmentedControl: a page-tab list whose children are its
// segments (SVSegmentAccessible), each named by its shown title.
#pragma once

#include <QAccessibleWidget>
#include <QList>

class SVSegmentedControl;

class SVSegmentedControlAccessible : public QAccessibleWidget {
public:
    explicit SVSegmentedControlAccessible(SVSegmentedControl* control);
    ~SVSegmentedControlAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

private:
    SVSegmentedControl* control() const;

    // The segments' interfaces are not tied to an object, so they are kept here and handed back to
    // the accessibility cache when the control's interface goes.
    mutable QList<QAccessible::Id> m_segmentIds;
};
