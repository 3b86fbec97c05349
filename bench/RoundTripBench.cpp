// One command and its reply over the same pseudo-terminal, with a virtual servo at the other end:
// through ORSSerialPort (written from the main thread, and through the encoder's queue) and through
// Qt's QSerialPort, in alternating blocks of the same run. The 6-byte ID read goes out; the round
// trip ends when the 7-byte reply has been handed to the main thread.
//
//   build-rel/bench/round_trip_bench [rounds]        (default 10 rounds of 200 round trips each)
#include "Api/SVSerial.h"
#include "Api/Source/ORSSerialPort.h"
#include "VirtualServo/VirtualServo.h"
#include "bench/BenchStats.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <chrono>
#include <cstdlib>

using Clock = std::chrono::steady_clock;

namespace {

const QByteArray readIdCommand = QByteArray::fromHex("5555fe030ef0");
constexpr int replySize = 7;
constexpr int roundTripsPerBlock = 200;
constexpr int warmUp = 20;

double microsecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// Where a round trip's time went: command written until the servo read it, the servo's own work,
// reply written until the main thread had it.
struct Breakdown {
    std::vector<double> toServo, inServo, toMainThread, toReader;

    void add(VirtualServo& servo, Clock::time_point start, Clock::time_point end, Clock::time_point readTime = {})
    {
        const QList<VirtualServo::Chunk> in = servo.receivedChunks();
        const QList<VirtualServo::Chunk> out = servo.writtenChunks();
        servo.clearRecords();
        if (in.isEmpty() || out.isEmpty())
            return;
        toServo.push_back(microsecondsBetween(start, in.first().time));
        inServo.push_back(microsecondsBetween(in.first().time, out.first().time));
        toMainThread.push_back(microsecondsBetween(out.first().time, end));
        if (readTime != Clock::time_point{})
            toReader.push_back(microsecondsBetween(out.first().time, readTime));
    }
    void print(const char* name) const
    {
        std::printf("  %s: to the servo %.1f us, in the servo %.1f us, back to the main thread %.1f us (medians)\n", name,
                    BenchStats::of(toServo).median, BenchStats::of(inServo).median, BenchStats::of(toMainThread).median);
        if (!toReader.empty())
            std::printf("    of which reply written until read by the port's reader thread %.1f us\n", BenchStats::of(toReader).median);
    }
};

// Serves the main thread's events until done() or 2 s have passed.
template <typename Done>
bool serveUntil(Done done)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

class ReplyCounter : public ORSSerialPortDelegate {
public:
    void serialPortWasRemovedFromSystem(ORSSerialPort*) override {}
    void serialPortWasOpened(ORSSerialPort*) override { opened = true; }
    void serialPortWasClosed(ORSSerialPort*) override { closed = true; }
    void serialPortDidReceiveDataReadAt(ORSSerialPort*, const QByteArray& data, Clock::time_point readTime) override
    {
        received += data.size();
        lastReadTime = readTime;
    }
    bool opened = false;
    Clock::time_point lastReadTime;
    bool closed = false;
    qsizetype received = 0;
};

// One block through ORSSerialPort; with an encoder, the command goes through its queue (the path the
// window's commands take), else it is written from the main thread.
bool orsBlock(VirtualServo& servo, SVSerial* encoder, std::vector<double>& samples, Breakdown& breakdown)
{
    const QString path = servo.slavePath();
    ReplyCounter delegate;
    const ORSSerialPort::Ptr port = ORSSerialPort::serialPortWithPath(path);
    port->setDelegate(&delegate);
    port->open();
    if (!serveUntil([&] { return delegate.opened; }))
        return false;
    if (encoder)
        encoder->setSerialPort(port);
    servo.clearRecords();
    for (int i = 0; i < roundTripsPerBlock; ++i) {
        const qsizetype before = delegate.received;
        const Clock::time_point start = Clock::now();
        if (encoder)
            encoder->sendDataNotDelay(readIdCommand.chopped(1), 0);
        else if (!port->sendData(readIdCommand))
            return false;
        if (!serveUntil([&] { return delegate.received >= before + replySize; }))
            return false;
        const Clock::time_point end = Clock::now();
        if (i >= warmUp) {
            samples.push_back(microsecondsBetween(start, end));
            breakdown.add(servo, start, end, delegate.lastReadTime);
        }
        servo.clearRecords();
    }
    if (encoder)
        encoder->setSerialPort(nullptr);
    port->close();
    const bool closed = serveUntil([&] { return delegate.closed; });
    port->setDelegate(nullptr);
    return closed;
}

bool qtBlock(VirtualServo& servo, std::vector<double>& samples, Breakdown& breakdown)
{
    const QString path = servo.slavePath();
    QSerialPort port(path);
    port.setBaudRate(115200);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "QSerialPort: %s\n", qPrintable(port.errorString()));
        return false;
    }
    qsizetype received = 0;
    QObject::connect(&port, &QSerialPort::readyRead, [&] { received += port.readAll().size(); });
    servo.clearRecords();
    for (int i = 0; i < roundTripsPerBlock; ++i) {
        const qsizetype before = received;
        const Clock::time_point start = Clock::now();
        port.write(readIdCommand);
        if (!serveUntil([&] { return received >= before + replySize; }))
            return false;
        const Clock::time_point end = Clock::now();
        if (i >= warmUp) {
            samples.push_back(microsecondsBetween(start, end));
            breakdown.add(servo, start, end);
        }
        servo.clearRecords();
    }
    port.close();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    VirtualServo servo;
    if (!servo.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", qPrintable(servo.errorString()));
        return 1;
    }
    SVSerial encoder;
    std::vector<double> ors, orsQueued, qt;
    Breakdown orsParts, queuedParts, qtParts;
    for (int round = 0; round < rounds; ++round) {
        if (!orsBlock(servo, nullptr, ors, orsParts) || !qtBlock(servo, qt, qtParts)
            || !orsBlock(servo, &encoder, orsQueued, queuedParts)) {
            std::fprintf(stderr, "a round trip failed in round %d\n", round);
            return 1;
        }
    }
    const BenchStats orsStats = BenchStats::of(ors);
    const BenchStats queuedStats = BenchStats::of(orsQueued);
    const BenchStats qtStats = BenchStats::of(qt);
    std::printf("Round trip, 6-byte command and 7-byte reply, same pseudo-terminal and servo, %d rounds:\n", rounds);
    orsStats.print("ORSSerialPort (write on the main thread)", "us");
    queuedStats.print("ORSSerialPort through the encoder's queue", "us");
    qtStats.print("QSerialPort", "us");
    orsParts.print("ORSSerialPort");
    queuedParts.print("encoder path");
    qtParts.print("QSerialPort");
    std::printf("ratio ORSSerialPort / QSerialPort: median %.2f, p99 %.2f\n", orsStats.median / qtStats.median,
                orsStats.p99 / qtStats.p99);
    std::printf("ratio encoder path / QSerialPort:  median %.2f, p99 %.2f\n", queuedStats.median / qtStats.median,
                queuedStats.p99 / qtStats.p99);
    return 0;
}
