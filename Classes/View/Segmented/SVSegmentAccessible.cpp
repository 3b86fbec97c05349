#include "Classes/View/Segmented/SVSegmentAccessible.h"

#include "Classes/View/Segmented/SVSegmentedControl.h"

#include <QWidget>
#include <QWindow>

SVSegmentAccessible::SVSegmentAccessible(SVSegmentedControl* control, int index)
    : m_control(control)
    , m_index(index)
{
}

bool SVSegmentAccessible::isValid() const
{
    return m_control && m_index < m_control->titles().size();
}

QWindow* SVSegmentAccessible::window() const
{
    return m_control ? m_control->window()->windowHandle() : nullptr;
}

QAccessibleInterface* SVSegmentAccessible::parent() const
{
    return QAccessible::queryAccessibleInterface(m_control.data());
}

QString SVSegmentAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name || !isValid())
        return {};
    return m_control->displayedTitles().value(m_index);
}

QRect SVSegmentAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect local = m_control->segmentRect(m_index).toAlignedRect();
    return QRect(m_control->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State SVSegmentAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const bool selected = m_control->index() == m_index;
    state.selectable = true;
    state.selected = selected;
    state.focusable = true;
    state.focused = selected && m_control->hasFocus();
    state.disabled = !m_control->isEnabled();
    state.invisible = !m_control->isVisible();
    return state;
}

void* SVSegmentAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList SVSegmentAccessible::actionNames() const
{
    return {pressAction()};
}

void SVSegmentAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction() && isValid() && m_control->isEnabled())
        m_control->selectSegment(m_index);
}

QStringList SVSegmentAccessible::keyBindingsForAction(const QString&) const
{
    return {};
}
