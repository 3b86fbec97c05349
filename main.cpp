// Process entry: hands control to the application loop, whose result is the exit status.
#include "AppDelegate.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationName(QStringLiteral("ServoDesk"));
    QApplication::setApplicationVersion(QStringLiteral(SERVODESK_VERSION));
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
