// window_bench idle-cpu [seconds [rounds] [changing|steady] [pin-poll] [paced-plain]]
//
// The window's idle cost, side by side with the cheapest Qt program doing the same poll (plain_poll,
// PlainPoll.cpp). Each runs in a process of its own with the port open on a pseudo-terminal, against a
// servo in a process of its own (a fresh one each time) answering the state poll, under the same
// display, for the same number of seconds (default 10), alternating window, plain, window, plain, ...
// for a number of rounds (default 3). The servo's temperature, voltage and position change twice a
// second ("changing", the default) or never ("steady"). The modem-line poll runs as it does on a
// pseudo-terminal (it finds no modem lines and stops) unless "pin-poll" forces it on; "no-pin-poll"
// names the default. "paced-plain" has the plain program write the four requests 30 ms apart, as the
// window does, instead of in one write ("burst-plain", the default). After each program's warm-up (3.5 s) the scheduler's counters of each of its
// threads are read at the start and end of the measured time (ThreadSchedule.h): per thread, its
// wake-ups per second and processor time per second; per process, their totals; and at the end the
// medians over the rounds and the window/plain ratios of the totals, median over the rounds.
#include "bench/IdleCpuBench.h"

#include "Api/Source/ORSSerialPort.h"
#include "Classes/VC/SVSettingViewController.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "VirtualServo/VirtualServo.h"
#include "bench/BenchStats.h"
#include "bench/BenchWindow.h"
#include "bench/BusProcess.h"
#include "bench/EventServing.h"
#include "bench/MeasuredChild.h"
#include "bench/ThreadSchedule.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

#ifdef PLAIN_POLL_PROGRAM
constexpr const char* plainPollProgram = PLAIN_POLL_PROGRAM;
#else
constexpr const char* plainPollProgram = nullptr;  // Qt Serial Port was missing at build time
#endif

struct Options {
    int seconds = 10;
    int rounds = 3;
    bool changing = true;
    bool pinPoll = false;
    bool pacedPlain = false;
};

std::optional<Options> parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 2; i < argc; ++i) {
        const QByteArray word(argv[i]);
        bool isNumber = false;
        const int number = word.toInt(&isNumber);
        if (isNumber && number > 0 && i == 2)
            options.seconds = number;
        else if (isNumber && number > 0 && i == 3)
            options.rounds = number;
        else if (word == "changing" || word == "steady")
            options.changing = word == "changing";
        else if (word == "pin-poll" || word == "no-pin-poll")
            options.pinPoll = word == "pin-poll";
        else if (word == "paced-plain" || word == "burst-plain")
            options.pacedPlain = word == "paced-plain";
        else
            return std::nullopt;
    }
    return options;
}

// A servo in a process of its own. With changing values its temperature, voltage and position change
// twice a second, so that every reply to the one-second state poll carries new values.
std::function<void(BusProcess::Child&)> servoServing(bool changing)
{
    return [changing](BusProcess::Child& child) {
        VirtualServo servo;
        child.announce(servo.slavePath());
        for (int step = 0; !child.parentDone(std::chrono::milliseconds(500)); ++step) {
            if (!changing)
                continue;
            servo.setTemperature(30 + step % 20);
            servo.setVoltageMillivolts(7000 + step % 30 * 100);
            servo.setPosition(step * 37 % 1000);
        }
        QByteArray times;  // when each request arrived, one per line
        for (const VirtualServo::Chunk& frame : servo.receivedFrames())
            times += QByteArray::number(qint64(frame.time.time_since_epoch().count())) + '\n';
        child.report(times);
    };
}

// How many of the servo's reported arrival times fall in [from, to].
int requestsBetween(const QByteArray& times, Clock::time_point from, Clock::time_point to)
{
    int count = 0;
    for (const QByteArray& line : times.split('\n')) {
        const Clock::time_point arrived{Clock::duration(line.toLongLong())};
        count += !line.isEmpty() && arrived >= from && arrived <= to ? 1 : 0;
    }
    return count;
}

enum class Program { Window, Plain };

const char* nameOf(Program program)
{
    return program == Program::Window ? "window" : "plain";
}

