// Process entry: sets up the application, lets the delegate show the main window, and hands control
// to the application loop, whose result is the exit status.
#include "AppDelegate.h"

#include "Api/Source/SVPortOptions.h"
#include "Tools/SVInfoOptions.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = SVInfoOptions::handle(argc, argv))
        return *status;
    const SVPortOptions portOptions = SVPortOptions::applyArguments(argc, argv);
    if (portOptions.listPorts) {
        QCoreApplication app(argc, argv);
        return SVPortOptions::printPortList();
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationVersion(QStringLiteral(SERVODESK_VERSION));
    // Ties the windows to the installed servodesk.desktop, for the desktop's icon and launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral("servodesk"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/appicon.svg")));

    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
