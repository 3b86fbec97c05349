#include "AppDelegate.h"

#include "Api/Source/ThreadLatency.h"
#include "Classes/View/Window/SVWindow.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVLocalized.h"
#include "Tools/SettingsStore.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QRegularExpression>
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
    m_window->installEventFilter(this);
    QApplication::setQuitOnLastWindowClosed(applicationShouldTerminateAfterLastWindowClosed());
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

AppDelegate::~AppDelegate()
{
    if (m_window)
        m_window->removeEventFilter(this);
    delete m_window;
}

void AppDelegate::applicationDidFinishLaunching()
{
    ThreadLatency::requestShortSlice();  // the main thread shows every reply as it comes

    if (m_contentFactory)
        m_window->setContentView(m_contentFactory());
    m_window->setMovableByWindowBackground(true);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QString kept = SettingsStore::standard().text(windowSizeKey);
        if (!kept.isEmpty())
            m_window->resize(startingWindowSize(kept, screen->availableSize()));
        m_window->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, m_window->size(),
                                                  screen->availableGeometry()));
    }
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

QSize AppDelegate::startingWindowSize(const QString& keptText, const QSize& screenRoom)
{
    static const QRegularExpression sizeText(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch kept = sizeText.match(keptText);
    if (!kept.hasMatch())
        return initialWindowSize;
    const QSize largest = screenRoom.expandedTo(minimumWindowSize);
    return QSize(kept.captured(1).toInt(), kept.captured(2).toInt()).expandedTo(minimumWindowSize).boundedTo(largest);
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched == m_window)
        keepWindowSize();
    return QObject::eventFilter(watched, event);
}

void AppDelegate::keepWindowSize() const
{
    const bool whole = m_window->isMaximized() || m_window->isFullScreen();
    const QSize size = whole ? m_window->normalGeometry().size() : m_window->size();
    if (!size.isValid())
        return;
    SettingsStore& settings = SettingsStore::standard();
    settings.setValue(windowSizeKey, QStringLiteral("%1x%2").arg(size.width()).arg(size.height()));
    settings.sync();
}
