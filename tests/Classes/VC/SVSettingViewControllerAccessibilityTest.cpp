// The window as assistive technology and the keyboard meet it: every control reachable in Qt's
// accessibility tree with its role and a name in the language in force (English, then Simplified
// Chinese after the language toggle), values and actions where a control has them, the motor
// button's name following the power state, and Tab walking the visible page in reading order.
#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"
#include "Tools/SVButton.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTableView>
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/SVTag.h"
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Tools/SVTipPresenter.h"
#include "support/ui/MainWindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using C = SVSettingViewController;

// Every element below root, whether shown or not.
void collect(QAccessibleInterface* root, QSet<QAccessibleInterface*>& found)
{
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (child && !found.contains(child)) {
            found.insert(child);
            collect(child, found);
        }
    }
}

struct Expected {
    QWidget* control;
    QAccessible::Role role;
    QString name;
};

// What each control should be called, with text(key) the text of a key in the language in force.
QList<Expected> expectedControls(C& c, const std::function<QString(const char*)>& text)
{
    const auto A = [](auto* widget) { return static_cast<QWidget*>(widget); };
    return {
        {c.buttonOperator(), QAccessible::Button, text("basic_operation")},
        {c.buttonSetting(), QAccessible::Button, text("args_set")},
        {c.buttonAbout(), QAccessible::Button, text("about_us")},
        {c.viewWithTag(C::TagButtonExit), QAccessible::Button, text("exit_window")},
        {c.viewWithTag(C::TagButtonMinimize), QAccessible::Button, text("minimize_window")},
        {c.buttonWireless(), QAccessible::Button, text("open_com")},
        {c.textIDOperator(), QAccessible::EditableText, QStringLiteral("ID")},
        {c.textID(), QAccessible::EditableText, QStringLiteral("ID")},
        {c.sege(), QAccessible::PageTabList, text("work_mode")},
        {A(c.textDebuggingtime()), QAccessible::EditableText, text("time")},
        {A(c.sliderTime()), QAccessible::Slider, text("time")},
        {A(c.textDebuggingPostion()), QAccessible::EditableText, text("position")},
        {A(c.sliderPostion()), QAccessible::Slider, text("position")},
        {A(c.textSpeed()), QAccessible::EditableText, text("speed")},
        {A(c.sliderSpeed()), QAccessible::Slider, text("speed")},
        {c.buttonMotor(), QAccessible::Button, text("motor_power_off")},
        {A(c.textDeviation()), QAccessible::EditableText, text("deviation_modify")},
        {A(c.sliderDeviation()), QAccessible::Slider, text("deviation_modify")},
        {c.switchLed(), QAccessible::CheckBox, text("led_control")},
        {c.switchOverTemperature(), QAccessible::CheckBox, text("over_heat")},
        {c.switchOverpressure(), QAccessible::CheckBox, text("over_voltage")},
        {c.switchStall(), QAccessible::CheckBox, text("locked_rotor")},
        {c.sliderAngleOne(), QAccessible::Slider, text("angle_maximum")},
        {c.sliderAngleTwo(), QAccessible::Slider, text("angle_minimum")},
        {c.sliderVoltageOne(), QAccessible::Slider, text("voltage_minimum")},
        {c.sliderVoltageTwo(), QAccessible::Slider, text("voltage_maximum")},
        {c.sliderTemperature(), QAccessible::Slider, text("temperature_range_modify")},
        {c.viewWithTag(C::TagButtonDefault), QAccessible::Button, text("default")},
        {c.viewWithTag(C::TagButtonSet), QAccessible::Button, text("set")},
        {c.viewWithTag(C::TagButtonRead), QAccessible::Button, text("read")},
        {c.dash(), QAccessible::ProgressBar, text("current_voltage")},
        {c.dashPostion(), QAccessible::ProgressBar, text("current_position")},
        {c.dashTemperature(), QAccessible::ProgressBar, text("current_temperature")},
        {c.textCurrentVoltage(), QAccessible::StaticText, text("current_voltage")},
        {c.textCurrentPosition(), QAccessible::StaticText, text("current_position")},
        {c.textCurrentTemperature(), QAccessible::StaticText, text("current_temperature")},
        {c.labelOfficialWebsite(), QAccessible::StaticText, text("visit_official_website")},
        {c.labelCourse(), QAccessible::StaticText, text("visit_learn_website")},
        {c.labelOnlineShoppingMall(), QAccessible::StaticText, text("visit_online_store")},
    };
}

