// The main window as the user runs it (delegate, controller, real widgets on the display given by
// QT_QPA_PLATFORM/DISPLAY), with one port open on a pseudo-terminal:
//
//   window_bench reply-latency [count]   a reply written by the servo until the control's text has
//                                        changed on the main thread, replies 30 ms apart (default 1000)
//   window_bench idle-cpu [seconds [no-pin-poll]]
//                                        CPU time of the whole process per second of wall time, port
//                                        open and idle, modem-line poll forced on (default 10 s)
//   window_bench flood [seconds]         the lateness of a 10 ms repeating timer on the main thread
//                                        while the line is flooded at its full rate (default 10 s)
//
// Run under Xvfb, for example: xvfb-run -a build-rel/bench/window_bench idle-cpu
#include "AppDelegate.h"
#include "Api/Source/DeviceSource.h"
#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/UserNotifier.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVTipPresenter.h"
#include "Tools/SettingsStore.h"
#include "VirtualServo/VirtualServo.h"
#include "bench/BenchStats.h"
#include "support/core/LineFlood.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

// Calls a hook after every event the application delivers, to time the moment a control changed.
class ObservedApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void()> afterEvent;
    bool notify(QObject* receiver, QEvent* event) override
    {
        const bool result = QApplication::notify(receiver, event);
        if (afterEvent)
            afterEvent();
        return result;
    }
};

class ListedDevices : public DeviceSource {
public:
    explicit ListedDevices(QList<ORSSerialDevice> devices) : m_devices(std::move(devices)) {}
    QList<ORSSerialDevice> start() override { return m_devices; }

private:
    QList<ORSSerialDevice> m_devices;
};

class SilentNotifier : public UserNotifier {
public:
    void deliverNotification(const QString&, const QString&) override {}
};

// Tips are counted, not shown: a flood may hold replies that each ask for one.
class CountingTipPresenter : public SVTipPresenter {
public:
    void present(ModeWindow&) override { ++count; }
    int count = 0;
};

// Serves the main thread's events until done() or the time-out. The thread sleeps between events, as
// in the application: a busy wait here would take a core from the threads being measured.
template <typename Done>
bool serveUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const Clock::time_point deadline = Clock::now() + timeout;
    QTimer heartbeat;  // wakes the thread now and then for conditions that no event announces
    heartbeat.start(50);
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void serveFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The window with its controller, started as the application starts it, listing one port.
struct Window {
    MemorySettingsStore settings;
    SilentNotifier notifier;
    CountingTipPresenter tips;
    std::unique_ptr<ORSSerialPortManager> manager;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<SVSettingViewController> controller;

    explicit Window(const QString& portPath)
    {
        SettingsStore::install(&settings);
        SVTipPresenter::install(&tips);
        manager = std::make_unique<ORSSerialPortManager>(
            std::make_unique<ListedDevices>(QList<ORSSerialDevice>{ORSSerialDevice::fromPath(portPath)}));
        AppDelegate::installTextLookup();
        delegate = std::make_unique<AppDelegate>();
        controller = std::make_unique<SVSettingViewController>();
        controller->setSerialPortManager(manager.get());
        controller->setUserNotifier(&notifier);
        delegate->setContentViewControllerFactory([this] { return controller->view(); });
        delegate->applicationDidFinishLaunching();
    }
    ~Window()
    {
        if (auto port = controller->serialPort(); port && port->isOpen()) {
            port->close();
            serveUntil([&] { return !port->isOpen(); });
        }
        controller.reset();
        delegate.reset();
        manager.reset();
        SVTipPresenter::install(nullptr);
        SettingsStore::install(nullptr);
    }

    // Chooses the listed port and presses the open button, as the user does.
    bool openPort()
    {
        serveFor(std::chrono::milliseconds(200));  // the start-up steps after the first showing
        QComboBox* list = controller->boxCOM();
        list->setCurrentIndex(0);
        emit list->activated(0);
        const ORSSerialPort::Ptr port = controller->serialPort();
        if (!port)
            return false;
        controller->buttonClick(controller->buttonWireless());
        return serveUntil([&] { return port->isOpen() && !list->isEnabled(); });
    }
};

// A pseudo-terminal with nothing at the other end but a reader that throws the bytes away.
struct QuietLine {
    int master = -1;
    QString slavePath;
    QuietLine()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 && ptsname_r(master, name, sizeof name) == 0)
            slavePath = QString::fromLocal8Bit(name);
    }
    ~QuietLine()
    {
        if (master >= 0)
            ::close(master);
    }
};

