// The toggle switch as assistive technology sees it beyond its value and press: its name, state and
// key binding, the notice of a change, and a disabled switch refusing to be operated.
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<ITSwitch> makeSwitch(bool checked)
{
    auto control = std::make_unique<ITSwitch>();
    control->resize(40, 20);
    control->setChecked(checked);
    control->show();
    return control;
}

}  // namespace

TEST(ITSwitchAccessible, IsACheckBoxNamedByItsCaptionWithSpaceForItsPress)
{
    auto control = makeSwitch(false);
    control->setAccessibleName(QStringLiteral("LED"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::CheckBox);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("LED"));
    EXPECT_TRUE(accessible->state().checkable);
    EXPECT_FALSE(accessible->state().checked);
    EXPECT_TRUE(accessible->state().focusable);
    QAccessibleActionInterface* action = accessible->actionInterface();
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actionNames().value(0), QAccessibleActionInterface::pressAction());
    EXPECT_EQ(action->keyBindingsForAction(QAccessibleActionInterface::pressAction()), QStringList{QStringLiteral("Space")});
}

TEST(ITSwitchAccessible, DisabledSwitchCanBeNeitherPressedNorSet)
{
    auto control = makeSwitch(true);
    control->setEnabled(false);
    QSignalSpy actions(control.get(), &ITSwitch::actionSent);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control.get());
    EXPECT_TRUE(accessible->state().disabled);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    accessible->valueInterface()->setCurrentValue(0);
    EXPECT_TRUE(control->checked());
    EXPECT_EQ(actions.size(), 0);
}

TEST(ITSwitchAccessible, ACheckedChangeIsAnnouncedOnceAndARepeatedValueNot)
{
    auto control = makeSwitch(false);
    AccessibilityEventRecorder recorder;
    control->setChecked(true);
    control->setChecked(true);
    control->setCheckedByUser(false);
    const auto changes = recorder.eventsOf(QAccessible::StateChanged);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[0].object, control.get());
    EXPECT_EQ(changes[0].role, QAccessible::CheckBox);
}
