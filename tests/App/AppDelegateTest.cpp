#include "AppDelegate.h"

#include "Classes/View/Window/SVWindow.h"
#include "support/ui/ScopedSettingsStore.h"

#include <QApplication>
#include <QScreen>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(AppDelegateTest, LaunchingShowsTheBorderlessWindowWithTheContentView)
{
    ScopedSettingsStore settings;
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
    ScopedSettingsStore settings;
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
    ScopedSettingsStore settings;
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

// The smallest size, unlike the initial one, fits every screen, the offscreen one of the tests too.
TEST(AppDelegateTest, TheWindowStartsAtTheSizeItHadWhenItLastClosed)
{
    ScopedSettingsStore settings;
    const QSize kept = AppDelegate::minimumWindowSize;
    ASSERT_NE(kept, AppDelegate::initialWindowSize);
    {
        AppDelegate first;
        first.applicationDidFinishLaunching();
        EXPECT_EQ(first.window()->size(), AppDelegate::initialWindowSize) << "nothing kept yet";
        first.window()->resize(kept);
        first.window()->close();
    }
    AppDelegate second;
    second.applicationDidFinishLaunching();
    EXPECT_EQ(second.window()->size(), kept);
    // Maximized when it closes: the size it is restored to is kept, not the screen's.
    second.window()->toggleMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.window()->isMaximized(); }));
    second.window()->close();
    EXPECT_EQ(settings.text(AppDelegate::windowSizeKey), QStringLiteral("%1x%2").arg(kept.width()).arg(kept.height()));
}

TEST(AppDelegateTest, AKeptSizeStaysBetweenTheSmallestSizeAndTheScreen)
{
    const QSize room(1600, 1000);
    const struct {
        const char* kept;
        QSize expected;
    } cases[] = {
        { "1000x800", QSize(1000, 800) },
        { "100x100", AppDelegate::minimumWindowSize },
        { "5000x4000", room },
        { "1000x100", QSize(1000, AppDelegate::minimumWindowSize.height()) },
        { "", AppDelegate::initialWindowSize },
        { "1000", AppDelegate::initialWindowSize },
        { "-900x700", AppDelegate::initialWindowSize },
        { "900x700x3", AppDelegate::initialWindowSize },
        { "99999999999x700", AppDelegate::initialWindowSize },
    };
    for (const auto& [kept, expected] : cases)
        EXPECT_EQ(AppDelegate::startingWindowSize(QLatin1String(kept), room), expected) << kept;
    EXPECT_EQ(AppDelegate::startingWindowSize(QStringLiteral("1000x800"), QSize(800, 600)), AppDelegate::minimumWindowSize)
        << "a screen smaller than the smallest window";
}

} // namespace