// The name of the element that labels widget, or nothing.
QString labelOf(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    const auto labels = accessible->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

// Checks that every control is in the window's tree with its role and name.
void expectNamedControls(MainWindowHarness& window, const QString& code)
{
    const StringsTable table = MainWindowHarness::table(code);
    const auto text = [&table](const char* key) { return table.value(QString::fromLatin1(key)); };
    QSet<QAccessibleInterface*> tree;
    collect(QAccessible::queryAccessibleInterface(window.window()), tree);
    for (const Expected& expected : expectedControls(window.c(), text)) {
        ASSERT_NE(expected.control, nullptr) << qPrintable(expected.name);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(expected.control);
        ASSERT_NE(accessible, nullptr) << qPrintable(expected.name);
        EXPECT_TRUE(tree.contains(accessible)) << qPrintable(expected.name) << " is not in the window's tree";
        EXPECT_EQ(accessible->role(), expected.role) << qPrintable(expected.name);
        EXPECT_FALSE(expected.name.isEmpty()) << "no expected name for a control of role " << expected.role;
        EXPECT_EQ(accessible->text(QAccessible::Name), expected.name) << "in " << qPrintable(code);
    }
    QAccessibleInterface* modes = QAccessible::queryAccessibleInterface(window.c().sege());
    ASSERT_EQ(modes->childCount(), 2);
    EXPECT_EQ(modes->child(0)->text(QAccessible::Name), text("servo_mode"));
    EXPECT_EQ(modes->child(1)->text(QAccessible::Name), text("motor_mode"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window.c().buttonLanguage())->text(QAccessible::Description),
              text("language"));
    // The lists are named by their choice, as lists are here; their captions label them.
    EXPECT_EQ(labelOf(window.c().boxBps()), text("baudrate"));
    EXPECT_EQ(labelOf(window.c().boxCOM()), QStringLiteral("COM:"));
}

// The chain of focus Tab walks from first, until it comes back to first (at most limit steps).
QList<QWidget*> tabWalk(QWidget* first, int limit = 80)
{
    first->setFocus(Qt::TabFocusReason);
    QList<QWidget*> walked{QApplication::focusWidget()};
    for (int i = 0; i < limit; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (now == first)
            break;
        if (now != walked.last())  // a label with links takes Tab once more to reach its link
            walked.append(now);
    }
    return walked;
}

// Readable names of widgets for comparing focus chains: class and accessible name.
std::vector<std::string> described(const QList<QWidget*>& widgets)
{
    std::vector<std::string> names;
    for (QWidget* widget : widgets) {
        QAccessibleInterface* accessible = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
        names.push_back(widget ? QStringLiteral("%1 '%2'")
                                     .arg(QString::fromLatin1(widget->metaObject()->className()),
                                          accessible ? accessible->text(QAccessible::Name) : QString())
                                     .toStdString()
                               : std::string("(none)"));
    }
    return names;
}

// Records the message boxes instead of running them.
class TipRecorder : public SVTipPresenter {
public:
    TipRecorder() : m_previous(SVTipPresenter::install(this)) { }
    ~TipRecorder() override { SVTipPresenter::install(m_previous == this ? nullptr : m_previous); }
    void present(ModeWindow& window) override { messages.append(window.message()->text()); }
    QStringList messages;

private:
    SVTipPresenter* m_previous;
};

class WindowAccessibility : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.start()) << "the window did not finish starting";
        QApplication::setActiveWindow(window.window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.window())) << "the window never became active";
    }
    MainWindowHarness window;
    TipRecorder tips;
};

}  // namespace

