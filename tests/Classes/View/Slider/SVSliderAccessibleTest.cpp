// The value slider as assistive technology sees it: role, value and range, setting the value, the
// step actions, and the value-change notice.
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Slider/SVToolSlider.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<SVSlider> makeSlider(double min, double max, double value, double step)
{
    auto slider = std::make_unique<SVSlider>();
    slider->setCell(new SVToolSlider);
    slider->setStep(step);
    slider->setMinValue(min);
    slider->setMaxValue(max);
    slider->setValue(value);
    slider->resize(200, 24);
    slider->show();
    return slider;
}

}  // namespace

TEST(SVSliderAccessible, IsASliderWithItsValueRangeStepAndGivenName)
{
    auto slider = makeSlider(4.6, 14, 12, 0.1);
    slider->setAccessibleName(QStringLiteral("Maximum voltage"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(slider.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Slider);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Maximum voltage"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("12"));
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 12);
    EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 4.6);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 14);
    EXPECT_DOUBLE_EQ(value->minimumStepSize().toDouble(), 0.1);
    EXPECT_TRUE(accessible->state().focusable);

    slider->setValue(5);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 5) << "the value follows the slider";
}

TEST(SVSliderAccessible, SettingTheValueActsLikeADragToIt)
{
    auto slider = makeSlider(-1000, 1000, 0, 1);
    QSignalSpy actions(slider.get(), &SVSlider::actionSent);
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(slider.get())->valueInterface();
    ASSERT_NE(value, nullptr);

    value->setCurrentValue(250.5);
    EXPECT_DOUBLE_EQ(slider->value(), 250.5) << "like a drag, the value is not rounded to the step";
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.first().first().value<QObject*>(), slider.get());

    value->setCurrentValue(5000);
    EXPECT_DOUBLE_EQ(slider->value(), 1000) << "pinned to the range";
    EXPECT_EQ(actions.size(), 2);

    value->setCurrentValue(QStringLiteral("not a number"));
    EXPECT_DOUBLE_EQ(slider->value(), 1000);
    EXPECT_EQ(actions.size(), 2) << "a value that is no number is ignored";

    slider->setEnabled(false);
    value->setCurrentValue(0);
    EXPECT_DOUBLE_EQ(slider->value(), 1000) << "a disabled slider cannot be set";
    EXPECT_EQ(actions.size(), 2);
}

TEST(SVSliderAccessible, IncreaseAndDecreaseActionsStepAndReport)
{
    auto slider = makeSlider(50, 100, 85, 1);
    QSignalSpy actions(slider.get(), &SVSlider::actionSent);
    QAccessibleActionInterface* action = QAccessible::queryAccessibleInterface(slider.get())->actionInterface();
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->actionNames().contains(QAccessibleActionInterface::increaseAction()));
    EXPECT_TRUE(action->actionNames().contains(QAccessibleActionInterface::decreaseAction()));

    action->doAction(QAccessibleActionInterface::increaseAction());
    EXPECT_DOUBLE_EQ(slider->value(), 86);
    action->doAction(QAccessibleActionInterface::decreaseAction());
    action->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_DOUBLE_EQ(slider->value(), 84);
    EXPECT_EQ(actions.size(), 3);
}

TEST(SVSliderAccessible, ValueChangesAreAnnouncedOnlyWhenTheValueChanges)
{
    auto slider = makeSlider(0, 1000, 0, 1);
    AccessibilityEventRecorder recorder;
    slider->setValue(300);
    slider->setValue(300);
    slider->setValue(2000);
    const auto changes = recorder.eventsOf(QAccessible::ValueChanged);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes[0].object, slider.get());
    EXPECT_EQ(changes[0].role, QAccessible::Slider);
}
