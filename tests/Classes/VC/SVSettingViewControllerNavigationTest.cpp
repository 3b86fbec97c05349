// The page tabs and the window buttons of the top bar, pressed with the pointer and with no port open.
#include "support/ui/MainWindowHarness.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class NavigationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.start()) << "the window did not finish starting";
        ASSERT_EQ(h.c().serialPort(), nullptr) << "these tests run with no port chosen";
    }

    // Which of basic, parameters, about is visible.
    std::array<bool, 3> pagesShown()
    {
        return { h.c().viewBasicOperation()->isVisible(), h.c().viewSetting()->isVisible(),
            h.c().viewAbout()->isVisible() };
    }

    MainWindowHarness h;
};

TEST_F(NavigationTest, EachTabShowsItsPageAloneAndPressingItAgainChangesNothing)
{
    SVSettingViewController& c = h.c();
    const QList<std::pair<SVButton*, std::array<bool, 3>>> presses = {
        { c.buttonSetting(), { false, true, false } },
        { c.buttonSetting(), { false, true, false } },
        { c.buttonAbout(), { false, false, true } },
        { c.buttonAbout(), { false, false, true } },
        { c.buttonOperator(), { true, false, false } },
        { c.buttonOperator(), { true, false, false } },
    };
    for (const auto& [tab, expected] : presses) {
        SCOPED_TRACE(qPrintable(tab->title()));
        const QString title = tab->title();
        const QRect place = tab->geometry();
        QTest::mouseClick(tab, Qt::LeftButton);
        EXPECT_EQ(pagesShown(), expected);
        EXPECT_EQ(tab->title(), title) << "a tab changed its own look";
        EXPECT_EQ(tab->geometry(), place);
    }
}

TEST_F(NavigationTest, HiddenPageKeepsItsValues)
{
    SVSettingViewController& c = h.c();
    c.textIDOperator()->setText(QStringLiteral("7"));
    QTest::mouseClick(c.buttonSetting(), Qt::LeftButton);
    c.textID()->setText(QStringLiteral("12"));
    QTest::mouseClick(c.buttonOperator(), Qt::LeftButton);
    EXPECT_EQ(c.textIDOperator()->text(), "7");
    EXPECT_EQ(c.textID()->text(), "12");
}

TEST_F(NavigationTest, MinimizeButtonMinimizesTheWindow)
{
    QTest::mouseClick(h.c().viewWithTag(SVSettingViewController::TagButtonMinimize), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return h.window()->isMinimized(); })) << "the window was not minimized";
}

TEST_F(NavigationTest, ExitButtonClosesTheWindow)
{
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);  // the test program goes on
    QTest::mouseClick(h.c().viewWithTag(SVSettingViewController::TagButtonExit), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !h.window()->isVisible(); })) << "the window is still open";
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
}

} // namespace
