#include "AppDelegate.h"

#include "Classes/View/Window/SVWindow.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(AppDelegateTest, LaunchingShowsTheBorderlessWindowWithTheContentView)
{
    AppDelegate delegate;
    SVWindow* window = delegate.window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible()) << "nothing shows before launching finishes";

    QPointer<QWidget> content;
    delegate.setContentViewControllerFactory([&] { return content = new QWidget; });
    delegate.applicationDidFinishLaunching();

    EXPECT_TRUE(QTest::qWaitForWindowExposed(window)) << "the window was never shown";
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->isMovableByWindowBackground());
    ASSERT_FALSE(content.isNull());
    EXPECT_EQ(window->contentView(), content.data());
    EXPECT_GE(window->width(), AppDelegate::minimumWindowSize.width());
    EXPECT_GE(window->height(), AppDelegate::minimumWindowSize.height());
    EXPECT_EQ(window->minimumSize(), AppDelegate::minimumWindowSize);
    EXPECT_TRUE(delegate.applicationShouldTerminateAfterLastWindowClosed());
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

TEST(AppDelegateTest, MinimizeThenReopenBringsTheWindowBackAsTheActiveWindow)
{
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    SVWindow* window = delegate.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    delegate.minimize();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); })) << "minimize() did not minimize the window";
    EXPECT_TRUE(delegate.applicationShouldHandleReopen(false));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isMinimized(); })) << "reopen did not restore the window";
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; })) << "not the active window";

    delegate.minimize();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); })) << "minimize() did not minimize the window";
    delegate.reopenApplication();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isMinimized(); })) << "reopenApplication() did not restore the window";
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; })) << "not the active window";
}

TEST(AppDelegateTest, ClosingTheWindowEndsTheApplication)
{
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate.window()));

    bool terminating = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { terminating = true; });
    QTimer::singleShot(0, delegate.window(), [&] { delegate.window()->close(); });
    // Bounded wait: if closing does not end the loop, this ends it with a distinct status.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    deadline.start(10000);

    const int status = QApplication::exec();
    EXPECT_NE(status, 99) << "closing the window did not end the application within 10 s";
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(terminating);
}

} // namespace
