#include "Classes/View/Segmented/SVSegmentedControlAccessible.h"

#include "Classes/View/Segmented/SVSegmentAccessible.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"

SVSegmentedControlAccessible::SVSegmentedControlAccessible(SVSegmentedControl* control)
    : QAccessibleWidget(control, QAccessible::PageTabList)
{
}

SVSegmentedControlAccessible::~SVSegmentedControlAccessible()
{
    for (QAccessible::Id id : std::as_const(m_segmentIds))
        QAccessible::deleteAccessibleInterface(id);
}

SVSegmentedControl* SVSegmentedControlAccessible::control() const
{
    return static_cast<SVSegmentedControl*>(widget());
}

int SVSegmentedControlAccessible::childCount() const
{
    return int(control()->titles().size());
}

QAccessibleInterface* SVSegmentedControlAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    while (m_segmentIds.size() <= index)
        m_segmentIds.append(QAccessible::registerAccessibleInterface(
            new SVSegmentAccessible(control(), int(m_segmentIds.size()))));
    return QAccessible::accessibleInterface(m_segmentIds.at(index));
}

int SVSegmentedControlAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (int i = 0; i < childCount(); ++i) {
        if (this->child(i) == child)
            return i;
    }
    return -1;
}

QAccessibleInterface* SVSegmentedControlAccessible::childAt(int x, int y) const
{
    const QPoint local = control()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < childCount(); ++i) {
        if (control()->segmentRect(i).contains(local))
            return child(i);
    }
    return nullptr;
}

// The value of the list is the title of the selected segment.
QString SVSegmentedControlAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        const QStringList shown = control()->displayedTitles();
        const int index = control()->index();
        return index >= 0 && index < shown.size() ? shown.at(index) : QString();
    }
    return QAccessibleWidget::text(t);
}
