// The main window as the user runs it (delegate, controller, real widgets on the display given by
// QT_QPA_PLATFORM/DISPLAY), with one port open on a pseudo-terminal:
//
//   window_bench reply-latency [count [loaded]]
//                                        a reply written by the servo until the control's text has
//                                        changed on the main thread, replies 30 ms apart (default
//                                        1000, after 50 unmeasured ones); "loaded" runs one spinning
//                                        process per core meanwhile
//   window_bench idle-cpu [seconds [changing|steady [no-pin-poll]]]
//                                        CPU time of the window's process per second of wall time, the
//                                        port open, a servo (in a process of its own) answering the
//                                        state poll with values that change at every poll (default)
//                                        or never, modem-line poll forced on (default 10 s)
//   window_bench flood [seconds]         the lateness of a 10 ms repeating timer on the main thread
//                                        while the line is flooded at its full rate (default 10 s)
//   window_bench flood-close [seconds]   valid replies written as fast as the port reads them
//                                        (default 10 s); then how long until the last reply shows,
//                                        how long a press of the close button takes to close the port,
//                                        the peak resident memory and the main thread's timer lateness
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
#include "bench/BusyProcesses.h"
#include "support/LineFlood.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QPaintEvent>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

// How late each tick of a 10 ms repeating timer on the main thread comes, in milliseconds.
struct TimerLateness {
    std::vector<double> samples;
    QElapsedTimer sinceLast;
    QTimer ticker;

    TimerLateness()
    {
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout, [this] {
            samples.push_back(std::max(0.0, double(sinceLast.nsecsElapsed()) / 1e6 - 10.0));
            sinceLast.restart();
        });
    }
    void start()
    {
        sinceLast.start();
        ticker.start();
    }
    void stop() { ticker.stop(); }
};

// Calls a hook after every event the application delivers, to time the moment a control changed.
class ObservedApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void()> afterEvent;
    std::function<void(QObject*, QEvent*)> beforeEvent;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (beforeEvent)
            beforeEvent(receiver, event);
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

    // Chooses the listed port with the mouse and presses the open button, as the user does in the
    // window the desktop has just activated.
    bool openPort()
    {
        delegate->window()->activateWindow();
        serveFor(std::chrono::milliseconds(200));  // the start-up steps after the first showing
        QComboBox* list = controller->boxCOM();
        list->setFocus(Qt::MouseFocusReason);
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

QByteArray temperatureReply(int celsius)
{
    return LineFlood::reply(1, 26, QByteArray(1, char(celsius)));
}

int replyLatency(int count, bool loaded)
{
    constexpr int warmUp = 50;
    VirtualServo servo;
    servo.setSilent(true);  // only the replies written here reach the window
    Window window(servo.slavePath());
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    const BusyProcesses load(loaded);
    auto* app = static_cast<ObservedApplication*>(qApp);
    SVBaseTextField* field = window.controller->textCurrentTemperature();
    QString seen = field->text();
    Clock::time_point changedAt;
    // The port hands input to the main thread in a posted event of type User: the start of the one
    // that changed the text splits the figure into the hand-over and the window's own work.
    Clock::time_point userEventStartedAt;
    Clock::time_point deliveryStartedAt;
    app->beforeEvent = [&](QObject*, QEvent* event) {
        if (event->type() == QEvent::User)
            userEventStartedAt = Clock::now();
    };
    app->afterEvent = [&] {
        if (field->text() != seen) {
            changedAt = Clock::now();
            deliveryStartedAt = userEventStartedAt;
            seen = field->text();
        }
    };
    std::vector<double> samples;
    std::vector<double> handOvers;
    std::vector<double> windowWork;
    for (int i = 0; i < warmUp + count; ++i) {
        const int celsius = 20 + i % 50;  // a new value each time: 20..69, never twice in a row
        servo.clearRecords();
        const QString expected = QString::number(celsius) + QStringLiteral("℃");
        servo.writeRaw(temperatureReply(celsius));
        if (!serveUntil([&] { return seen == expected; })) {
            std::fprintf(stderr, "reply %d never reached the window\n", i);
            return 1;
        }
        const QList<VirtualServo::Chunk> written = servo.writtenChunks();
        if (written.isEmpty())
            return 1;
        auto microseconds = [](Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); };
        if (i >= warmUp) {
            samples.push_back(microseconds(changedAt - written.first().time));
            handOvers.push_back(microseconds(deliveryStartedAt - written.first().time));
            windowWork.push_back(microseconds(changedAt - deliveryStartedAt));
        }
        // Replies come as the window asks for them, 30 ms apart at the closest (the queued path's
        // pause); the window repaints in between.
        serveFor(std::chrono::milliseconds(30));
    }
    app->afterEvent = nullptr;
    app->beforeEvent = nullptr;
    std::printf("Reply written by the servo until the temperature text changed on the main thread, %s:\n",
                loaded ? qPrintable(QStringLiteral("%1 spinning processes").arg(load.count())) : "no load");
    BenchStats::of(samples).print("reply -> control text", "us");
    BenchStats::of(handOvers).print("  of which written -> main thread starts", "us");
    BenchStats::of(windowWork).print("  and main thread starts -> text set", "us");
    return 0;
}