TEST_F(WindowAccessibility, EveryControlIsNamedInEnglishThenInChineseAfterTheToggle)
{
    {
        SCOPED_TRACE("English");
        expectNamedControls(window, QStringLiteral("en"));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(window.c().buttonLanguage())->text(QAccessible::Name),
                  QStringLiteral("中文")) << "the toggle is named by the language it switches to";
    }
    window.c().toggleLanguage();
    {
        SCOPED_TRACE("Simplified Chinese");
        expectNamedControls(window, QStringLiteral("zh-Hans"));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(window.c().buttonLanguage())->text(QAccessible::Name),
                  QStringLiteral("English"));
    }
}

TEST_F(WindowAccessibility, ValuesStatesAndActionsOfEachKindOfControl)
{
    C& c = window.c();
    QAccessibleValueInterface* voltageMax = QAccessible::queryAccessibleInterface(c.sliderVoltageTwo())->valueInterface();
    ASSERT_NE(voltageMax, nullptr);
    EXPECT_DOUBLE_EQ(voltageMax->currentValue().toDouble(), c.sliderVoltageTwo()->value());
    EXPECT_DOUBLE_EQ(voltageMax->minimumValue().toDouble(), 4.6);
    EXPECT_DOUBLE_EQ(voltageMax->maximumValue().toDouble(), 14);

    // Setting a slider acts as a drag: the window's slider action follows it to its field.
    QSignalSpy sliderActions(c.sliderTime(), &SVSlider::actionSent);
    QAccessible::queryAccessibleInterface(c.sliderTime())->valueInterface()->setCurrentValue(1500);
    EXPECT_EQ(sliderActions.size(), 1);
    EXPECT_EQ(c.textDebuggingtime()->text(), QStringLiteral("1500"));

    EXPECT_TRUE(QAccessible::queryAccessibleInterface(c.switchLed())->state().checked);
    QAccessible::queryAccessibleInterface(c.switchStall())->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(c.switchStall()->checked());

    c.dash()->progress(7.5);
    EXPECT_DOUBLE_EQ(QAccessible::queryAccessibleInterface(c.dash())->valueInterface()->currentValue().toDouble(), 7.5);
    c.textCurrentVoltage()->setText(QStringLiteral("7.5V"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(c.textCurrentVoltage())->text(QAccessible::Value), QStringLiteral("7.5V"));

    // Selecting the motor-mode tab acts as a click: the speed controls come up.
    QAccessible::queryAccessibleInterface(c.sege())->child(1)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(c.viewMotorSpeed()->isVisible());

    // Pressing a page tab acts as a click: its page comes up.
    QAccessible::queryAccessibleInterface(c.buttonSetting())
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return c.viewSetting()->isVisible(); })) << "the press did not reach the window";

    // Pressing "Read" with no port open gives the tip that asks for one.
    QAccessible::queryAccessibleInterface(c.viewWithTag(C::TagButtonRead))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tips.messages.isEmpty(); })) << "the press did not reach the window";
    EXPECT_EQ(tips.messages.value(0), C::localized(QStringLiteral("connect_tips")));
}

TEST_F(WindowAccessibility, MotorButtonNameFollowsThePowerStateReadBack)
{
    C& c = window.c();
    QAccessibleInterface* motor = QAccessible::queryAccessibleInterface(c.buttonMotor());
    const QString on = C::localized(QStringLiteral("motor_power_on"));
    const QString off = C::localized(QStringLiteral("motor_power_off"));
    EXPECT_EQ(motor->text(QAccessible::Name), off);
    c.solveDidRecvData({"85", "85", "1", "4", "32", "0"}, 32);  // power read back: on
    EXPECT_EQ(motor->text(QAccessible::Name), on);
    c.toggleLanguage();
    EXPECT_EQ(motor->text(QAccessible::Name), C::localized(QStringLiteral("motor_power_on")));
    EXPECT_NE(motor->text(QAccessible::Name), on) << "the name follows the language too";
    c.solveDidRecvData({"85", "85", "1", "4", "32", "1"}, 32);  // off
    EXPECT_EQ(motor->text(QAccessible::Name), C::localized(QStringLiteral("motor_power_off")));
}

