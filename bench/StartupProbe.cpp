// Starts exactly as the application does (application object, names, text lookup, delegate and
// controller), and reports on standard output when the main window has been painted for the first
// time and how much memory is resident then and one second later. Started by startup_bench.
#include "AppDelegate.h"
#include "Classes/VC/SVSettingViewController.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Reports once the event that painted the main window for the first time has been handled: by then
// every child has been painted too and the picture handed to the display.
class ProbeApplication : public QApplication {
public:
    using QApplication::QApplication;
    QWidget* window = nullptr;

    bool notify(QObject* receiver, QEvent* event) override
    {
        ++m_depth;
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        if (!m_painted && window && event->type() == QEvent::Paint && receiver == window)
            m_painted = true;
        if (m_painted && !m_reported && m_depth == 0) {
            m_reported = true;
            std::printf("first-paint-ns %lld\nrss-at-first-paint-kb %ld\n", monotonicNanoseconds(), residentKilobytes());
            std::fflush(stdout);
            QTimer::singleShot(1000, this, [] {
                std::printf("rss-after-1s-kb %ld\n", residentKilobytes());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return result;
    }

private:
    int m_depth = 0;
    bool m_painted = false;
    bool m_reported = false;
};

} // namespace

int main(int argc, char* argv[])
{
    ProbeApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationVersion(QStringLiteral(SERVODESK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("servodesk"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/appicon.svg")));

    AppDelegate::installTextLookup();
    AppDelegate delegate;
    SVSettingViewController controller;
    delegate.setContentViewControllerFactory([&controller] { return controller.view(); });
    app.window = delegate.window();
    delegate.applicationDidFinishLaunching();
    QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(1); });  // never painted
    return app.exec();
}
