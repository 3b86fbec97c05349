// The Motion page while 3 or 18 servos play a looped sequence, worked as the user works it: the window
// shown, the port opened from the connection panel, the Motion page shown and scanned, the sequence put
// into the page's table and Play pressed, with a count of loops that fills the time asked for. The bus
// (servos 1, 2 and 7, or 1-18, paced at 115200 bit/s) runs in a process of its own, so that only the
// window's work is counted, and notes every frame it receives. While the sequence plays:
// - how late each step's first move frame arrives after its place in the schedule, as
//   motion_schedule_bench measures servoctl play;
// - the frames per second each plot draws;
// - the processor time of the window's process per second of wall time, with the paint and timer
//   events the main thread is woken for;
// - the position and voltage reads the bus received (per servo: the fewest and the median), and the
//   samples of them that reached the page;
// - how long each plot takes to draw a frame, and how many of the late steps were due while one drew;
// - the time from a reply's last byte on the line until the next request of the same round of reads
//   arrives: the reply's way through the port, the main thread and the bus thread.
// Once it has played, the position plot's last frame is drawn again, alternately with a plain
// QCustomPlot of the same size holding the same lines (PlainPlot.h), and both are timed.
#include "bench/WindowMotionBench.h"

#include "Api/Bus/Protocol.h"
#include "Classes/Motion/HealthPlot.h"
#include "Classes/Motion/LivePlot.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Tools/SVButton.h"
#include "VirtualServo/VirtualServo.h"
#include "bench/BenchStats.h"
#include "bench/BenchWindow.h"
#include "bench/BusProcess.h"
#include "bench/EventServing.h"
#include "bench/PlainPlot.h"
#include "bench/ScheduleLateness.h"

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A frame the bus received, or a reply it wrote. The steady clock is the same in both processes.
struct BusRecord {
    qint64 nanoseconds = 0;  // since the steady clock's epoch
    int servoId = -1;
    int command = -1;
    int moveTimeMs = -1;  // a move's time; -1 for other commands
    bool written = false;
    Clock::time_point time() const { return Clock::time_point(std::chrono::nanoseconds(nanoseconds)); }
    bool isRequest(int ofCommand) const { return !written && command == ofCommand; }
};

BusRecord recordOf(const QByteArray& frame, Clock::time_point time, bool written)
{
    BusRecord record;
    record.nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    record.written = written;
    if (frame.size() <= SVProtocol::commandOffset)
        return record;
    record.servoId = quint8(frame.at(2));
    record.command = quint8(frame.at(SVProtocol::commandOffset));
    const int timeAt = SVProtocol::firstParameterOffset + 2;
    if (record.command == SVProtocol::Move && frame.size() > timeAt + 1)
        record.moveTimeMs = SVProtocol::wordFrom(quint8(frame.at(timeAt)), quint8(frame.at(timeAt + 1)));
    return record;
}

// The bus's process: the servos start where the first step goes, so that no first move is slowed
// down; it reports every frame it received and the replies it wrote once the window has finished.
void serveBus(BusProcess::Child& child, const QList<int>& ids)
{
    std::mutex mutex;
    std::vector<BusRecord> records;  // outlives the bus, whose thread adds to it
    VirtualServo bus(VirtualServo::servosWithIds(ids));
    bus.setLinePacing(true);
    const Motion motion = ScheduleLateness::benchMotion(ids);
    const MotionStep& first = motion.steps.first();
    for (auto it = first.positions.begin(); it != first.positions.end(); ++it)
        bus.setPosition(it.value(), int(ids.indexOf(it.key())));
    QObject::connect(&bus, &VirtualServo::frameReceived, &bus, [&](const QByteArray& frame) {
        const BusRecord record = recordOf(frame, Clock::now(), false);
        std::lock_guard lock(mutex);
        records.push_back(record);
    }, Qt::DirectConnection);
    child.announce(bus.slavePath());
    child.parentDone(-1ms);
    std::lock_guard lock(mutex);
    for (const VirtualServo::Chunk& chunk : bus.writtenChunks())  // the most recent recordLimit of them
        records.push_back(recordOf(chunk.bytes, chunk.time, true));
    child.report(QByteArray(reinterpret_cast<const char*>(records.data()), qsizetype(records.size() * sizeof(BusRecord))));
}

