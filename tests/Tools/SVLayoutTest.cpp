// The anchor layout: rules measured from the lower left, resolved in placement order, again on
// every resize and when a view's preferred size changes.
#include "Tools/SVLayout.h"
#include "Tools/ViewInit.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using L = SVLayout;

TEST(SVLayoutSolveAxis, PicksSizeThenPosition)
{
    auto span = L::solveAxis(10, 50, std::nullopt, std::nullopt, 99, 0);
    EXPECT_DOUBLE_EQ(span.low, 10);
    EXPECT_DOUBLE_EQ(span.size, 40);
    span = L::solveAxis(std::nullopt, 50, std::nullopt, 20, 99, 0);
    EXPECT_DOUBLE_EQ(span.low, 30);
    span = L::solveAxis(std::nullopt, std::nullopt, 100, std::nullopt, 30, 0);  // size from the hint
    EXPECT_DOUBLE_EQ(span.low, 85);
    EXPECT_DOUBLE_EQ(span.size, 30);
    span = L::solveAxis(std::nullopt, std::nullopt, std::nullopt, 20, 99, 7);  // position kept
    EXPECT_DOUBLE_EQ(span.low, 7);
}

TEST(SVLayout, FrameIsMeasuredFromTheLowerLeft)
{
    QWidget panel;
    panel.resize(230, 110);
    panel.show();  // a hidden window gets its resize events only when shown
    QWidget* label = new QWidget(&panel);
    L::place(label).frame(20, 30, 30, 15);
    EXPECT_EQ(label->geometry(), QRect(20, 110 - 30 - 15, 30, 15));

    panel.resize(230, 200);  // a taller panel keeps the label at the same height above its bottom
    EXPECT_EQ(label->geometry(), QRect(20, 200 - 45, 30, 15));
}

TEST(SVLayout, ResolvesChainsOfSiblingsInPlacementOrder)
{
    QWidget view;
    view.resize(1000, 700);
    view.show();
    auto* top = new QWidget(&view);
    auto* left = new QWidget(&view);
    auto* page = new QWidget(&view);
    L::place(top).left(L::leftOf(&view)).right(L::rightOf(&view)).top(L::topOf(&view)).height(94);
    L::place(left).left(L::leftOf(&view), 5).width(190).top(L::bottomOf(top), -10).height(95);
    L::place(page)
        .top(L::bottomOf(top), -10)
        .right(L::rightOf(&view), -5)
        .left(L::rightOf(left), 5)
        .bottom(L::bottomOf(&view), 10);
    EXPECT_EQ(top->geometry(), QRect(0, 0, 1000, 94));
    EXPECT_EQ(left->geometry(), QRect(5, 104, 190, 95));
    EXPECT_EQ(page->geometry(), QRect(200, 104, 795, 700 - 10 - 104));

    view.resize(1200, 800);
    EXPECT_EQ(top->geometry(), QRect(0, 0, 1200, 94));
    EXPECT_EQ(page->geometry(), QRect(200, 104, 995, 800 - 10 - 104));
}

TEST(SVLayout, CentresAndMatchesOtherViews)
{
    QWidget panel;
    panel.resize(230, 250);
    auto* sege = new QWidget(&panel);
    auto* field = new QWidget(&panel);
    auto* caption = new QWidget(&panel);
    auto* slider = new QWidget(&panel);
    L::place(sege).top(L::topOf(&panel), -45).centerX(L::centerXOf(&panel)).size(200, 26);
    L::place(field).top(L::bottomOf(sege), -50).left(L::leftOf(sege)).size(50, 20);
    L::place(caption).bottom(L::topOf(field), 5).centerX(L::centerXOf(field)).height(20).width(40);
    L::place(slider).left(L::rightOf(field), 20).right(L::rightOf(sege)).height(40).centerY(L::centerYOf(field));
    EXPECT_EQ(sege->geometry(), QRect(15, 45, 200, 26));
    EXPECT_EQ(field->geometry(), QRect(15, 121, 50, 20));
    EXPECT_EQ(caption->geometry(), QRect(20, 96, 40, 20));
    EXPECT_EQ(slider->geometry(), QRect(85, 111, 130, 40));
}

TEST(SVLayout, SizeWithoutARuleFollowsTheTitle)
{
    QWidget bar;
    bar.resize(600, 94);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    SVButton* language = buttonWithTitle(QStringLiteral("中文"), 6004, &bar);
    SVButton* about = buttonWithTitle(QStringLiteral("About us"), 6003, &bar);
    language->show();
    about->show();
    L::place(language).right(L::rightOf(&bar), -60).bottom(L::bottomOf(&bar), 5).height(20);
    L::place(about).centerY(L::centerYOf(language)).right(L::leftOf(language), -40).height(20);
    EXPECT_EQ(language->width(), language->sizeHint().width());
    EXPECT_EQ(language->geometry().right() + 1, 540);
    EXPECT_EQ(language->geometry().bottom() + 1, 89);
    EXPECT_EQ(about->geometry().right() + 1, language->x() - 40);

    // A longer title asks for a new size; the row follows without a resize of the bar.
    language->setTitle(QStringLiteral("A much longer language name"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return language->width() == language->sizeHint().width(); }, 2000)) << "timed out waiting for the new size";
    EXPECT_EQ(language->geometry().right() + 1, 540);
    EXPECT_EQ(about->geometry().right() + 1, language->x() - 40);
}

TEST(SVLayout, ALaterRuleReplacesTheEarlierOneAndDeletedAnchorsAreDropped)
{
    QWidget panel;
    panel.resize(200, 100);
    auto* anchor = new QWidget(&panel);
    auto* view = new QWidget(&panel);
    L::place(anchor).frame(10, 10, 50, 20);
    L::place(view).left(L::rightOf(anchor), 5).bottom(L::bottomOf(&panel)).size(30, 30);
    EXPECT_EQ(view->x(), 65);
    L::place(view).left(L::leftOf(&panel), 1);
    EXPECT_EQ(view->x(), 1);
    L::place(view).left(L::rightOf(anchor), 5);
    delete anchor;
    panel.resize(300, 100);
    SVLayout::relayout(&panel);  // no crash; the view keeps its place
    EXPECT_EQ(view->x(), 65);
    EXPECT_EQ(view->y(), 70);
}

}  // namespace
