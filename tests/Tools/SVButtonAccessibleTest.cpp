// Push buttons as assistive technology and the keyboard see them: a button named by its shown title
// (or the name the window gives it), a press action that clicks once, Tab to reach it, Space and
// Enter to press it, the focus drawn.
#include "Tools/SVButton.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTag.h"
#include "Tools/ViewInit.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

class Lookup : public ::testing::Test {
protected:
    void TearDown() override { SVLocalized::setLookup({}); }
};

QIcon squareIcon()
{
    QPixmap icon(24, 24);
    icon.fill(Qt::blue);
    return QIcon(icon);
}

// A window with a text field followed by the given button, active, with the focus in the field.
class FocusWindow {
public:
    explicit FocusWindow(SVButton* button)
        : field(new QLineEdit(&window))
    {
        button->setParent(&window);
        button->setFixedSize(100, 30);
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(field);
        layout->addWidget(button);
        window.show();
        QApplication::setActiveWindow(&window);
        active = QTest::qWaitForWindowActive(&window);
        field->setFocus();
    }
    QWidget window;
    QLineEdit* field;
    bool active = false;
};

}  // namespace

TEST_F(Lookup, TextButtonIsAButtonNamedByItsTitleUnlessTheWindowNamesIt)
{
    std::unique_ptr<SVButton> button(buttonWithTitle(QStringLiteral("Open"), 3000));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button.get());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Open"));

    button->setTitle(QStringLiteral("Close"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Close"));

    button->setAccessibleName(QStringLiteral("Port"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Port"));
}

TEST_F(Lookup, ImageTitleButtonIsNamedByItsTitleInTheLanguageInForce)
{
    SVImageTitleButton button(QStringLiteral("read"), squareIcon(), 5003);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    SVLocalized::setLookup([](const QString& key) { return key == "read" ? QStringLiteral("Read") : key; });
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Read"));
    SVLocalized::setLookup([](const QString& key) { return key == "read" ? QStringLiteral("读取") : key; });
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("读取"));

    AccessibilityEventRecorder recorder;
    button.setMyTitle(QStringLiteral("set"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("set"));
    EXPECT_GE(recorder.indexOf(QAccessible::NameChanged, &button), 0) << "a new title key is announced";
}

TEST_F(Lookup, ImageButtonWithoutTitleTakesTheNameTheWindowGives)
{
    SVButton button;
    button.setImage(squareIcon());
    setTag(&button, 9001);
    button.setAccessibleName(QStringLiteral("Exit"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Exit"));
}

TEST(SVButtonAccessible, PressClicksOnceJustAfterTheRequestReturns)
{
    SVImageTitleButton button(QStringLiteral("read"), squareIcon(), 5003);
    QSignalSpy actions(&button, &SVButton::actionSent);
    QAccessibleActionInterface* action = QAccessible::queryAccessibleInterface(&button)->actionInterface();
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->actionNames().value(0), QAccessibleActionInterface::pressAction());

    action->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(actions.size(), 0) << "the click waits until the request has returned";
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() == 1; }, 2000)) << "the press never clicked";
    EXPECT_EQ(actions.first().first().value<QObject*>(), &button);
    QTest::qWait(50);
    EXPECT_EQ(actions.size(), 1);

    button.setEnabled(false);
    action->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(50);
    EXPECT_EQ(actions.size(), 1) << "a disabled button is not pressed";
}

TEST(SVButtonKeyboard, SpaceAndEnterPressTheFocusedButton)
{
    auto* button = buttonWithTitle(QStringLiteral("Open"), 3000);
    FocusWindow window(button);
    ASSERT_TRUE(window.active) << "the test window never became active";
    QSignalSpy actions(button, &SVButton::actionSent);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(actions.size(), 1);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter);
    EXPECT_EQ(actions.size(), 3);
}

TEST(SVButtonKeyboard, TabReachesTheButtonAClickDoesNotAndTabsFocusIsDrawn)
{
    auto* button = buttonWithTitle(QStringLiteral("Open"), 3000);
    FocusWindow window(button);
    ASSERT_TRUE(window.active) << "the test window never became active";
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(window.field->hasFocus()) << "a click leaves the focus where it was";
    const QImage unfocused = button->grab().toImage();

    button->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(button->grab().toImage(), unfocused) << "a focus the program gives shows no ring";

    window.field->setFocus();
    QTest::keyClick(window.field, Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus()) << "Tab should move the focus to the button";
    EXPECT_NE(button->grab().toImage(), unfocused) << "the focus Tab brings should be drawn";
}