// The bus's records in time order.
std::vector<BusRecord> recordsIn(const QByteArray& report)
{
    std::vector<BusRecord> records(size_t(report.size()) / sizeof(BusRecord));
    std::memcpy(records.data(), report.constData(), records.size() * sizeof(BusRecord));
    std::stable_sort(records.begin(), records.end(), [](const BusRecord& a, const BusRecord& b) { return a.nanoseconds < b.nanoseconds; });
    return records;
}

// What the window's process has done so far.
struct Snapshot {
    Clock::time_point wall;
    double cpu = 0;
    int positionFrames = 0;
    int healthFrames = 0;
    int positionSamples = 0;
    int healthSamples = 0;
};

struct Playing {
    static constexpr std::chrono::seconds markInterval{10};
    Snapshot start;
    Snapshot end;
    std::vector<double> cpuMarks;  // the process's CPU seconds at every markInterval of playing
    std::vector<std::pair<Clock::time_point, Clock::time_point>> replots;  // of both plots
    std::vector<double> positionReplotMs;
    std::vector<double> healthReplotMs;
    QString status;
    bool ended = false;
    double seconds() const { return std::chrono::duration<double>(end.wall - start.wall).count(); }
};

class MotionRun {
public:
    explicit MotionRun(BenchWindow& window) : m_window(window), m_page(window.controller->viewMotion()) {}

    // Shows the Motion page and scans, as the user does after opening the port.
    bool scan(int expected)
    {
        m_window.controller->showMotionPage();
        m_page->buttonScan()->click();
        if (serveUntil([&] { return m_page->servoModel()->rowCount() == expected && m_page->buttonScan()->isEnabled(); }, 30s))
            return true;
        std::fprintf(stderr, "the scan did not list the %d servos: %s\n", expected, qPrintable(m_page->statusLabel()->text()));
        return false;
    }

    // The position plot's last frame drawn again, alternately with a plain plot of the same size and
    // lines: milliseconds a frame of each.
    std::pair<std::vector<double>, std::vector<double>> compareWithPlainPlot(int frames)
    {
        PositionPlot* page = m_page->positionPlot();
        const double end = page->now();
        page->setClock([end] { return end; });
        page->redrawNow();
        std::vector<PlainPlot::Servo> servos;
        for (int id : page->servoIds()) {
            PlainPlot::Servo servo;
            servo.colour = page->positionGraph(id)->pen().color();
            for (const QCPGraphData& point : *page->positionGraph(id)->data()) {
                servo.positions.keys.append(point.key);
                servo.positions.values.append(point.value);
            }
            for (const QCPGraphData& point : *page->targetGraph(id)->data()) {
                servo.targets.keys.append(point.key);
                servo.targets.values.append(point.value);
            }
            servos.push_back(servo);
        }
        QCustomPlot plain;
        plain.setWindowFlags(Qt::Tool);
        plain.resize(page->customPlot()->size());
        plain.show();
        const QCPRange shown = page->customPlot()->xAxis->range();
        PlainPlot::fill(plain, servos, shown.lower, shown.upper);
        serveFor(200ms);
        std::vector<double> pageMs;
        std::vector<double> plainMs;
        for (int i = 0; i < frames; ++i) {
            pageMs.push_back(PlainPlot::timedReplot(*page->customPlot()));
            plainMs.push_back(PlainPlot::timedReplot(plain));
            QCoreApplication::processEvents();
        }
        std::printf("then the position plot's last frame (%lld servos, %d x %d pixels) drawn %d times alternately with a plain plot\n",
                    qlonglong(servos.size()), plain.width(), plain.height(), frames);
        return {pageMs, plainMs};
    }