QList<QByteArray> commandFor(Program program, const QString& port, const Options& options)
{
    if (program == Program::Plain)
        return options.pacedPlain ? QList<QByteArray>{plainPollProgram, port.toLocal8Bit(), "1", "paced"}
                                  : QList<QByteArray>{plainPollProgram, port.toLocal8Bit()};
    const QByteArray self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe")).toLocal8Bit();
    QList<QByteArray> command{self, "idle-cpu-window", port.toLocal8Bit()};
    if (options.pinPoll)
        command.append("pin-poll");
    return command;
}

void printUsage(const ProcessUsage& usage, const ThreadUsage& total)
{
    std::printf("  %-24s %12s %12s\n", "thread", "wake-ups/s", "CPU ms/s");
    for (const ThreadUsage& thread : usage.threads)
        std::printf("  %-24s %12.1f %12.3f\n", qPrintable(thread.name), thread.wakeupsPerSecond,
                    thread.cpuMillisecondsPerSecond);
    std::printf("  %-24s %12.1f %12.3f\n", qPrintable(total.name), total.wakeupsPerSecond, total.cpuMillisecondsPerSecond);
    if (!usage.ended.isEmpty())
        std::printf("  ended during the measured time, not counted: %s\n", qPrintable(usage.ended.join(QStringLiteral(", "))));
}

// The child's own report, indented under its figures.
void printReport(const QByteArray& report)
{
    QByteArray lines = report;
    while (lines.endsWith('\n'))
        lines.chop(1);
    for (const QByteArray& line : lines.split('\n'))
        std::printf("  | %s\n", line.constData());
}

// One program's measured time against a fresh servo; nothing when it did not get ready.
std::optional<ProcessUsage> measure(Program program, const Options& options)
{
    std::fflush(stdout);  // before the fork, and ahead of what the children write on the shared error stream
    BusProcess servo(servoServing(options.changing));
    if (servo.slavePath().isEmpty())
        return std::nullopt;
    MeasuredChild child(commandFor(program, servo.slavePath(), options));
    if (!child.waitUntilReady(std::chrono::seconds(60))) {
        std::fprintf(stderr, "the %s program did not get ready:\n%s\n", nameOf(program), child.release().constData());
        return std::nullopt;
    }
    const ProcessReading before = readThreads(child.pid());
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    const ProcessReading after = readThreads(child.pid());
    const Clock::time_point end = Clock::now();
    const double wall = std::chrono::duration<double>(end - start).count();
    const ProcessUsage usage = usageBetween(before, after, child.pid(), wall);
    const QByteArray report = child.release();
    const int requests = requestsBetween(servo.finish(), start, end);
    std::printf("%s, %.2f s measured, %d requests reached the servo meanwhile:\n", nameOf(program), wall, requests);
    printUsage(usage, usage.total());
    printReport(report);
    if (!child.succeeded() || requests == 0) {
        std::fprintf(stderr, "the %s program failed or sent no request\n", nameOf(program));
        return std::nullopt;
    }
    return usage;
}

// Per thread name, in the order first seen, the median over the rounds (a thread missing in a round
// used nothing in it).
ProcessUsage medianOverRounds(const std::vector<ProcessUsage>& rounds)
{
    QStringList names;
    for (const ProcessUsage& round : rounds)
        for (const ThreadUsage& thread : round.threads)
            if (!names.contains(thread.name))
                names.append(thread.name);
    ProcessUsage median;
    for (const QString& name : names) {
        std::vector<double> wakeups, cpu;
        for (const ProcessUsage& round : rounds) {
            const auto it = std::find_if(round.threads.begin(), round.threads.end(),
                                         [&](const ThreadUsage& thread) { return thread.name == name; });
            wakeups.push_back(it != round.threads.end() ? it->wakeupsPerSecond : 0);
            cpu.push_back(it != round.threads.end() ? it->cpuMillisecondsPerSecond : 0);
        }
        median.threads.push_back({name, BenchStats::of(wakeups).median, BenchStats::of(cpu).median});
    }
    return median;
}

void printRatio(const char* what, const std::vector<double>& ratios)
{
    const BenchStats stats = BenchStats::of(ratios);
    std::printf("  %-24s median %.2f, range %.2f-%.2f, rounds:", what, stats.median,
                *std::min_element(ratios.begin(), ratios.end()), stats.max);
    for (const double ratio : ratios)
        std::printf(" %.2f", ratio);
    std::printf("\n");
}

