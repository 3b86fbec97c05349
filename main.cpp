// Process entry: hands control to the application loop, whose result is the exit status.
#include "AppDelegate.h"

#include "Api/Source/SVPortOptions.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const SVPortOptions portOptions = SVPortOptions::applyArguments(argc, argv);
    if (portOptions.listPorts) {
        QCoreApplication app(argc, argv);
        return SVPortOptions::printPortList();
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationVersion(QStringLiteral(SERVODESK_VERSION));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