    // Plays motion loops times from the page's table, counting what the page receives meanwhile.
    // With away, the operation page is shown once Play has been pressed: the sequence plays on, and
    // the plots are not drawn.
    std::optional<Playing> play(const Motion& motion, int loops, bool away)
    {
        m_page->sequenceModel()->setMotion(motion);
        m_page->untilStoppedBox()->setChecked(false);
        m_page->loopsBox()->setValue(loops);
        BusWorker* worker = m_window.controller->busWorker();
        if (!worker)
            return std::nullopt;
        QObject::connect(worker, &BusWorker::positionRead, &m_context, [this] { ++m_positionSamples; });
        QObject::connect(worker, &BusWorker::healthRead, &m_context, [this] { ++m_healthSamples; });
        Playing playing;
        QObject playingContext;  // ends the connections below when this call returns
        QObject::connect(m_page, &MotionPage::playingChanged, &playingContext, [&](bool on) { (on ? playing.start : playing.end) = snapshot(); });
        watchReplots(m_page->positionPlot(), playingContext, playing, playing.positionReplotMs);
        watchReplots(m_page->healthPlot(), playingContext, playing, playing.healthReplotMs);
        QTimer marks;  // the plots fill their 20 s first: how the cost goes meanwhile
        QObject::connect(&marks, &QTimer::timeout, &playingContext, [&] { playing.cpuMarks.push_back(cpuSeconds()); });
        marks.setTimerType(Qt::PreciseTimer);
        marks.start(Playing::markInterval);
        m_page->buttonPlay()->click();
        if (!m_page->isPlaying()) {
            std::fprintf(stderr, "Play did not start: %s\n", qPrintable(m_page->statusLabel()->text()));
            return std::nullopt;
        }
        if (away)
            m_window.controller->showBasicOperationPage();
        const double expectedSeconds = loops * ScheduleLateness::loopMs(motion) / 1000;
        playing.ended = serveUntil([&] { return !m_page->isPlaying(); }, std::chrono::milliseconds(qint64(expectedSeconds * 1000) + 60000));
        playing.status = m_page->statusLabel()->text();
        if (!playing.ended)
            playing.end = snapshot();
        return playing;
    }

private:
    static void watchReplots(LivePlot* plot, const QObject& context, Playing& playing, std::vector<double>& durations)
    {
        auto began = std::make_shared<Clock::time_point>();
        QObject::connect(plot->customPlot(), &QCustomPlot::beforeReplot, &context, [began] { *began = Clock::now(); });
        QObject::connect(plot->customPlot(), &QCustomPlot::afterReplot, &context, [began, &playing, &durations] {
            if (playing.start.wall == Clock::time_point() || playing.end.wall != Clock::time_point())
                return;  // not playing
            playing.replots.emplace_back(*began, Clock::now());
            durations.push_back(std::chrono::duration<double, std::milli>(Clock::now() - *began).count());
        });
    }

    Snapshot snapshot() const
    {
        return {Clock::now(), cpuSeconds(), m_page->positionPlot()->framesDrawn(), m_page->healthPlot()->framesDrawn(),
                m_positionSamples, m_healthSamples};
    }

    BenchWindow& m_window;
    MotionPage* m_page;
    QObject m_context;  // ends the counting connections with this object
    int m_positionSamples = 0;
    int m_healthSamples = 0;
};

bool isWithin(const BusRecord& record, const Playing& playing)
{
    return record.time() >= playing.start.wall && record.time() <= playing.end.wall;
}

int requestsWithin(const std::vector<BusRecord>& records, const Playing& playing, int command)
{
    return int(std::count_if(records.begin(), records.end(), [&](const BusRecord& r) { return r.isRequest(command) && isWithin(r, playing); }));
}

