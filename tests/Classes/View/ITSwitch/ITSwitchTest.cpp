// The toggle switch: knob geometry, mouse and keyboard rules, the action only on user changes,
// observers and the binding, the disabled state and accessibility.
#include "Classes/View/ITSwitch/ITSwitch.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<ITSwitch> makeSwitch(bool checked)
{
    auto control = std::make_unique<ITSwitch>();
    control->resize(34, 20);
    control->setChecked(checked);
    control->show();
    return control;
}

void drag(ITSwitch* control, QPoint from, QPoint to)
{
    QTest::mousePress(control, Qt::LeftButton, {}, from);
    QTest::mouseMove(control, to);
    QTest::mouseRelease(control, Qt::LeftButton, {}, to);
}

class Model : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVariant ledState MEMBER ledState)
public:
    QVariant ledState;
};

}  // namespace

TEST(ITSwitchGeometry, KnobSitsAtEitherEndAndWidensWhenPressed)
{
    const QSizeF size(34, 20);
    const QRectF off = ITSwitch::knobFrame(size, false, false);
    EXPECT_DOUBLE_EQ(off.x(), 1);
    EXPECT_DOUBLE_EQ(off.y(), 1);
    EXPECT_DOUBLE_EQ(off.height(), 18);
    EXPECT_NEAR(off.width(), 32 / 1.6180340051651, 1e-9);

    const QRectF on = ITSwitch::knobFrame(size, false, true);
    EXPECT_DOUBLE_EQ(on.right(), 33);

    const QRectF pressed = ITSwitch::knobFrame(size, true, true);
    EXPECT_NEAR(pressed.width(), 32 / 1.38, 1e-9);
    EXPECT_DOUBLE_EQ(pressed.right(), 33);
}

