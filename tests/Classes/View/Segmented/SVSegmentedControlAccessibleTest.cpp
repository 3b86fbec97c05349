// The mode control as assistive technology and the keyboard see it: a page-tab list of two tabs named
// by their shown titles, selected by their press action or by Left and Right, with the delegate told
// only of a change.
#include "Api/Source/NotificationCenter.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class ModeDelegate : public QObject {
    Q_OBJECT
public:
    QList<int> selected;
    Q_INVOKABLE void selectTitleIndex(int index) { selected.append(index); }
};

QString upperCase(const QString& key)
{
    return key.toUpper();
}

std::unique_ptr<SVSegmentedControl> makeControl(ModeDelegate* delegate)
{
    auto control = std::make_unique<SVSegmentedControl>();
    control->setTranslator(&upperCase);
    control->setDelegate(delegate);
    control->resize(control->width(), 28);
    control->show();
    return control;
}

}  // namespace

TEST(SVSegmentedControlAccessible, IsAPageTabListOfTwoTabsNamedByTheirTitles)
{
    ModeDelegate delegate;
    auto control = makeControl(&delegate);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control.get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::PageTabList);
    ASSERT_EQ(list->childCount(), 2);
    QAccessibleInterface* servo = list->child(0);
    QAccessibleInterface* motor = list->child(1);
    ASSERT_NE(servo, nullptr);
    ASSERT_NE(motor, nullptr);
    EXPECT_EQ(servo->role(), QAccessible::PageTab);
    EXPECT_EQ(servo->text(QAccessible::Name), QStringLiteral("SERVO_MODE"));
    EXPECT_EQ(motor->text(QAccessible::Name), QStringLiteral("MOTOR_MODE"));
    EXPECT_EQ(servo->parent(), list);
    EXPECT_EQ(list->indexOfChild(motor), 1);
    EXPECT_EQ(list->child(1), motor) << "a child keeps its interface";
    EXPECT_TRUE(servo->state().selectable);
    EXPECT_TRUE(servo->state().selected);
    EXPECT_FALSE(motor->state().selected);
    EXPECT_EQ(list->text(QAccessible::Value), QStringLiteral("SERVO_MODE"));

    const QRect motorBox = motor->rect();
    EXPECT_EQ(motorBox.left(), control->mapToGlobal(QPoint(int(control->segmentRect(1).left()), 0)).x());
    EXPECT_EQ(list->childAt(motorBox.center().x(), motorBox.center().y()), motor);
}

TEST(SVSegmentedControlAccessible, PressingATabSelectsItLikeAClick)
{
    ModeDelegate delegate;
    auto control = makeControl(&delegate);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control.get());
    QAccessibleActionInterface* motor = list->child(1)->actionInterface();
    ASSERT_NE(motor, nullptr);
    AccessibilityEventRecorder recorder;

    motor->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(control->index(), 1);
    EXPECT_EQ(delegate.selected, QList<int>{1});
    EXPECT_TRUE(list->child(1)->state().selected);
    const auto selections = recorder.eventsOf(QAccessible::Selection);
    ASSERT_EQ(selections.size(), 1);
    EXPECT_EQ(selections[0].name, QStringLiteral("MOTOR_MODE"));

    motor->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(delegate.selected, QList<int>{1}) << "pressing the selected tab changes nothing";

    control->setEnabled(false);
    list->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(control->index(), 1) << "a disabled control cannot be operated";
}

TEST(SVSegmentedControlAccessible, TabNamesFollowTheLanguage)
{
    ModeDelegate delegate;
    auto control = makeControl(&delegate);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control.get());
    control->setTranslator([](const QString& key) { return key == QLatin1String("servo_mode") ? QStringLiteral("舵机模式") : key; });
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("舵机模式"));
}

TEST(SVSegmentedControlKeyboard, LeftAndRightMoveTheSelectionWithinTheSegments)
{
    ModeDelegate delegate;
    auto control = makeControl(&delegate);
    QTest::keyClick(control.get(), Qt::Key_Right);
    EXPECT_EQ(control->index(), 1);
    QTest::keyClick(control.get(), Qt::Key_Right);
    EXPECT_EQ(control->index(), 1) << "no segment right of the last";
    QTest::keyClick(control.get(), Qt::Key_Left);
    QTest::keyClick(control.get(), Qt::Key_Left);
    EXPECT_EQ(control->index(), 0);
    EXPECT_EQ(delegate.selected, (QList<int>{1, 0})) << "the delegate hears of changes only";
}

TEST(SVSegmentedControlKeyboard, TabReachesTheControlAndItsFocusIsDrawn)
{
    ModeDelegate delegate;
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* control = makeControl(&delegate).release();
    control->setParent(&window);
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(control);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << "the test window never became active";
    field->setFocus();
    const QImage unfocused = control->grab().toImage();
    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(control->hasFocus()) << "Tab should move the focus to the mode control";
    EXPECT_NE(control->grab().toImage(), unfocused) << "the focus should be drawn";

    AccessibilityEventRecorder recorder;
    QTest::keyClick(control, Qt::Key_Right);
    const auto focus = recorder.eventsOf(QAccessible::Focus);
    ASSERT_FALSE(focus.isEmpty()) << "the newly selected tab should be announced as focused";
    EXPECT_EQ(focus.last().name, QStringLiteral("MOTOR_MODE"));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(control)->child(1)->state().focused);
}

#include "SVSegmentedControlAccessibleTest.moc"
