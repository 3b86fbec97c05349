// Measures the serial path over a pseudo-terminal with a virtual servo at the other end:
//   EncoderToServo     time from an immediate-path builder call to the first byte at the servo
//   ServoToDelegate    time from a reply written by the servo to the delegate's data callback on
//                      the main thread
//   IdlePortCpu        CPU time per second of the whole process while one port is open and idle,
//                      without and with the modem-line poll (forced on for the pseudo-terminal)
// Latencies are reported per iteration (manual time) with median and 99th percentile counters.
#include "Api/SVFrameTools.h"
#include "Api/SVSerial.h"
#include "Api/Source/ORSSerialPort.h"
#include "VirtualServo/VirtualServo.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

class BenchDelegate : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override {}
    void serialPortWasOpened(ORSSerialPort*) override { opened = true; }
    void serialPortDidReceiveData(ORSSerialPort*, const QByteArray& data) override
    {
        lastReceived = Clock::now();
        receivedBytes += data.size();
        if (loop)
            loop->quit();
    }
    bool opened = false;
    Clock::time_point lastReceived;
    qsizetype receivedBytes = 0;
    QEventLoop* loop = nullptr;
};

// Runs the main thread's event loop until done() or the deadline; false on time-out.
template <typename Done>
bool spinUntil(Done done, std::chrono::milliseconds timeout = 5s)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.hasExpired(timeout.count()))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

struct Rig {
    VirtualServo servo;
    BenchDelegate delegate;
    ORSSerialPort::Ptr port;
    SVSerial encoder;

    bool open()
    {
        if (!servo.isValid())
            return false;
        port = ORSSerialPort::serialPortWithPath(servo.slavePath());
        port->setDelegate(&delegate);
        port->open();
        encoder.setSerialPort(port);
        return spinUntil([&] { return delegate.opened; });
    }
    ~Rig()
    {
        encoder.setSerialPort(nullptr);
        if (port) {
            port->close();
            spinUntil([&] { return !port->isOpen(); });
            port->setDelegate(nullptr);
        }
    }
};

void reportPercentiles(benchmark::State& state, std::vector<double> microseconds)
{
    if (microseconds.empty())
        return;
    std::sort(microseconds.begin(), microseconds.end());
    auto at = [&](double q) { return microseconds[static_cast<size_t>(q * double(microseconds.size() - 1))]; };
    state.counters["median_us"] = at(0.5);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = microseconds.back();
}

void EncoderToServo(benchmark::State& state)
{
    Rig rig;
    if (!rig.open()) {
        state.SkipWithError("could not open the port");
        return;
    }
    std::mutex mutex;
    std::condition_variable arrived;
    int framesSeen = 0;
    QObject::connect(&rig.servo, &VirtualServo::frameReceived, &rig.servo, [&](const QByteArray&) {
        std::lock_guard lock(mutex);
        ++framesSeen;
        arrived.notify_one();
    }, Qt::DirectConnection);

    std::vector<double> samples;
    int iteration = 0;
    for (auto _ : state) {
        rig.servo.clearRecords();
        const Clock::time_point start = Clock::now();
        rig.encoder.sendOneSteering(1, iteration % 1000, 0);
        {
            std::unique_lock lock(mutex);
            if (!arrived.wait_for(lock, 5s, [&] { return framesSeen > iteration; })) {
                state.SkipWithError("a frame did not arrive");
                return;
            }
        }
        ++iteration;
        const QList<VirtualServo::Chunk> chunks = rig.servo.receivedChunks();
        const std::chrono::duration<double> latency = chunks.first().time - start;
        state.SetIterationTime(latency.count());
        samples.push_back(latency.count() * 1e6);
    }
    reportPercentiles(state, samples);
}

void ServoToDelegate(benchmark::State& state)
{
    Rig rig;
    if (!rig.open()) {
        state.SkipWithError("could not open the port");
        return;
    }
    // The ID reply of servo 1, as the servo would write it.
    const QByteArray reply = SVFrameTools::frameWithChecksum(QByteArray::fromHex("555501040e01"));
    std::vector<double> samples;
    for (auto _ : state) {
        rig.servo.clearRecords();
        const qsizetype before = rig.delegate.receivedBytes;
        rig.servo.writeRaw(reply);
        QEventLoop loop;
        rig.delegate.loop = &loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        if (rig.delegate.receivedBytes == before)
            loop.exec();
        rig.delegate.loop = nullptr;
        // Let a reply that came in two reads complete before the next one.
        if (!spinUntil([&] { return rig.delegate.receivedBytes >= before + reply.size(); })) {
            state.SkipWithError("a reply did not reach the delegate");
            return;
        }
        const QList<VirtualServo::Chunk> written = rig.servo.writtenChunks();
        if (written.isEmpty()) {
            state.SkipWithError("the servo recorded no write");
            return;
        }
        const std::chrono::duration<double> latency = rig.delegate.lastReceived - written.first().time;
        if (latency.count() < 0) {  // the servo stamps before it writes: a read cannot come first
            state.SkipWithError("a reply was read before the servo wrote it");
            return;
        }
        state.SetIterationTime(latency.count());
        samples.push_back(latency.count() * 1e6);
    }
    reportPercentiles(state, samples);
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void IdlePortCpu(benchmark::State& state)
{
    // The second argument forces the 10 ms modem-line poll on, which a pseudo-terminal would end.
    ORSSerialPort::setPinPollForced(state.range(1) != 0);
    Rig rig;
    if (!rig.open()) {
        state.SkipWithError("could not open the port");
        return;
    }
    const int idleMilliseconds = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const double cpuBefore = cpuSeconds();
        const Clock::time_point wallBefore = Clock::now();
        QEventLoop loop;
        QTimer::singleShot(idleMilliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
        const double cpu = cpuSeconds() - cpuBefore;
        state.SetIterationTime(wall);
        state.counters["cpu_ms_per_s"] = 1000.0 * cpu / wall;
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
    }
}

}  // namespace

BENCHMARK(EncoderToServo)->Iterations(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(ServoToDelegate)->Iterations(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(IdlePortCpu)->Args({5000, 0})->Args({10000, 1})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
