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
#include "Tools/HeldLog.h"
#include "Tools/SVAccessibility.h"
#include "Tools/SVInfoOptions.h"
#include "Tools/SVScreenshot.h"
#include "Tools/SettingsStore.h"
#include "Classes/Robot/AssignPanel.h"
#include "Classes/Robot/RobotPage.h"
#include "Classes/Robot/ServoNames.h"
#include "VirtualServo/DemoServoBox.h"
#include "VirtualServo/SVDemoServo.h"

#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

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

// The demo's two ports: one servo alone for the pages that address the servo on the line, and a
// robot's bus for the Motion page.
struct DemoPorts {
    std::unique_ptr<SVDemoServo> bench;
    std::unique_ptr<SVDemoServo> bus;
    std::unique_ptr<DemoServoBox> box;  // with --demo-new: the bus starts empty, new servos come from it

    explicit operator bool() const { return bench || bus; }

    static DemoPorts install(int busServos, int newServos)
    {
        DemoPorts demo;
        demo.bench = std::make_unique<SVDemoServo>();
        demo.bus = std::make_unique<SVDemoServo>(SVDemoServo::busServoIds(busServos), SVDemoServo::busPortName);
        if (newServos > 0) {
            demo.box = std::make_unique<DemoServoBox>(demo.bus->servo(), newServos);
            demo.box->setPairAtFromEnvironment();
        }
        QList<ORSSerialDevice> devices;
        for (const auto* servo : {demo.bench.get(), demo.bus.get()}) {
            if (servo->isValid())
                devices.append(servo->device());
            else
                std::fprintf(stderr, "--demo: no virtual servo: %s\n", qPrintable(servo->errorString()));
        }
        SVDemoServo::installInSharedPortManager(devices);
        return demo;
    }
};

// The first argument that is an option neither servodesk nor Qt knows (--demoo), or an empty text.
QString unknownOption(int argc, char** argv)
{
    static const QStringList ownWithValue{"--port", "--screenshot", "--page", "--language", "--demo-servos", "--demo-new"};
    static const QStringList ownFlags{"--demo", "--list-ports", "--help", "-h", "--version"};
    // Qt's own options, taken with one dash or two.
    static const QStringList qtWithValue{"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                         "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display",
                                         "geometry", "name", "title", "visual", "ncols"};
    static const QStringList qtFlags{"reverse", "widgetcount", "cmap", "nograb", "dograb", "sync", "testability"};
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const QString qtName = name.mid(name.startsWith(u"--") ? 2 : 1);
        if (ownWithValue.contains(name) || qtWithValue.contains(qtName)) {
            i += argument.contains(QLatin1Char('=')) ? 0 : 1;
            continue;
        }
        if (argument.startsWith(QLatin1Char('-')) && !ownFlags.contains(argument) && !qtFlags.contains(qtName)
            && !qtName.startsWith(u"qmljsdebugger"))
            return argument;
    }
    return {};
}

// Qt ends a program that finds no display with several lines and an abort; this says so in one
// line and ends with status 1. Qt's platform messages are held until the application is made.
class DisplayCheck {
public:
    DisplayCheck() { s_previous = qInstallMessageHandler(hold); }
    ~DisplayCheck()
    {
        qInstallMessageHandler(s_previous);
        for (const QString& line : std::exchange(s_held, {}))
            std::fprintf(stderr, "%s\n", qPrintable(line));
    }
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

private:
    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "servodesk: no display to open the window on (DISPLAY is \"%s\"); start it in a desktop session, "
                                 "or with xvfb-run for a screenshot\n", qgetenv("DISPLAY").constData());
            std::_Exit(1);
        }
        const QString category = QString::fromLatin1(context.category ? context.category : "");
        if (category.startsWith(QLatin1String("qt.qpa")))
            s_held.append(category + QStringLiteral(": ") + message);
        else if (s_previous)
            s_previous(type, context, message);
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline QStringList s_held;
};

void showPage(SVSettingViewController& controller, SVScreenshotOptions::Page page)
{
    switch (page) {
    case SVScreenshotOptions::Page::Basic: controller.showBasicOperationPage(); break;
    case SVScreenshotOptions::Page::Parameters: controller.showSettingPage(); break;
    case SVScreenshotOptions::Page::About: controller.showAboutPage(); break;
    case SVScreenshotOptions::Page::Motion: controller.showMotionPage(); break;
    case SVScreenshotOptions::Page::Robot: controller.showRobotPage(); break;
    case SVScreenshotOptions::Page::Assign: controller.showRobotPage(); break;
    }
}

// The Robot page's Assign IDs… panel, planned for the six joints of a robot's right side, as a picture
// shows it.
void showAssignPanel(SVSettingViewController& controller)
{
    ServoNames::shared().setNames({{1, QStringLiteral("right front hip")}, {2, QStringLiteral("right front knee")},
                                   {3, QStringLiteral("right middle hip")}, {4, QStringLiteral("right middle knee")},
                                   {5, QStringLiteral("right back hip")}, {6, QStringLiteral("right back knee")}});
    AssignPanel* panel = controller.viewRobot()->openAssignPanel();
    panel->idsEdit()->setText(QStringLiteral("1-6"));
    panel->showPlan();
    panel->table()->setFocus();  // no blinking text cursor in the picture
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = SVInfoOptions::handle(argc, argv))
        return *status;
    if (const QString unknown = unknownOption(argc, argv); !unknown.isEmpty()) {
        std::fprintf(stderr, "servodesk: unknown option %s (see --help)\n", qPrintable(unknown));
        return 2;
    }
    const SVPortOptions portOptions = SVPortOptions::applyArguments(argc, argv);
    if (!portOptions.errors.isEmpty())
        return 2;
    // Made before the application and destroyed after it, so that they outlive every use of their ports.
    DemoPorts demo;
    if (portOptions.demo)
        demo = DemoPorts::install(portOptions.demoServos, portOptions.demoNew);
    DemoServoBox::setShared(demo.box.get());
    if (portOptions.listPorts) {
        QCoreApplication app(argc, argv);
        return SVPortOptions::printPortList();
    }
    auto displayCheck = std::make_unique<DisplayCheck>();
    QApplication app(argc, argv);
    displayCheck.reset();
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
    // A screenshot run keeps its log back, and writes it only when the picture fails.
    std::optional<HeldLog> heldLog;
    if (screenshot.requested())
        heldLog.emplace();

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
            MotionShowcase::finish(controller, [ok = saved.ok(), &heldLog] {
                if (!ok)
                    heldLog->release();
                QCoreApplication::exit(ok ? 0 : 1);
            });
        };
        QTimer::singleShot(screenshotSettleMs, &app, [&] {
            showPage(controller, screenshot.page);
            // With the virtual bus, the Motion page is pictured at work.
            if (screenshot.page == SVScreenshotOptions::Page::Motion && demo)
                MotionShowcase::start(controller, saveAndExit);
            else if (screenshot.page == SVScreenshotOptions::Page::Assign) {
                showAssignPanel(controller);
                QTimer::singleShot(screenshotSettleMs, &app, saveAndExit);
            } else if (screenshot.page == SVScreenshotOptions::Page::Robot && demo) {
                demo.bus->servo().setDrift(false);  // the same live values in every picture
                RobotShowcase::start(controller, saveAndExit);
            }
            else
                QTimer::singleShot(screenshotSettleMs, &app, saveAndExit);
        });
    }
    return app.exec();
}