// A virtual servo in a child process, so that its own processor time is not counted as the window's.
// With changing values its temperature, voltage and position change twice a second, so that every
// reply to the one-second state poll carries new values. It ends when this object goes.
class ServoProcess {
public:
    explicit ServoProcess(bool changing)
    {
        int pathPipe[2];
        int lifePipe[2];
        if (pipe(pathPipe) != 0 || pipe(lifePipe) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            ::close(pathPipe[0]);
            ::close(lifePipe[1]);
            serve(changing, pathPipe[1], lifePipe[0]);
            _exit(0);
        }
        ::close(pathPipe[1]);
        ::close(lifePipe[0]);
        m_life = lifePipe[1];
        char path[256] = {};
        const ssize_t length = ::read(pathPipe[0], path, sizeof path - 1);
        ::close(pathPipe[0]);
        if (length > 0)
            m_slavePath = QString::fromLocal8Bit(path, int(length));
    }
    ~ServoProcess()
    {
        if (m_life >= 0)
            ::close(m_life);  // the servo sees the end of its pipe and ends
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    ServoProcess(const ServoProcess&) = delete;
    ServoProcess& operator=(const ServoProcess&) = delete;

    QString slavePath() const { return m_slavePath; }

private:
    static void serve(bool changing, int pathOut, int lifeIn)
    {
        VirtualServo servo;
        const QByteArray path = servo.slavePath().toLocal8Bit();
        [[maybe_unused]] const ssize_t written = ::write(pathOut, path.constData(), size_t(path.size()));
        ::close(pathOut);
        pollfd parent{lifeIn, POLLIN, 0};
        for (int step = 0; poll(&parent, 1, 500) == 0; ++step) {
            if (!changing)
                continue;
            servo.setTemperature(30 + step % 20);
            servo.setVoltageMillivolts(7000 + step % 30 * 100);
            servo.setPosition(step * 37 % 1000);
        }
    }

    pid_t m_pid = -1;
    int m_life = -1;
    QString m_slavePath;
};

int idleCpu(const ServoProcess& servo, int seconds, bool changing, bool pinPoll)
{
    if (servo.slavePath().isEmpty())
        return 1;
    ORSSerialPort::setPinPollForced(pinPoll);
    Window window(servo.slavePath());
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    serveFor(std::chrono::seconds(3));  // warm-up: the first replies fill every control once
    const QString before = window.controller->textCurrentPosition()->text();
    // What the main thread is woken for: paint events (with their area) and timer events, by class.
    QMap<QString, QPair<int, qint64>> paints;
    QMap<QString, int> timers;
    auto* app = static_cast<ObservedApplication*>(qApp);
    app->beforeEvent = [&](QObject* receiver, QEvent* event) {
        if (event->type() != QEvent::Paint && event->type() != QEvent::Timer)
            return;
        const QString name = QString::fromLatin1(receiver->metaObject()->className());
        if (event->type() == QEvent::Paint) {
            qint64 area = 0;
            for (const QRect& part : static_cast<QPaintEvent*>(event)->region())
                area += qint64(part.width()) * part.height();
            paints[name].first += 1;
            paints[name].second += area;
        } else if (event->type() == QEvent::Timer) {
            ++timers[name];
        }
    };
    const double cpuBefore = cpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    serveFor(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    const double cpu = cpuSeconds() - cpuBefore;
    app->beforeEvent = nullptr;
    for (auto it = paints.cbegin(); it != paints.cend(); ++it)
        std::printf("  paint events of %-28s %6.1f per second, %9.0f pixels per second\n", qPrintable(it.key()),
                    it.value().first / wall, double(it.value().second) / wall);
    for (auto it = timers.cbegin(); it != timers.cend(); ++it)
        std::printf("  timer events of %-28s %6.1f per second\n", qPrintable(it.key()), it.value() / wall);
    std::printf("Window open, one port open, servo answering with %s values (position %s -> %s), modem-line poll %s, %d s:\n",
                changing ? "changing" : "unchanging", qPrintable(before),
                qPrintable(window.controller->textCurrentPosition()->text()), pinPoll ? "forced on" : "off", seconds);
    std::printf("CPU %.2f ms per second = %.3f %% of one core\n", 1000.0 * cpu / wall, 100.0 * cpu / wall);
    return 0;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Valid temperature replies as fast as the port takes them, then the user presses the close button.
int floodClose(int seconds)
{
    QuietLine line;
    if (line.slavePath.isEmpty())
        return 1;
    Window window(line.slavePath);
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    const ORSSerialPort::Ptr port = window.controller->serialPort();
    constexpr int lastCelsius = 77;  // the flood's replies carry 20..69, the last one 77
    std::atomic<bool> stop{false};
    std::atomic<qint64> written{0};
    Clock::time_point floodEnd;
    std::thread writer([&] {
        QByteArray block;
        for (int i = 0; i < 512; ++i)
            block += temperatureReply(20 + i % 50);
        char sink[256];
        fcntl(line.master, F_SETFL, fcntl(line.master, F_GETFL) | O_NONBLOCK);
        const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end && LineFlood::writeAll(line.master, block, stop)) {
            written += block.size();
            while (::read(line.master, sink, sizeof sink) > 0) {  // the state poll's commands
            }
        }
        LineFlood::writeAll(line.master, temperatureReply(lastCelsius), stop);
        floodEnd = Clock::now();
    });
    TimerLateness lateness;
    lateness.start();
    long peakKilobytes = 0;
    QTimer memory;
    QObject::connect(&memory, &QTimer::timeout, [&] { peakKilobytes = std::max(peakKilobytes, residentKilobytes()); });
    memory.start(100);
    SVBaseTextField* field = window.controller->textCurrentTemperature();
    const QString lastText = QString::number(lastCelsius) + QStringLiteral("℃");
    const bool shown = serveUntil([&] { return field->text() == lastText; }, std::chrono::seconds(seconds + 300));
    const Clock::time_point shownAt = Clock::now();
    writer.join();
    lateness.stop();
    memory.stop();
    peakKilobytes = std::max(peakKilobytes, residentKilobytes());
    const Clock::time_point pressed = Clock::now();
    window.controller->buttonClick(window.controller->buttonWireless());
    const bool closed = serveUntil([&] { return !port->isOpen(); });
    const Clock::time_point closedAt = Clock::now();
    auto milliseconds = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("%d s of valid replies written as fast as the port reads them (%lld bytes), then the close button:\n",
                seconds, qlonglong(written.load()));
    std::printf("  last reply shown %s %.1f ms after the flood ended\n", shown ? "" : "NOT (gave up)",
                milliseconds(shownAt - floodEnd));
    std::printf("  port %s %.1f ms after the press\n", closed ? "closed" : "NOT closed (gave up)", milliseconds(closedAt - pressed));
    std::printf("  peak resident memory %.1f MB, input bytes dropped by the port %lld\n", double(peakKilobytes) / 1024,
                qlonglong(port->droppedInputByteCount()));
    BenchStats::of(lateness.samples).print("  10 ms timer lateness during the flood", "ms");
    return shown && closed ? 0 : 1;
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
    TimerLateness lateness;
    LineFlood line;
    line.start([&servo](const QByteArray& bytes) {
        servo.writeRaw(bytes);
        return true;
    }, stream);
    lateness.start();
    serveUntil([&] { return line.waitUntilWritten(std::chrono::milliseconds(0)); }, std::chrono::seconds(seconds + 10));
    serveFor(std::chrono::milliseconds(200));
    lateness.stop();
    std::printf("10 ms repeating timer on the main thread during %d s of flood (%lld bytes, %lld valid replies, %d tips):\n",
                seconds, qlonglong(stream.size()), qlonglong(replies.size()), window.tips.count);
    BenchStats::of(lateness.samples).print("timer lateness", "ms");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int amount = argc > 2 ? std::atoi(argv[2]) : 0;
    auto argumentIs = [&](int index, const char* word) { return argc > index && std::strcmp(argv[index], word) == 0; };
    if (mode == QLatin1String("idle-cpu")) {
        // The servo's process is started before the application object, while this process has one thread.
        const ServoProcess servo(!argumentIs(3, "steady"));
        ObservedApplication app(argc, argv);
        return idleCpu(servo, amount > 0 ? amount : 10, !argumentIs(3, "steady"), !argumentIs(4, "no-pin-poll"));
    }
    ObservedApplication app(argc, argv);
    if (mode == QLatin1String("reply-latency"))
        return replyLatency(amount > 0 ? amount : 1000, argumentIs(3, "loaded"));
    if (mode == QLatin1String("flood"))
        return flood(amount > 0 ? amount : 10);
    if (mode == QLatin1String("flood-close"))
        return floodClose(amount > 0 ? amount : 10);
    std::fprintf(stderr,
                 "usage: %s reply-latency [count [loaded]] | idle-cpu [seconds [changing|steady [no-pin-poll]]]"
                 " | flood [seconds] | flood-close [seconds]\n",
                 argv[0]);
    return 2;
}