TEST(ITSwitch, PlainClickTurnsOnAndSendsOnce)
{
    auto control = makeSwitch(false);
    QSignalSpy actions(control.get(), &ITSwitch::triggered);
    QTest::mouseClick(control.get(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(control->checked());
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.first().first().value<QObject*>(), control.get());
    EXPECT_FALSE(control->isActive());
    EXPECT_FALSE(control->isDragged());
}

TEST(ITSwitch, DragsDecideByTheHalfTheyEndIn)
{
    auto off = makeSwitch(false);
    QSignalSpy offActions(off.get(), &ITSwitch::triggered);
    drag(off.get(), QPoint(5, 10), QPoint(10, 10));
    EXPECT_FALSE(off->checked()) << "a drag ending in the left half leaves an off switch off";
    EXPECT_EQ(offActions.size(), 0);

    auto on = makeSwitch(true);
    QSignalSpy onActions(on.get(), &ITSwitch::triggered);
    drag(on.get(), QPoint(25, 10), QPoint(30, 10));
    EXPECT_TRUE(on->checked());
    EXPECT_EQ(onActions.size(), 0);
    drag(on.get(), QPoint(25, 10), QPoint(4, 10));
    EXPECT_FALSE(on->checked());
    EXPECT_EQ(onActions.size(), 1);
    EXPECT_FALSE(on->isDraggingTowardsOn());
}

TEST(ITSwitch, KnobFollowsTheHalfDuringADrag)
{
    auto control = makeSwitch(false);
    QTest::mousePress(control.get(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_TRUE(control->isActive());
    QTest::mouseMove(control.get(), QPoint(17, 10));
    EXPECT_TRUE(control->isDraggingTowardsOn()) << "the middle counts as the right half";
    EXPECT_EQ(control->targetLook().knob, ITSwitch::knobFrame(QSizeF(34, 20), true, true));
    QTest::mouseRelease(control.get(), Qt::LeftButton, {}, QPoint(17, 10));
    EXPECT_TRUE(control->checked());
}

TEST(ITSwitch, DisabledSwitchIsHalfFadedAndIgnoresTheMouse)
{
    auto control = makeSwitch(false);
    control->setEnabled(false);
    QSignalSpy actions(control.get(), &ITSwitch::triggered);
    QTest::mouseClick(control.get(), Qt::LeftButton, {}, QPoint(5, 10));
    drag(control.get(), QPoint(5, 10), QPoint(30, 10));
    EXPECT_FALSE(control->checked());
    EXPECT_EQ(actions.size(), 0);
    EXPECT_DOUBLE_EQ(control->targetLook().opacity, 0.5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control->isAnimating(); }, 2000)) << "refresh never finished";
    EXPECT_DOUBLE_EQ(control->currentLook().opacity, 0.5);
}

TEST(ITSwitch, CodeAssignmentNotifiesEveryTimeButNeverSends)
{
    auto control = makeSwitch(true);
    Model model;
    control->bind(QStringLiteral("checked"), &model, "ledState",
                  [](const QVariant& v) { return QVariant(v.toBool() ? QStringLiteral("on") : QStringLiteral("off")); });
    QSignalSpy actions(control.get(), &ITSwitch::triggered);
    QSignalSpy observed(control.get(), &ITSwitch::checkedChanged);

    control->setChecked(true);
    EXPECT_EQ(observed.size(), 1) << "assigning the current value still notifies";
    EXPECT_FALSE(model.ledState.isValid()) << "an unchanged value is not pushed to the binding";

    control->setChecked(false);
    EXPECT_EQ(observed.size(), 2);
    EXPECT_EQ(model.ledState.toString(), "off");
    EXPECT_EQ(actions.size(), 0);
}

TEST(ITSwitch, RefreshAnimatesTheKnobToItsNewPlace)
{
    auto control = makeSwitch(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control->isAnimating(); }, 2000)) << "refresh never finished";
    control->setChecked(true);
    EXPECT_TRUE(control->isAnimating());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !control->isAnimating(); }, 2000)) << "refresh never finished";
    EXPECT_EQ(control->currentLook().knob, ITSwitch::knobFrame(QSizeF(34, 20), false, true));
    EXPECT_EQ(control->currentLook().trackFill, control->tintColor());
    EXPECT_EQ(control->currentLook().trackBorder, control->tintColor());

    control->resize(68, 40);
    EXPECT_FALSE(control->isAnimating()) << "a resize re-applies the knob without animation";
    EXPECT_EQ(control->currentLook().knob, ITSwitch::knobFrame(QSizeF(68, 40), false, true));
}

TEST(ITSwitch, KeyboardTogglesAndMovesLeftOrRight)
{
    auto control = makeSwitch(false);
    QSignalSpy actions(control.get(), &ITSwitch::triggered);
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_TRUE(control->checked());
    QTest::keyClick(control.get(), Qt::Key_Right);
    EXPECT_TRUE(control->checked());
    EXPECT_EQ(actions.size(), 1) << "moving right on an on switch sends nothing";
    QTest::keyClick(control.get(), Qt::Key_Left);
    EXPECT_FALSE(control->checked());
    QTest::keyClick(control.get(), Qt::Key_Left);
    EXPECT_EQ(actions.size(), 2);
    QTest::keyClick(control.get(), Qt::Key_Space);
    EXPECT_TRUE(control->checked());
    EXPECT_EQ(actions.size(), 3);
}

TEST(ITSwitch, AccessibilityReportsAndSetsTheValueAndPresses)
{
    auto control = makeSwitch(true);
    QSignalSpy actions(control.get(), &ITSwitch::triggered);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->childCount(), 0);
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 1);

    value->setCurrentValue(1);
    EXPECT_EQ(actions.size(), 0) << "setting the same value sends nothing";
    value->setCurrentValue(0);
    EXPECT_FALSE(control->checked());
    EXPECT_EQ(actions.size(), 1);

    QAccessibleActionInterface* action = accessible->actionInterface();
    ASSERT_NE(action, nullptr);
    action->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(control->checked());
    EXPECT_EQ(actions.size(), 2);
    EXPECT_TRUE(accessible->state().checked);
}

#include "ITSwitchTest.moc"
