// Page panels and group boxes: colours by type, the group title's place, and the shadow that follows
// its panel.
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/Background/SVPanelShadow.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/SVLayout.h"

#include <QTest>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

SVPanelShadow* shadowOf(QWidget* panel)
{
    for (auto* shadow : panel->parentWidget()->findChildren<SVPanelShadow*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (shadow->geometry() == SVPanelShadow::shadowRect(panel->geometry(), SVPanelShadow::defaultOffset, 2))
            return shadow;
    }
    return nullptr;
}

QColor pixel(QWidget* view, QPoint at)
{
    const QImage image = view->grab().toImage();
    return image.pixelColor(at * image.devicePixelRatio());
}

TEST(SVBackGroundView, TypeChoosesColourAndShadow)
{
    QWidget page;
    page.resize(400, 300);
    SVBackGroundView plain(1, &page);
    SVBackGroundView grey(5, &page);
    plain.setGeometry(10, 10, 100, 100);
    grey.setGeometry(150, 10, 100, 100);
    EXPECT_EQ(pixel(&plain, QPoint(50, 50)), QColor(255, 255, 255));
    EXPECT_EQ(pixel(&grey, QPoint(50, 50)), QColor(232, 232, 232));
    EXPECT_EQ(page.findChildren<SVPanelShadow*>().size(), 0);

    auto* shadowed = new SVBackGroundView(2, &page);
    shadowed->setGeometry(20, 150, 100, 100);
    EXPECT_EQ(pixel(shadowed, QPoint(50, 50)), QColor(255, 255, 255));
    EXPECT_NE(shadowOf(shadowed), nullptr);
    shadowed->setType(0);
    EXPECT_EQ(shadowOf(shadowed), nullptr);
}

TEST(SVPanelShadow, FollowsItsPanelsPlaceVisibilityAndLifetime)
{
    QWidget page;
    page.resize(400, 300);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto* panel = new SVToolView;  // built before it has a parent, as the pages do
    panel->setParent(&page);
    panel->show();
    SVLayout::place(panel).frame(10, 10, 190, 95);
    SVPanelShadow* shadow = shadowOf(panel);
    ASSERT_NE(shadow, nullptr);
    EXPECT_TRUE(shadow->isVisible());
    // Offset 1 right and 1 down, blur 2.
    EXPECT_EQ(shadow->geometry(), panel->geometry().adjusted(-1, -1, 3, 3));

    panel->hide();
    EXPECT_FALSE(shadow->isVisible());
    panel->show();
    panel->move(50, 60);
    EXPECT_EQ(shadow->geometry(), panel->geometry().adjusted(-1, -1, 3, 3));
    EXPECT_TRUE(shadow->isVisible());

    QPointer<SVPanelShadow> watch(shadow);
    delete panel;
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.isNull(); }, 2000)) << "timed out waiting for: watch.isNull()";
}

// The pages are built, placed and the hidden ones hidden before the window is first shown; their
// shadows must neither show nor keep a default size over the window.
TEST(SVPanelShadow, PanelHiddenBeforeTheWindowShowsKeepsItsShadowHidden)
{
    QWidget window;
    window.resize(400, 300);
    auto* hiddenPage = new SVBackGroundView(2, &window);
    SVLayout::place(hiddenPage).frame(10, 10, 150, 100);
    hiddenPage->hide();
    auto* shownPage = new SVBackGroundView(2, &window);
    SVLayout::place(shownPage).frame(200, 10, 150, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const auto shadows = window.findChildren<SVPanelShadow*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_EQ(shadows.size(), 2);
    for (SVPanelShadow* shadow : shadows) {
        if (shadow->isVisible()) {
            EXPECT_EQ(shadow->geometry(), shownPage->geometry().adjusted(-1, -1, 3, 3));
        }
    }
    EXPECT_EQ(std::count_if(shadows.begin(), shadows.end(), [](QWidget* w) { return w->isVisible(); }), 1);

    hiddenPage->show();
    EXPECT_NE(shadowOf(hiddenPage), nullptr);
    EXPECT_TRUE(shadowOf(hiddenPage)->isVisible());
}

TEST(SVToolView, TitleSpansTheBoxTenBelowItsTop)
{
    QWidget page;
    page.resize(400, 300);
    page.show();
    SVToolView panel(&page);
    panel.show();
    panel.resize(230, 110);
    QLabel* title = panel.lableTitle();
    EXPECT_EQ(title->text(), "ID");
    EXPECT_EQ(title->font().pixelSize(), 18);
    EXPECT_EQ(title->alignment(), Qt::AlignCenter);
    EXPECT_EQ(title->geometry().topLeft(), QPoint(0, 10));
    EXPECT_EQ(title->width(), 230);
    panel.resize(300, 200);
    EXPECT_EQ(title->geometry().topLeft(), QPoint(0, 10));  // the title follows every resize
    EXPECT_EQ(title->width(), 300);
    EXPECT_EQ(pixel(&panel, QPoint(150, 100)), QColor(232, 232, 232));
}

}  // namespace
