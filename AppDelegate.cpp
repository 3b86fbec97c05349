#include "AppDelegate.h"

#include "Api/Source/ThreadLatency.h"
#include "Classes/View/Window/SVWindow.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVLocalized.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

void AppDelegate::installTextLookup()
{
    SVLocalized::setLookup([](const QString& key) { return BundleLanguage::localizedStringForKey(key); });
}

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
    , m_window(new SVWindow)
{
    m_window->setWindowTitle(QStringLiteral("ServoDesk"));
    m_window->setMinimumSize(minimumWindowSize);
    m_window->resize(initialWindowSize);
    QApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

AppDelegate::~AppDelegate()
{
    delete m_window;
}

void AppDelegate::applicationDidFinishLaunching()
{
    ThreadLatency::requestShortSlice();  // the main thread shows every reply as it comes

    if (m_contentFactory)
        m_window->setContentView(m_contentFactory());
    m_window->setMovableByWindowBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, m_window->size(),
                                                  screen->availableGeometry()));
    m_window->show();
}

bool AppDelegate::applicationShouldHandleReopen(bool)
{
    if (m_window)
        m_window->makeKeyAndOrderFront();
    return true;
}

void AppDelegate::reopenApplication()
{
    QWidget* last = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = widget->windowType();
        if ((type == Qt::Window || type == Qt::Dialog) && (widget->isVisible() || widget->isMinimized()))
            last = widget;
    }
    if (last)
        SVWindow::bringToFront(last);
}

void AppDelegate::minimize()
{
    if (m_window)
        m_window->showMinimized();
}
