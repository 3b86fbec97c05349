// One command and its reply over the same pseudo-terminal, through ORSSerialPort and through Qt's
// QSerialPort, in alternating blocks: each pair of blocks gives one ratio of the two medians
// (ORSSerialPort / QSerialPort), printed for every pair, and the median of these ratios is the figure,
// on a quiet machine and with one spinning process per core (targets: 1.2 quiet, 1.0 loaded). The
// other end is a minimal servo that answers every 6 bytes with a fixed 7-byte reply, so that nothing
// but the two ports is compared. Each round trip is split in two halves: the command written until its
// first byte is read at the servo, and the reply written until the application's callback has it on
// the main thread; for ORSSerialPort the second half is split again at the read on the port's own
// reader thread.
//
//   build-rel/bench/round_trip_bench [pairs [quiet|loaded|both]]
//                      (default 10 pairs of blocks of 200 round trips, quiet and then loaded)
#include "Api/Source/ORSSerialPort.h"
#include "bench/BenchStats.h"
#include "bench/BusyProcesses.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

const QByteArray command = QByteArray::fromHex("5555fe030ef0");
const QByteArray reply = QByteArray::fromHex("55550104010ef5");
constexpr int roundTripsPerBlock = 200;
constexpr int warmUp = 20;

double microsecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// The master side of a pseudo-terminal with a thread that answers every 6 bytes read with the fixed
// reply, noting when the first byte of the command was read and the moment before the reply's write.
class EchoServo {
public:
    struct Exchange {
        Clock::time_point commandRead;
        Clock::time_point replyWritten;
    };

    EchoServo()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0)
            return;
        m_slavePath = QString::fromLocal8Bit(name);
        m_slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);  // the master never reads as hung up
        termios raw{};
        if (m_slaveKeeper >= 0 && tcgetattr(m_slaveKeeper, &raw) == 0) {
            cfmakeraw(&raw);
            tcsetattr(m_slaveKeeper, TCSANOW, &raw);
        }
        m_stop = eventfd(0, EFD_CLOEXEC);
        m_thread = std::thread([this] { run(); });
    }
    ~EchoServo()
    {
        const uint64_t one = 1;
        if (m_thread.joinable() && ::write(m_stop, &one, sizeof one) == sizeof one)
            m_thread.join();
        for (const int descriptor : {m_stop, m_slaveKeeper, m_master}) {
            if (descriptor >= 0)
                ::close(descriptor);
        }
    }
    EchoServo(const EchoServo&) = delete;
    EchoServo& operator=(const EchoServo&) = delete;

    QString slavePath() const { return m_slavePath; }

    // The last exchange, and forgets it; empty times when there was none.
    Exchange takeLast()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_last, Exchange{});
    }

private:
    void run()
    {
        QByteArray pending;
        Clock::time_point firstByte;
        char buffer[64];
        while (true) {
            pollfd watched[2] = {{m_stop, POLLIN, 0}, {m_master, POLLIN, 0}};
            if (poll(watched, 2, -1) < 0 || watched[0].revents != 0)
                return;
            const ssize_t count = ::read(m_master, buffer, sizeof buffer);
            if (count <= 0)
                continue;
            if (pending.isEmpty())
                firstByte = Clock::now();
            pending.append(buffer, count);
            while (pending.size() >= command.size()) {
                pending.remove(0, command.size());
                {
                    // Noted before the reply exists, so that the port that reads it always finds it.
                    std::lock_guard lock(m_mutex);
                    m_last = {firstByte, Clock::now()};
                }
                if (::write(m_master, reply.constData(), size_t(reply.size())) != reply.size())
                    return;
            }
        }
    }

    int m_master = -1;
    int m_slaveKeeper = -1;
    int m_stop = -1;
    QString m_slavePath;
    std::mutex m_mutex;
    Exchange m_last;
    std::thread m_thread;
};

