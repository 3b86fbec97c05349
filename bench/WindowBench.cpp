// The main window as the user runs it (delegate, controller, real widgets on the display given by
// QT_QPA_PLATFORM/DISPLAY), with one port open on a pseudo-terminal:
//
//   window_bench reply-latency [count [loaded]]
//                                        a reply written by the servo until the control's text has
//                                        changed on the main thread, replies 30 ms apart (default
//                                        1000, after 50 unmeasured ones); "loaded" runs one spinning
//                                        process per core meanwhile
//   window_bench idle-cpu [seconds [rounds] [changing|steady] [pin-poll]]
//                                        wake-ups and CPU time per second of each thread, the port
//                                        open, a servo (in a process of its own) answering the state
//                                        poll with values that change at every poll (default) or never,
//                                        beside the cheapest Qt program doing the same poll, alternating
//                                        for a few rounds (default 10 s, 3 rounds); "pin-poll" forces
//                                        the modem-line poll on (IdleCpuBench.cpp)
//   window_bench flood [seconds]         the lateness of a 10 ms repeating timer on the main thread
//                                        while the line is flooded at its full rate (default 10 s)
//   window_bench flood-close [seconds]   valid replies written as fast as the port reads them
//                                        (default 10 s); then how long until the last reply shows,
//                                        how long a press of the close button takes to close the port,
//                                        the peak resident memory and the main thread's timer lateness
//   window_bench motion [seconds [servos] [away]]
//                                        the Motion page scanning and playing a 20-step sequence on
//                                        3 servos (1, 2, 7) or 18 (1-18) (a paced bus in a process of
//                                        its own), looped for about that long (default 60 s): how late
//                                        each step's first move comes after its schedule, the frames
//                                        per second of each plot, the position reads of each servo,
//                                        the CPU time of the window's process per second of wall time
//                                        while playing, and the position plot's frame beside a plain
//                                        plot's; "away" shows the operation page once Play is pressed,
//                                        so that no plot is drawn (WindowMotionBench.cpp)
//
// Run under Xvfb, for example: xvfb-run -a build-rel/bench/window_bench idle-cpu
#include "Classes/VC/SVSettingViewController.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "VirtualServo/VirtualServo.h"
#include "bench/BenchStats.h"
#include "bench/BenchWindow.h"
#include "bench/BusyProcesses.h"
#include "bench/EventServing.h"
#include "bench/IdleCpuBench.h"
#include "bench/WindowMotionBench.h"
#include "support/LineFlood.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
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
    BenchWindow window(servo.slavePath());
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
    BenchWindow window(line.slavePath);
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
    BenchWindow window(servo.slavePath());
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
    if (mode == QLatin1String("idle-cpu"))
        return idleCpuBench(argc, argv);  // starts processes: before any thread of this one
    if (mode == QLatin1String("idle-cpu-window"))
        return idleCpuWindow(argc, argv);
    if (mode == QLatin1String("motion")) {
        const int servos = argc > 3 && !argumentIs(3, "away") ? std::atoi(argv[3]) : 3;
        if (servos < 1 || servos > 253) {
            std::fprintf(stderr, "motion: servos must be 1-253\n");
            return 2;
        }
        return windowMotionBench(argc, argv, amount > 0 ? amount : 60, servos, argumentIs(3, "away") || argumentIs(4, "away"));
    }
    ObservedApplication app(argc, argv);
    if (mode == QLatin1String("reply-latency"))
        return replyLatency(amount > 0 ? amount : 1000, argumentIs(3, "loaded"));
    if (mode == QLatin1String("flood"))
        return flood(amount > 0 ? amount : 10);
    if (mode == QLatin1String("flood-close"))
        return floodClose(amount > 0 ? amount : 10);
    std::fprintf(stderr,
                 "usage: %s reply-latency [count [loaded]] | idle-cpu [seconds [rounds] [changing|steady] [pin-poll]]"
                 " | flood [seconds] | flood-close [seconds] | motion [seconds [servos] [away]]\n",
                 argv[0]);
    return 2;
}
