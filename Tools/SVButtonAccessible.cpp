#include "Tools/SVButtonAccessible.h"

#include "Tools/SVButton.h"

SVButtonAccessible::SVButtonAccessible(SVButton* button)
    : QAccessibleWidget(button, QAccessible::Button)
{
}

SVButton* SVButtonAccessible::button() const
{
    return static_cast<SVButton*>(widget());
}

QString SVButtonAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && button()->accessibleName().isEmpty())
        return button()->shownTitle();
    return QAccessibleWidget::text(t);
}

QAccessible::State SVButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = button()->isDown();
    return state;
}

QStringList SVButtonAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void SVButtonAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    if (button()->isEnabled())
        QMetaObject::invokeMethod(button(), &SVButton::click, Qt::QueuedConnection);
}

QStringList SVButtonAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction())
        return {QStringLiteral("Space"), QStringLiteral("Return")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
