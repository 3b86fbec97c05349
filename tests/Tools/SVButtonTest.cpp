// Push buttons: title colour by tag, hover and the "confirm" title; hover reactions under real
// pointer events; the factories' buttons and labels.
#include "Tools/SVButton.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTag.h"
#include "Tools/ViewInit.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class ButtonWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 200);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << "the test window never became active";
        QTest::mouseMove(&window, QPoint(290, 190));
    }
    void TearDown() override { SVLocalized::setLookup({}); }

    SVButton* addButton(int tag, const QString& title = QStringLiteral("Open"))
    {
        SVButton* button = buttonWithTitle(title, tag, &window);
        button->setGeometry(20, 20, 100, 30);
        button->show();
        return button;
    }
    void hover(QWidget* button) { QTest::mouseMove(button, button->rect().center()); }
    void leave() { QTest::mouseMove(&window, QPoint(290, 190)); }

    QWidget window;
};

TEST(SVButtonTitleColor, FollowsTagHoverAndConfirm)
{
    EXPECT_EQ(SVButton::titleColorFor(3000, false, "Open"), SVButton::darkText());
    EXPECT_EQ(SVButton::titleColorFor(3000, true, "Open"), SVButton::white());
    EXPECT_EQ(SVButton::titleColorFor(6001, false, "Basic"), SVButton::white());
    EXPECT_EQ(SVButton::titleColorFor(6001, true, "Basic"), SVButton::darkText());
    EXPECT_EQ(SVButton::titleColorFor(0, false, "confirm"), SVButton::darkText());
    EXPECT_EQ(SVButton::titleColorFor(3000, true, "confirm"), SVButton::darkText());
}

TEST(SVButtonTitleColor, ConfirmIsMatchedInTheLanguageInForce)
{
    SVLocalized::setLookup([](const QString& key) { return key == "confirm" ? QStringLiteral("确定") : key; });
    EXPECT_EQ(SVButton::titleColorFor(6001, false, QStringLiteral("确定")), SVButton::darkText());
    EXPECT_EQ(SVButton::titleColorFor(6001, false, QStringLiteral("confirm")), SVButton::white());
    SVLocalized::setLookup({});
}

TEST_F(ButtonWindow, OpenCloseButtonSwapsToWhiteOnOrangeWhileHovered)
{
    SVButton* button = addButton(3000);
    EXPECT_EQ(button->titleColor(), SVButton::darkText());
    EXPECT_EQ(button->backgroundColor(), SVButton::white());

    hover(button);
    EXPECT_TRUE(button->touch());
    EXPECT_EQ(button->titleColor(), SVButton::white());
    EXPECT_EQ(button->backgroundColor(), SVButton::hoverOrange());

    leave();
    EXPECT_FALSE(button->touch());
    EXPECT_EQ(button->titleColor(), SVButton::darkText());
    EXPECT_EQ(button->backgroundColor(), SVButton::white());
}

TEST(SVButton, TagGivenAfterTheTitleStillChoosesTheColour)
{
    SVButton button;
    button.setTitle(QStringLiteral("Open"));
    EXPECT_EQ(button.titleColor(), SVButton::white());
    setTag(&button, 3000);
    EXPECT_EQ(button.titleColor(), SVButton::darkText());
}

TEST_F(ButtonWindow, OtherButtonsTurnDarkWhileHoveredAndKeepTheirBackground)
{
    SVButton* button = addButton(6002);
    EXPECT_EQ(button->titleColor(), SVButton::white());
    hover(button);
    EXPECT_EQ(button->titleColor(), SVButton::darkText());
    EXPECT_EQ(button->backgroundColor(), SVButton::white());
    leave();
    EXPECT_EQ(button->titleColor(), SVButton::white());
}

TEST_F(ButtonWindow, ConfirmTitleStaysDarkWhileHovered)
{
    SVButton* button = addButton(0, QStringLiteral("confirm"));
    EXPECT_EQ(button->titleColor(), SVButton::darkText());
    hover(button);
    EXPECT_EQ(button->titleColor(), SVButton::darkText());
}

TEST_F(ButtonWindow, DisabledButtonIgnoresHover)
{
    SVButton* button = addButton(3000);
    button->setEnabled(false);
    hover(button);
    EXPECT_FALSE(button->touch());
    EXPECT_EQ(button->titleColor(), SVButton::darkText());
    EXPECT_EQ(button->backgroundColor(), SVButton::white());
}

TEST_F(ButtonWindow, ImageButtonDimsInsteadOfRecolouring)
{
    SVButton* button = addButton(5003);
    button->setImageButton(true);
    hover(button);
    EXPECT_DOUBLE_EQ(button->opacity(), 0.8);
    EXPECT_FALSE(button->touch());
    EXPECT_EQ(button->titleColor(), SVButton::white());
    leave();
    EXPECT_DOUBLE_EQ(button->opacity(), 1.0);
}

TEST_F(ButtonWindow, MotorButtonGetsABorderWhileHoveredWithoutAllowTouch)
{
    auto* button = new SVButton(&window);
    setTag(button, 4001);
    button->setGeometry(20, 20, 80, 80);
    button->show();
    hover(button);
    EXPECT_EQ(button->borderWidth(), 3);
    leave();
    EXPECT_EQ(button->borderWidth(), 0);
}

TEST_F(ButtonWindow, ClickReportsTheSenderWithItsTag)
{
    SVButton* button = addButton(6003);
    QSignalSpy spy(button, &SVButton::actionSent);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    QObject* sender = spy.at(0).at(0).value<QObject*>();
    EXPECT_EQ(sender, button);
    EXPECT_EQ(tagOf(sender), 6003);
}

TEST(ViewInit, FactoriesBuildTheCommonLook)
{
    QWidget parent;
    struct Receiver : QObject {
        QList<int> tags;
        void buttonClick(QObject* sender) { tags.append(tagOf(sender)); }
    } receiver;

    SVButton* button = buttonWithTitle(QStringLiteral("Open"), &receiver, &Receiver::buttonClick, 3000, &parent);
    EXPECT_EQ(button->parentWidget(), &parent);
    EXPECT_TRUE(button->allowTouch());
    EXPECT_FALSE(button->imageButton());
    EXPECT_EQ(button->backgroundColor(), SVButton::white());
    EXPECT_EQ(button->cornerRadius(), 5);
    EXPECT_EQ(button->title(), "Open");
    button->click();
    EXPECT_EQ(receiver.tags, QList<int> { 3000 });

    QLabel* label = labelWithString(QStringLiteral("ID:"), &parent);
    EXPECT_EQ(label->parentWidget(), &parent);
    EXPECT_EQ(label->text(), "ID:");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), SVButton::labelGrey());
    EXPECT_EQ(label->font().pixelSize(), 13);
    EXPECT_EQ(labelWithString(QStringLiteral("free"))->parentWidget(), nullptr);
}

}  // namespace