// While playing, the player reads the servos' positions back to back in the order of their IDs: from
// the last byte of a servo's reply on the line until the request to the next servo arrives, in
// milliseconds.
std::vector<double> replyHandOvers(const std::vector<BusRecord>& records, const Playing& playing, const QList<int>& order)
{
    std::vector<double> gaps;
    for (size_t i = 2; i < records.size(); ++i) {
        const BusRecord& request = records[i - 2];
        const BusRecord& reply = records[i - 1];
        const BusRecord& next = records[i];
        const qsizetype at = order.indexOf(request.servoId);
        const bool inRound = request.isRequest(SVProtocol::ReadPosition) && reply.written && reply.servoId == request.servoId
            && reply.command == SVProtocol::ReadPosition && next.isRequest(SVProtocol::ReadPosition) && at >= 0
            && at + 1 < order.size() && next.servoId == order[at + 1];
        if (inRound && isWithin(next, playing))
            gaps.push_back(std::chrono::duration<double, std::milli>(next.time() - reply.time()).count());
    }
    return gaps;
}

// The first move of each step: a move with a move time (a hold has none) to the servo each step sends to first.
std::vector<Clock::time_point> stepStarts(const std::vector<BusRecord>& records)
{
    std::vector<Clock::time_point> starts;
    for (const BusRecord& r : records)
        if (r.isRequest(SVProtocol::Move) && r.servoId == ScheduleLateness::markerServo && r.moveTimeMs > 0)
            starts.push_back(r.time());
    return starts;
}

// Of the steps more than lateMs late, how many were due while a plot was drawing, beside the share of
// the playing time the plots spent drawing.
void printLateDuringReplots(const std::vector<Clock::time_point>& starts, const std::vector<double>& lateness, const Playing& playing)
{
    constexpr double lateMs = 2;
    int late = 0;
    int lateWhileDrawing = 0;
    for (size_t k = 0; k < starts.size(); ++k) {
        if (lateness[k] <= lateMs)
            continue;
        ++late;
        const Clock::time_point due = starts[k] - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(lateness[k]));
        lateWhileDrawing += int(std::any_of(playing.replots.begin(), playing.replots.end(),
                                            [due](const auto& replot) { return replot.first <= due && due <= replot.second; }));
    }
    double drawingSeconds = 0;
    for (const auto& [began, ended] : playing.replots)
        drawingSeconds += std::chrono::duration<double>(ended - began).count();
    std::printf("%-44s %d of %zu, %d of them due while a plot drew (plots drawing %.1f %% of the time)\n",
                "steps more than 2 ms late", late, starts.size(), lateWhileDrawing, 100 * drawingSeconds / playing.seconds());
}

// Position reads each servo received per second of playing: the fewest of any servo and the median.
void printReadsPerServo(const std::vector<BusRecord>& records, const Playing& playing, const QList<int>& ids)
{
    std::vector<double> perSecond;
    for (int id : ids) {
        const auto reads = std::count_if(records.begin(), records.end(), [&](const BusRecord& r) {
            return r.isRequest(SVProtocol::ReadPosition) && r.servoId == id && isWithin(r, playing);
        });
        perSecond.push_back(double(reads) / playing.seconds());
    }
    std::sort(perSecond.begin(), perSecond.end());
    std::printf("%-44s %9.1f per second at least, median %.1f\n", "position reads of each servo", perSecond.front(),
                perSecond[perSecond.size() / 2]);
}