// The samples of one port's round trips, each split at the servo.
struct Halves {
    std::vector<double> whole, out, back, toReader, handOver;
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

// Runs one block of round trips: send() writes the command, received() counts the reply's bytes so far
// and lastCall() is when the main thread got the last of them. Records times of every round trip
// after the warm-up into halves and this block's own whole times into block.
template <typename Send, typename Received, typename LastCall>
bool runBlock(EchoServo& servo, Send send, Received received, LastCall lastCall, Halves& halves,
              std::vector<double>& block, const std::function<Clock::time_point()>& readTime = {})
{
    for (int i = 0; i < roundTripsPerBlock; ++i) {
        const qsizetype before = received();
        const Clock::time_point start = Clock::now();
        if (!send() || !serveUntil([&] { return received() >= before + reply.size(); }))
            return false;
        const Clock::time_point end = lastCall();
        const EchoServo::Exchange exchange = servo.takeLast();
        if (i < warmUp || exchange.replyWritten == Clock::time_point{})
            continue;
        block.push_back(microsecondsBetween(start, end));
        halves.whole.push_back(block.back());
        halves.out.push_back(microsecondsBetween(start, exchange.commandRead));
        halves.back.push_back(microsecondsBetween(exchange.replyWritten, end));
        if (readTime) {
            halves.toReader.push_back(microsecondsBetween(exchange.replyWritten, readTime()));
            halves.handOver.push_back(microsecondsBetween(readTime(), end));
        }
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
        calledAt = Clock::now();
        received += data.size();
        lastReadTime = readTime;
    }
    bool opened = false;
    bool closed = false;
    qsizetype received = 0;
    Clock::time_point lastReadTime;
    Clock::time_point calledAt;
};

double orsBlock(EchoServo& servo, Halves& halves)
{
    ReplyCounter delegate;
    const ORSSerialPort::Ptr port = ORSSerialPort::serialPortWithPath(servo.slavePath());
    port->setDelegate(&delegate);
    port->open();
    if (!serveUntil([&] { return delegate.opened; }))
        return -1;
    std::vector<double> block;
    const bool done = runBlock(
        servo, [&] { return port->sendData(command); }, [&] { return delegate.received; },
        [&] { return delegate.calledAt; }, halves, block, [&] { return delegate.lastReadTime; });
    port->close();
    const bool closed = serveUntil([&] { return delegate.closed; });
    port->setDelegate(nullptr);
    return done && closed ? BenchStats::of(block).median : -1;
}

double qtBlock(EchoServo& servo, Halves& halves)
{
    QSerialPort port(servo.slavePath());
    port.setBaudRate(115200);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "QSerialPort: %s\n", qPrintable(port.errorString()));
        return -1;
    }
    qsizetype received = 0;
    Clock::time_point calledAt;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        calledAt = Clock::now();
        received += port.readAll().size();
    });
    std::vector<double> block;
    const bool done = runBlock(
        servo, [&] { return port.write(command) == command.size(); }, [&] { return received; },
        [&] { return calledAt; }, halves, block);
    port.close();
    return done ? BenchStats::of(block).median : -1;
}

void printHalves(const char* name, const Halves& halves)
{
    std::printf("%s\n", name);
    BenchStats::of(halves.whole).print("  round trip", "us");
    BenchStats::of(halves.out).print("  command written -> first byte at the servo", "us");
    BenchStats::of(halves.back).print("  reply written -> callback on the main thread", "us");
    if (!halves.toReader.empty()) {
        BenchStats::of(halves.toReader).print("    of which written -> read by reader thread", "us");
        BenchStats::of(halves.handOver).print("    and read -> main thread (the hand-over)", "us");
    }
}

// A machine state to compare the ports in: quiet, or one spinning process per core.
struct Condition {
    const char* name;
    bool loaded;
    double target;  // the median ratio should not exceed it
};

// The median of the pairs' ratios, or a negative number when a round trip failed.
double runCondition(EchoServo& servo, int pairs, const Condition& condition)
{
    const BusyProcesses load(condition.loaded);
    Halves ors, qt;
    std::vector<double> ratios;
    for (int pair = 0; pair < pairs; ++pair) {
        // The order alternates, so that neither port always runs first.
        const bool orsFirst = pair % 2 == 0;
        const double first = orsFirst ? orsBlock(servo, ors) : qtBlock(servo, qt);
        const double second = orsFirst ? qtBlock(servo, qt) : orsBlock(servo, ors);
        if (first <= 0 || second <= 0) {
            std::fprintf(stderr, "a round trip failed in pair %d, %s\n", pair, condition.name);
            return -1;
        }
        ratios.push_back(orsFirst ? first / second : second / first);
    }
    std::printf("\n%s: round trip, 6-byte command and 7-byte reply, minimal servo, %d pairs of %d round trips "
                "(%d unmeasured first in each block), %zu spinning processes; p99 over %zu round trips per port:\n",
                condition.name, pairs, roundTripsPerBlock, warmUp, load.count(), ors.whole.size());
    printHalves("ORSSerialPort (written on the main thread, read on its reader thread)", ors);
    printHalves("QSerialPort (written and read on the main thread)", qt);
    std::printf("ratio of the medians ORSSerialPort / QSerialPort, each pair:");
    for (const double ratio : ratios)
        std::printf(" %.2f", ratio);
    const BenchStats ratio = BenchStats::of(ratios);
    std::printf("\n%s: median of the pairs' ratios %.2f (range %.2f-%.2f), target at most %.1f\n", condition.name,
                ratio.median, *std::min_element(ratios.begin(), ratios.end()), ratio.max, condition.target);
    return ratio.median;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 10;
    const QByteArray which = argc > 2 ? QByteArray(argv[2]) : QByteArray("both");
    if (argc > 3 || pairs < 1 || !(which == "quiet" || which == "loaded" || which == "both")) {
        std::fprintf(stderr, "usage: %s [pairs [quiet|loaded|both]]   (default: 10 pairs, both)\n", argv[0]);
        return 2;
    }
    EchoServo servo;
    if (servo.slavePath().isEmpty()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    const Condition quiet{"quiet", false, 1.2};
    const Condition loaded{"loaded", true, 1.0};
    QList<Condition> conditions;
    if (which != "loaded")
        conditions.append(quiet);
    if (which != "quiet")
        conditions.append(loaded);
    QStringList medians;
    for (const Condition& condition : conditions) {
        const double median = runCondition(servo, pairs, condition);
        if (median < 0)
            return 1;
        medians.append(QStringLiteral("%1 %2 (target at most %3)")
                           .arg(QLatin1String(condition.name))
                           .arg(median, 0, 'f', 2)
                           .arg(condition.target, 0, 'f', 1));
    }
    std::printf("\nORSSerialPort / QSerialPort round trip, median of the pairs' ratios: %s\n",
                qPrintable(medians.join(QStringLiteral("; "))));
    return 0;
}
