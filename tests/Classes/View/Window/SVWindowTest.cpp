#include "Classes/View/Window/SVWindow.h"
#include "Classes/View/Window/SVWindowView.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown window with a content view: a plain panel holding a button, as the pages are built.
struct ShownWindow {
    SVWindow window;
    QWidget* content = new QWidget;
    QPushButton* button = new QPushButton("button", content);

    ShownWindow()
    {
        button->setGeometry(300, 300, 80, 30);
        window.setContentView(content);
        window.setMovableByWindowBackground(true);
        window.setGeometry(100, 100, 600, 500);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window)) << "the window was never shown";
    }

    // Presses at `from` (window coordinates), moves the pointer by `delta` on the screen and
    // releases it there, wherever the window has gone in the meantime.
    void drag(QPoint from, QPoint delta)
    {
        QWindow* handle = window.windowHandle();
        const QPoint screenTarget = window.mapToGlobal(from + delta);
        QTest::mousePress(handle, Qt::LeftButton, {}, from);
        QTest::mouseMove(handle, from + delta);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, window.mapFromGlobal(screenTarget));
    }
};

TEST(SVWindowTest, IsABorderlessWhiteWindowThatCanBeActiveAndResized)
{
    SVWindow window;
    EXPECT_TRUE(window.isWindow());
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground)) << "corners must be see-through";
    EXPECT_EQ(SVWindow::backgroundColor(), QColor(Qt::white));
    EXPECT_TRUE(window.canBecomeKeyWindow());
    EXPECT_TRUE(window.canBecomeMainWindow());
    EXPECT_NE(window.minimumSize(), window.maximumSize()) << "resizable";
    EXPECT_FALSE(window.isMovableByWindowBackground()) << "off until the application turns it on";

    // The background view fills the window and is painted grey with rounded corners, which stay
    // transparent.
    window.resize(200, 100);
    const QImage image = window.grab().toImage();
    EXPECT_EQ(image.pixelColor(100, 50), SVWindowView::backgroundColor());
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(199, 99).alpha(), 0);
}

TEST(SVWindowTest, ContentViewFillsTheWindowAndReplacingItDeletesTheOldOne)
{
    SVWindow window;
    window.resize(400, 300);
    QPointer<QWidget> first = new QWidget;
    window.setContentView(first);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(first->window(), &window);
    EXPECT_EQ(first->mapTo(&window, QPoint(0, 0)), QPoint(0, 0));
    EXPECT_EQ(first->size(), window.size());

    auto* second = new QWidget;
    window.setContentView(second);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(window.contentView(), second);
    EXPECT_TRUE(QTest::qWaitFor([&] { return second->size() == window.size(); }))
        << "the new content view does not fill the window";
}

TEST(SVWindowTest, ResizeEdgesAreTheBandsAlongTheBorder)
{
    const QSize size(600, 400);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 300, 200 }, size), Qt::Edges());
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 5, 5 }, size), Qt::Edges());
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 0, 200 }, size), Qt::LeftEdge);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 4, 200 }, size), Qt::LeftEdge);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 595, 200 }, size), Qt::RightEdge);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 300, 0 }, size), Qt::TopEdge);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 300, 399 }, size), Qt::BottomEdge);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 0, 0 }, size), Qt::LeftEdge | Qt::TopEdge);
    EXPECT_EQ(SVWindow::resizeEdgesAt({ 599, 399 }, size), Qt::RightEdge | Qt::BottomEdge);
}

TEST(SVWindowTest, DraggingTheBackgroundMovesTheWindow)
{
    ShownWindow shown;
    const QPoint start = shown.window.pos();
    shown.drag({ 100, 100 }, { 50, 30 }); // on the content's plain background
    EXPECT_EQ(shown.window.pos(), start + QPoint(50, 30));
    shown.drag({ 10, 480 }, { -20, -40 }); // near, but not on, the bottom-left corner
    EXPECT_EQ(shown.window.pos(), start + QPoint(30, -10));
}

TEST(SVWindowTest, DraggingAControlOrAnUnmovableWindowLeavesItInPlace)
{
    ShownWindow shown;
    const QPoint start = shown.window.pos();
    bool clicked = false;
    QObject::connect(shown.button, &QPushButton::clicked, [&] { clicked = true; });
    shown.drag({ 320, 310 }, { 20, 10 }); // starts on the button, ends on it
    EXPECT_TRUE(clicked) << "the button keeps its press";
    EXPECT_EQ(shown.window.pos(), start);

    shown.window.setMovableByWindowBackground(false);
    shown.drag({ 100, 100 }, { 50, 30 });
    EXPECT_EQ(shown.window.pos(), start);
}

} // namespace
