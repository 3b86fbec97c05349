// The application's delegate: creates the main window, installs the main controller's view in it,
// and decides the application's lifecycle (it ends when its window closes).
#pragma once

#include "Classes/View/Window/SVWindow.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <functional>

class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Makes the view to show in the main window, such as the main controller's view. The window
    // takes ownership of what it returns.
    using ContentViewFactory = std::function<QWidget*()>;

    // The window's size at start, which holds every panel of the pages, and the smallest it may get.
    static constexpr QSize initialWindowSize { 840, 680 };
    static constexpr QSize minimumWindowSize { 830, 670 };
    // The settings key of the window's size at the end of the last run, as text "WIDTHxHEIGHT".
    static inline const QString windowSizeKey = QStringLiteral("windowSize");
    // The size the window starts at when a size was kept from the last run: that size, held between
    // the smallest size and the screen's room; the initial size when the kept text is no size.
    static QSize startingWindowSize(const QString& keptText, const QSize& screenRoom);

    // Makes every widget look its texts up in the language saved in the user's settings.
    static void installTextLookup();

    // Creates the main window (hidden until launching finishes) and ties the application's end to it.
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    SVWindow* window() const { return m_window; }

    // Sets what applicationDidFinishLaunching() puts into the window. Without one the window shows
    // its empty background view.
    void setContentViewControllerFactory(ContentViewFactory factory) { m_contentFactory = std::move(factory); }

    // Once, after start: installs the content view, makes the window movable by its background and
    // shows it.
    void applicationDidFinishLaunching();
    // The user asked for the running application again: brings the window to the front as the
    // active window. Always true.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // If the application has windows, brings the last of them to the front as the active window.
    void reopenApplication();
    // Minimizes the main window.
    void minimize();
    // The application ends when its last window closes.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    // At termination; nothing to clean up here.
    void applicationWillTerminate() { }

protected:
    // Keeps the window's size (its size before it was maximized) when it closes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepWindowSize() const;

    QPointer<SVWindow> m_window;
    ContentViewFactory m_contentFactory;
};
