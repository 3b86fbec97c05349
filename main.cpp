// Process entry: sets up the application, lets the delegate show the main window, and hands control
// to the application loop, whose result is the exit status.
#include "AppDelegate.h"

#include "Api/Source/SVPortOptions.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVLocalized.h"
#include "VirtualServo/SVDemoServo.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    const SVPortOptions portOptions = SVPortOptions::applyArguments(argc, argv);
    // Made before the application and destroyed after it, so that it outlives every use of its port.
    std::unique_ptr<SVDemoServo> demo;
    if (portOptions.demo) {
        demo = std::make_unique<SVDemoServo>();
        if (demo->isValid())
            demo->installInSharedPortManager();
        else
            std::fprintf(stderr, "--demo: no virtual servo: %s\n", qPrintable(demo->errorString()));
    }
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

    // Every widget looks its texts up in the language saved in the user's settings.
    SVLocalized::setLookup([](const QString& key) { return BundleLanguage::localizedStringForKey(key); });

    AppDelegate delegate;
    SVSettingViewController controller;
    delegate.setContentViewControllerFactory([&controller] { return controller.view(); });
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
