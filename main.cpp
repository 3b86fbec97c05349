// Process entry: sets up the application, lets the delegate show the main window with the main
// controller's view in it, and hands control to the application loop, whose result is the exit
// status. With --screenshot the window is rendered to a file once it has started, and the program ends;
// --language without it saves the language chosen for this and later starts.
#include "AppDelegate.h"

#include "Api/Source/SVPortOptions.h"
#include "Classes/Motion/MotionShowcase.h"
#include "Classes/Robot/RobotShowcase.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVAccessibility.h"
#include "Tools/SVInfoOptions.h"
#include "Tools/SVScreenshot.h"
#include "Tools/SettingsStore.h"
#include "VirtualServo/SVDemoServo.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// Time for the start-up steps that follow the first showing of the window, before a screenshot.
constexpr int screenshotSettleMs = 300;

// A screenshot in a given language reads and writes an in-memory copy of the settings, so that the
// user's own choice is neither used nor changed.
class ScreenshotSettings {
public:
    explicit ScreenshotSettings(const QString& code)
    {
        if (code.isEmpty())
            return;
        m_store = std::make_unique<MemorySettingsStore>();
        m_store->setValue(BundleLanguage::languagesKey, code);
        m_store->setValue(BundleLanguage::displayNameKey, BundleLanguage::displayNameForCode(code));
        SettingsStore::install(m_store.get());
    }
    ~ScreenshotSettings()
    {
        if (m_store)
            SettingsStore::install(nullptr);
    }
    ScreenshotSettings(const ScreenshotSettings&) = delete;
    ScreenshotSettings& operator=(const ScreenshotSettings&) = delete;

private:
    std::unique_ptr<MemorySettingsStore> m_store;
};

void showPage(SVSettingViewController& controller, SVScreenshotOptions::Page page)
{
    switch (page) {
    case SVScreenshotOptions::Page::Basic: controller.showBasicOperationPage(); break;
    case SVScreenshotOptions::Page::Parameters: controller.showSettingPage(); break;
    case SVScreenshotOptions::Page::About: controller.showAboutPage(); break;
    case SVScreenshotOptions::Page::Motion: controller.showMotionPage(); break;
    case SVScreenshotOptions::Page::Robot: controller.showRobotPage(); break;
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = SVInfoOptions::handle(argc, argv))
        return *status;
    const SVPortOptions portOptions = SVPortOptions::applyArguments(argc, argv);
    if (!portOptions.errors.isEmpty())
        return 2;
    // Made before the application and destroyed after it, so that it outlives every use of its port.
    std::unique_ptr<SVDemoServo> demo;
    if (portOptions.demo) {
        demo = std::make_unique<SVDemoServo>(SVDemoServo::windowServoIds);
        // The pages read and write servo 1 by broadcast, as they would with one servo on the bus.
        demo->servo().setBroadcastToFirstOnly(true);
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
    installAccessibilityFactories();

    const SVScreenshotOptions screenshot = SVScreenshotOptions::fromArguments(QApplication::arguments());
    if (!screenshot.errors.isEmpty()) {
        for (const QString& error : screenshot.errors)
            std::fprintf(stderr, "servodesk: %s\n", qPrintable(error));
        return 2;
    }
    if (screenshot.requested()) {
        if (const QString reason = SVScreenshotOptions::whyNotWritable(screenshot.file); !reason.isEmpty()) {
            std::fprintf(stderr, "servodesk: cannot write %s: %s\n", qPrintable(screenshot.file), qPrintable(reason));
            return 1;
        }
    } else if (!screenshot.language.isEmpty() && !BundleLanguage::saveChoice(screenshot.language)) {
        const SettingsStore& settings = SettingsStore::standard();
        std::fprintf(stderr, "servodesk: the language could not be saved to %s: %s\n",
                     qPrintable(settings.fileName()), qPrintable(settings.syncFailureReason()));
    }
    ScreenshotSettings screenshotSettings(screenshot.requested() ? screenshot.language : QString());

    AppDelegate::installTextLookup();
    AppDelegate delegate;
    SVSettingViewController controller;
    delegate.setContentViewControllerFactory([&controller] { return controller.view(); });
    delegate.applicationDidFinishLaunching();

    if (screenshot.requested()) {
        const auto saveAndExit = [&] {
            const Result<void> saved = SVScreenshotOptions::save(delegate.window(), screenshot.file);
            if (!saved)
                std::fprintf(stderr, "servodesk: %s\n", qPrintable(saved.failure().message));
            MotionShowcase::finish(controller, [ok = saved.ok()] { QCoreApplication::exit(ok ? 0 : 1); });
        };
        QTimer::singleShot(screenshotSettleMs, &app, [&] {
            showPage(controller, screenshot.page);
            // With the virtual bus, the Motion page is pictured at work.
            if (screenshot.page == SVScreenshotOptions::Page::Motion && demo)
                MotionShowcase::start(controller, saveAndExit);
            else if (screenshot.page == SVScreenshotOptions::Page::Robot && demo) {
                demo->servo().setDrift(false);  // the same live values in every picture
                RobotShowcase::start(controller, saveAndExit);
            }
            else
                QTimer::singleShot(screenshotSettleMs, &app, saveAndExit);
        });
    }
    return app.exec();
}