ThreadUsage medianTotal(const std::vector<ProcessUsage>& rounds)
{
    std::vector<double> wakeups, cpu;
    for (const ProcessUsage& round : rounds) {
        wakeups.push_back(round.total().wakeupsPerSecond);
        cpu.push_back(round.total().cpuMillisecondsPerSecond);
    }
    return {QStringLiteral("process"), BenchStats::of(wakeups).median, BenchStats::of(cpu).median};
}

void printSummary(const std::vector<ProcessUsage>& window, const std::vector<ProcessUsage>& plain)
{
    std::printf("\nMedian over %zu rounds (the process's: of its totals), window:\n", window.size());
    printUsage(medianOverRounds(window), medianTotal(window));
    std::printf("Median over %zu rounds (the process's: of its totals), plain:\n", plain.size());
    printUsage(medianOverRounds(plain), medianTotal(plain));
    std::vector<double> wakeupRatios, cpuRatios;
    for (size_t round = 0; round < window.size(); ++round) {
        const ThreadUsage ours = window[round].total();
        const ThreadUsage theirs = plain[round].total();
        wakeupRatios.push_back(ours.wakeupsPerSecond / std::max(theirs.wakeupsPerSecond, 1e-9));
        cpuRatios.push_back(ours.cpuMillisecondsPerSecond / std::max(theirs.cpuMillisecondsPerSecond, 1e-9));
    }
    std::printf("Window / plain, process totals, each round's ratio and their median (target: both within 1.5):\n");
    printRatio("wake-ups per second", wakeupRatios);
    printRatio("CPU time per second", cpuRatios);
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray("unknown");
}

} // namespace

int idleCpuBench(int argc, char** argv)
{
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr, "usage: %s idle-cpu [seconds [rounds] [changing|steady] [pin-poll] [paced-plain]]\n", argv[0]);
        return 2;
    }
    if (!plainPollProgram) {
        std::fprintf(stderr, "plain_poll was not built (Qt Serial Port missing): nothing to compare with\n");
        return 1;
    }
    std::printf("Idle cost: port open, one servo answering the state poll with %s values, modem-line poll %s, "
                "plain program's requests %s, %d s per program, %d rounds; load average before: %s\n",
                options->changing ? "changing" : "unchanging", options->pinPoll ? "forced on" : "as on the line",
                options->pacedPlain ? "30 ms apart" : "in one write",
                options->seconds, options->rounds, loadAverage().constData());
    std::vector<ProcessUsage> window, plain;
    for (int round = 1; round <= options->rounds; ++round) {
        std::printf("\nRound %d of %d\n", round, options->rounds);
        const std::optional<ProcessUsage> ours = measure(Program::Window, *options);
        const std::optional<ProcessUsage> theirs = ours ? measure(Program::Plain, *options) : std::nullopt;
        if (!theirs)
            return 1;
        window.push_back(*ours);
        plain.push_back(*theirs);
    }
    printSummary(window, plain);
    std::printf("Load average after: %s\n", loadAverage().constData());
    return 0;
}

int idleCpuWindow(int argc, char** argv)
{
    ObservedApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s idle-cpu-window PORT [pin-poll]\n", argv[0]);
        return 2;
    }
    // The first replies fill every control once; the measured time then starts half-way between two
    // polls, so that it holds as many polls as it lasts seconds, whatever the timers' jitter.
    constexpr std::chrono::milliseconds warmUp{3500};
    ORSSerialPort::setPinPollForced(argc > 3 && std::strcmp(argv[3], "pin-poll") == 0);
    BenchWindow window(QString::fromLocal8Bit(argv[2]));
    if (!window.openPort()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    serveFor(warmUp);
    SVBaseTextField* position = window.controller->textCurrentPosition();
    const QString before = position->text();
    MeasuredChild::announceReady();
    QElapsedTimer wall;
    wall.start();
    {
        const EventCensus census(app);  // what the main thread is woken for
        MeasuredChild::serveUntilReleased();
        census.print(double(wall.nsecsElapsed()) / 1e9, MeasuredChild::report());
    }
    std::fprintf(MeasuredChild::report(), "position %s -> %s\n", qPrintable(before), qPrintable(position->text()));
    return 0;
}