int replyLatency(int count)
{
    VirtualServo servo;
    servo.setSilent(true);  // only the replies written here reach the window
    Window window(servo.slavePath());
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    auto* app = static_cast<ObservedApplication*>(qApp);
    SVBaseTextField* field = window.controller->textCurrentTemperature();
    QString seen = field->text();
    Clock::time_point changedAt;
    app->afterEvent = [&] {
        if (field->text() != seen) {
            changedAt = Clock::now();
            seen = field->text();
        }
    };
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        const int celsius = 20 + i % 50;  // a new value each time: 20..69, never twice in a row
        QByteArray reply = QByteArray::fromHex("555501041a") + char(celsius);
        quint8 sum = 0;
        for (qsizetype k = 2; k < reply.size(); ++k)
            sum = quint8(sum + quint8(reply[k]));
        reply += char(~sum);
        servo.clearRecords();
        const QString expected = QString::number(celsius) + QStringLiteral("℃");
        servo.writeRaw(reply);
        if (!serveUntil([&] { return seen == expected; })) {
            std::fprintf(stderr, "reply %d never reached the window\n", i);
            return 1;
        }
        const QList<VirtualServo::Chunk> written = servo.writtenChunks();
        if (written.isEmpty())
            return 1;
        samples.push_back(std::chrono::duration<double, std::micro>(changedAt - written.first().time).count());
        // Replies come as the window asks for them, 30 ms apart at the closest (the queued path's
        // pause); the window repaints in between.
        serveFor(std::chrono::milliseconds(30));
    }
    app->afterEvent = nullptr;
    std::printf("Reply written by the servo until the temperature text changed on the main thread:\n");
    BenchStats::of(samples).print("reply -> control text", "us");
    return 0;
}

int idleCpu(int seconds, bool pinPoll)
{
    QuietLine line;
    if (line.slavePath.isEmpty())
        return 1;
    ORSSerialPort::setPinPollForced(pinPoll);
    Window window(line.slavePath);
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    // Whatever the state poll sends is read and dropped, as a device that does not answer.
    std::atomic<bool> stop{false};
    std::thread drain([&] {
        char buffer[256];
        fcntl(line.master, F_SETFL, fcntl(line.master, F_GETFL) | O_NONBLOCK);
        while (!stop) {
            while (::read(line.master, buffer, sizeof buffer) > 0) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    serveFor(std::chrono::seconds(1));  // settle
    const double cpuBefore = cpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    serveFor(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;
    stop = true;
    drain.join();
    std::printf("Window open, one port open and idle, modem-line poll %s, %d s:\n", pinPoll ? "forced on" : "off", seconds);
    std::printf("CPU %.1f ms per second = %.3f %% of one core\n", 1000.0 * cpu / wall, 100.0 * cpu / wall);
    return 0;
}

int flood(int seconds)
{
    VirtualServo servo;  // answers the state poll as a servo would, while the flood goes on
    Window window(servo.slavePath());
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    QList<QByteArray> replies;
    const QByteArray stream = LineFlood::makeStream(20261207, qsizetype(seconds) * LineFlood::lineBytesPerSecond, &replies);
    std::vector<double> lateness;
    QElapsedTimer sinceLast;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        lateness.push_back(std::max(0.0, double(sinceLast.nsecsElapsed()) / 1e6 - 10.0));
        sinceLast.restart();
    });
    LineFlood line;
    line.start([&servo](const QByteArray& bytes) {
        servo.writeRaw(bytes);
        return true;
    }, stream);
    sinceLast.start();
    ticker.start();
    serveUntil([&] { return line.waitUntilWritten(std::chrono::milliseconds(0)); }, std::chrono::seconds(seconds + 10));
    serveFor(std::chrono::milliseconds(200));
    ticker.stop();
    std::printf("10 ms repeating timer on the main thread during %d s of flood (%lld bytes, %lld valid replies, %d tips):\n",
                seconds, qlonglong(stream.size()), qlonglong(replies.size()), window.tips.count);
    BenchStats::of(lateness).print("timer lateness", "ms");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ObservedApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int amount = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == QLatin1String("reply-latency"))
        return replyLatency(amount > 0 ? amount : 1000);
    if (mode == QLatin1String("idle-cpu"))
        return idleCpu(amount > 0 ? amount : 10, !(argc > 3 && std::strcmp(argv[3], "no-pin-poll") == 0));
    if (mode == QLatin1String("flood"))
        return flood(amount > 0 ? amount : 10);
    std::fprintf(stderr, "usage: %s reply-latency [count] | idle-cpu [seconds [no-pin-poll]] | flood [seconds]\n", argv[0]);
    return 2;
}