TEST_F(WindowAccessibility, TabWalksTheVisiblePageInReadingOrder)
{
    C& c = window.c();
    EXPECT_EQ(QApplication::focusWidget(), c.boxCOM()) << "the keyboard starts at the port list";
    const QImage focusedList = c.boxCOM()->grab().toImage();
    c.textIDOperator()->setFocus();
    EXPECT_NE(c.boxCOM()->grab().toImage(), focusedList) << "the list's focus should be drawn";
    QWidget* minimize = c.viewWithTag(C::TagButtonMinimize);
    QWidget* exit = c.viewWithTag(C::TagButtonExit);
    QList<QWidget*> top{minimize, exit, c.buttonOperator(), c.buttonSetting(), c.buttonRobot(), c.buttonMotion(), c.buttonAbout(), c.buttonLanguage()};
    if (c.buttonWireless()->isEnabled())  // disabled while no port is chosen, and then passed over
        top.append(c.buttonWireless());
    top += {c.boxBps(), c.boxCOM()};

    const QList<QWidget*> servoMode{c.textIDOperator(), c.sege(), c.textDebuggingtime(), c.sliderTime(),
                                    c.textDebuggingPostion(), c.sliderPostion(), c.buttonMotor()};
    EXPECT_EQ(described(tabWalk(minimize)), described(top + servoMode)) << "basic operation page, servo mode";

    c.sege()->selectSegment(1);
    const QList<QWidget*> motorMode{c.textIDOperator(), c.sege(), c.textSpeed(), c.sliderSpeed(), c.buttonMotor()};
    EXPECT_EQ(described(tabWalk(minimize)), described(top + motorMode))
        << "motor mode: the covered time and position controls are passed over";
    c.sege()->selectSegment(0);
    EXPECT_EQ(described(tabWalk(minimize)), described(top + servoMode)) << "back in servo mode";

    c.showSettingPage();
    const QList<QWidget*> parameters{c.textID(), c.textDeviation(), c.sliderDeviation(), c.switchLed(),
        c.switchOverTemperature(), c.switchOverpressure(), c.switchStall(), c.sliderAngleOne(), c.sliderAngleTwo(),
        c.sliderVoltageOne(), c.sliderVoltageTwo(), c.sliderTemperature(), c.viewWithTag(C::TagButtonRead),
        c.viewWithTag(C::TagButtonSet), c.viewWithTag(C::TagButtonDefault)};
    EXPECT_EQ(described(tabWalk(minimize)), described(top + parameters)) << "parameter page";

    c.showMotionPage();
    const MotionPage* m = c.viewMotion();
    const QList<QWidget*> motion{m->servoView(), m->sequenceView(), m->buttonOpen(), m->buttonSave(), m->loopsBox(),
                                 m->untilStoppedBox(), m->speedBox()};
    EXPECT_EQ(described(tabWalk(minimize)), described(top + motion)) << "motion page without a port: what cannot act is passed over";

    c.showRobotPage();
    const RobotPage* r = c.viewRobot();
    const QList<QWidget*> robot{r->marginBox(), r->buttonOpen(), r->table()};
    EXPECT_EQ(described(tabWalk(minimize)), described(top + robot)) << "robot page without a port: what cannot act is passed over";

    c.showAboutPage();
    const QList<QWidget*> about{c.labelOfficialWebsite(), c.labelCourse(), c.labelOnlineShoppingMall()};
    EXPECT_EQ(described(tabWalk(minimize)), described(top + about)) << "about page";
}