void printPlaying(const Playing& playing, const std::vector<BusRecord>& records, const QList<int>& ids)
{
    const double seconds = playing.seconds();
    const Snapshot& a = playing.start;
    const Snapshot& b = playing.end;
    std::printf("%-44s %9.1f per second (%d in %.1f s)\n", "position plot frames drawn", (b.positionFrames - a.positionFrames) / seconds,
                b.positionFrames - a.positionFrames, seconds);
    std::printf("%-44s %9.1f per second\n", "health plot frames drawn", (b.healthFrames - a.healthFrames) / seconds);
    std::printf("%-44s %9.1f per second, %.1f samples per second reached the page\n", "position reads the bus received",
                requestsWithin(records, playing, SVProtocol::ReadPosition) / seconds, (b.positionSamples - a.positionSamples) / seconds);
    std::printf("%-44s %9.2f per second, %.2f samples per second reached the page\n", "voltage reads the bus received",
                requestsWithin(records, playing, SVProtocol::ReadVoltage) / seconds, (b.healthSamples - a.healthSamples) / seconds);
    BenchStats::of(playing.positionReplotMs).print("position plot, time to draw a frame", "ms");
    BenchStats::of(playing.healthReplotMs).print("health plot, time to draw a frame", "ms");
    printReadsPerServo(records, playing, ids);
    BenchStats::of(replyHandOvers(records, playing, ids)).print("reply on the line -> next servo's request", "ms");
    std::printf("CPU of the window's process while playing: %.2f ms per second = %.2f %% of one core\n",
                1000.0 * (b.cpu - a.cpu) / seconds, 100.0 * (b.cpu - a.cpu) / seconds);
    std::printf("  in each %lld s of playing, %% of one core:", qlonglong(Playing::markInterval.count()));
    double before = a.cpu;
    for (const double mark : playing.cpuMarks) {
        std::printf(" %.1f", 100.0 * (mark - before) / double(Playing::markInterval.count()));
        before = mark;
    }
    std::printf("\n");
}

int playInWindow(BusProcess& bus, ObservedApplication& app, int seconds, const QList<int>& ids, bool away)
{
    if (bus.slavePath().isEmpty())
        return 1;
    std::optional<Playing> playing;
    std::pair<std::vector<double>, std::vector<double>> lastFrame;
    const Motion motion = ScheduleLateness::benchMotion(ids);
    const int loops = ScheduleLateness::loopsFor(seconds, motion);
    if (loops > MotionPage::maximumLoops) {
        std::fprintf(stderr, "%d loops: the page plays at most %d\n", loops, MotionPage::maximumLoops);
        return 2;
    }
    {
        BenchWindow window(bus.slavePath());
        if (!window.openPort()) {
            std::fprintf(stderr, "the port did not open\n");
            return 1;
        }
        MotionRun run(window);
        if (!run.scan(int(ids.size())))
            return 1;
        std::printf("Motion page: %d loops of %lld steps, %.1f s a loop, %lld servos, paced line, bus in its own process%s\n", loops,
                    qlonglong(motion.steps.size()), ScheduleLateness::loopMs(motion) / 1000, qlonglong(ids.size()),
                    away ? "; the operation page shown while it plays" : "");
        const EventCensus census(app);
        playing = run.play(motion, loops, away);
        if (playing)
            census.print(playing->seconds());
        if (playing && !away)
            lastFrame = run.compareWithPlainPlot(200);
    }
    const std::vector<BusRecord> records = recordsIn(bus.finish());
    if (!playing)
        return 1;
    printPlaying(*playing, records, ids);
    if (!lastFrame.first.empty()) {
        BenchStats::of(lastFrame.first).print("last frame again: the page's position plot", "ms");
        BenchStats::of(lastFrame.second).print("  plain QCustomPlot, same lines and size", "ms");
    }
    std::printf("the page said: %s\n", qPrintable(playing->status));
    const std::vector<Clock::time_point> starts = stepStarts(records);
    const size_t expected = size_t(loops) * size_t(motion.steps.size());
    if (!playing->ended || starts.size() != expected) {
        std::fprintf(stderr, "%s; %zu step starts seen, %zu expected\n", playing->ended ? "played to the end" : "still playing",
                     starts.size(), expected);
        return 1;
    }
    const std::vector<double> lateness = ScheduleLateness::of(starts, motion);
    BenchStats::of(lateness).print("step start after its schedule", "ms");
    std::printf("%-44s %9.2f ms\n", "last step of the last loop after its schedule", lateness.back());
    printLateDuringReplots(starts, lateness, *playing);
    return 0;
}

}  // namespace

int windowMotionBench(int argc, char** argv, int seconds, int servoCount, bool away)
{
    const QList<int> ids = ScheduleLateness::servoIdsFor(servoCount);
    BusProcess bus([&ids](BusProcess::Child& child) { serveBus(child, ids); });
    ObservedApplication app(argc, argv);
    return playInWindow(bus, app, seconds, ids, away);
}
