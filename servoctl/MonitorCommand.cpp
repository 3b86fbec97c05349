// servoctl monitor: streams temperature, voltage, position and motor power, one row per servo per
// sample, until Ctrl-C; rows reach the CSV file as they come, and the file is complete when it stops.
#include "servoctl/BusReport.h"
#include "servoctl/Commands.h"
#include "Api/Bus/Protocol.h"
#include "Api/Bus/ServoAccess.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/WholeFile.h"

#include <QDateTime>
#include <QHostInfo>
#include <QJsonObject>
#include <QUdpSocket>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

struct MonitorOptions {
    std::vector<std::string> ids;
    double rate = 10;
    std::string csv;
    bool csvGiven = false;
    std::string udp;
    bool udpGiven = false;
};

// Datagrams of the JSON rows, one sample each, to a plotter or a robot's controller elsewhere.
class UdpRows {
public:
    explicit UdpRows(const MonitorOptions& options)
    {
        if (!options.udpGiven)
            return;
        const QString target = QString::fromStdString(options.udp);
        const qsizetype colon = target.lastIndexOf(QLatin1Char(':'));
        bool portOk = false;
        const int port = target.mid(colon + 1).toInt(&portOk);
        QString host = target.left(colon);
        if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
            host = host.mid(1).chopped(1);
        if (colon <= 0 || !portOk || port < 1 || port > 65535)
            throw CommandError{ExitUsage, QStringLiteral("--udp: \"%1\" is not HOST:PORT").arg(target)};
        const QHostInfo found = QHostInfo::fromName(host);
        if (found.addresses().isEmpty())
            throw CommandError{ExitUsage, QStringLiteral("--udp: %1: %2").arg(host, found.errorString())};
        m_address = found.addresses().first();
        m_port = quint16(port);
    }

    void send(const QString& jsonLine)
    {
        if (m_port == 0)
            return;
        const QByteArray datagram = jsonLine.toUtf8() + '\n';
        // A datagram lost on the way (or nobody listening) does not stop the recording.
        m_socket.writeDatagram(datagram, m_address, m_port);
    }

private:
    QUdpSocket m_socket;
    QHostAddress m_address;
    quint16 m_port = 0;
};

constexpr double slowestRate = 0.01;  // one sample in 100 s
constexpr double fastestRate = 1000;
const QString csvHeader = QStringLiteral("time,id,temperature,voltage,position,torque");

QString csvRow(const QString& time, int id, const ServoAccess::LiveState& s)
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(time).arg(id).arg(s.temperature).arg(QString::number(SVProtocol::voltsFromMillivolts(s.voltageMillivolts), 'f', 3))
        .arg(s.position).arg(s.motorLoaded ? 1 : 0);
}

QString jsonRow(const QString& time, int id, const ServoAccess::LiveState& s)
{
    const QJsonObject row{{"time", time}, {"id", id}, {"temperature", s.temperature},
                          {"voltage", SVProtocol::voltsFromMillivolts(s.voltageMillivolts)}, {"position", s.position}, {"torque", s.motorLoaded}};
    return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
}

// Where the rows go: the CSV file, or standard output (as CSV or JSON lines).
class RowSink {
public:
    RowSink(const MonitorOptions& options, bool json)
        : m_json(json)
        , m_udp(options)
    {
        requireNonEmpty(options.csv, options.csvGiven, "--csv");
        if (options.csv.empty())
            return;
        throwOnFailure(m_csv.open(QString::fromStdString(options.csv)));
    }

    void header()
    {
        if (m_csv.isOpen())
            throwOnFailure(m_csv.append((csvHeader + QLatin1Char('\n')).toUtf8()));
        else if (!m_json)
            CommandContext::print(csvHeader);
    }

    void row(int id, const ServoAccess::LiveState& state)
    {
        const QString time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
        m_udp.send(jsonRow(time, id, state));
        if (m_csv.isOpen())
            throwOnFailure(m_csv.append((csvRow(time, id, state) + QLatin1Char('\n')).toUtf8()));
        else
            CommandContext::print(m_json ? jsonRow(time, id, state) : csvRow(time, id, state));
    }

    // Every sample round: the rows so far reach the file or the reader of standard output.
    void flush()
    {
        if (m_csv.isOpen())
            throwOnFailure(m_csv.flush());
        else
            CommandContext::checkOutput();
    }

    void finish()
    {
        if (m_csv.isOpen())
            throwOnFailure(m_csv.finish());
    }

private:
    bool m_json;
    GrowingFile m_csv;
    UdpRows m_udp;
};

Clock::duration periodOf(double rate)
{
    if (!(rate >= slowestRate && rate <= fastestRate))
        throw CommandError{ExitUsage, QStringLiteral("--rate: %1 is out of range %2-%3").arg(rate).arg(slowestRate).arg(fastestRate)};
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
}

// Lets the bus hear its port (an unplug among it) until next, or until a stop is asked for.
void waitUntil(ServoBus& bus, Clock::time_point next)
{
    while (!StopSignals::requested() && bus.isUsable() && Clock::now() < next)
        bus.listen(std::min<ServoBus::Microseconds>(std::chrono::duration_cast<ServoBus::Microseconds>(next - Clock::now()),
                                                     std::chrono::milliseconds(20)));
}

int monitor(CommandContext& context, const MonitorOptions& options)
{
    const QList<int> ids = servoIdsFromArguments(options.ids);
    const Clock::duration period = periodOf(options.rate);
    RowSink sink(options, context.json);
    ServoBus& bus = context.bus();
    sink.header();

    // Every signal that would end it (a dropped SSH connection, a timer, SIGUSR2 …) ends it as cleanly as
    // Ctrl-C, its file whole; a closed pipe still ends it at once, as it ends any program that prints.
    std::vector<int> endings = StopSignals::endingSignals();
    std::erase(endings, SIGPIPE);
    StopSignals stop(endings);
    Clock::time_point next = Clock::now();
    int status = ExitSuccess;
    while (!StopSignals::requested() && bus.isUsable()) {
        for (int id : ids) {
            const Result<ServoAccess::LiveState> state = ServoAccess::readState(bus, id);
            if (StopSignals::requested() || !bus.isUsable())
                break;
            if (state) {
                sink.row(id, *state);
            } else {
                CommandContext::warn(state.failure().message);
                status = ExitFailure;
            }
        }
        sink.flush();
        next = std::max(next + period, Clock::now());  // a bus slower than the rate samples as fast as it goes
        waitUntil(bus, next);
    }
    sink.finish();
    BusReport::warnLosses(bus);
    if (!bus.isUsable()) {
        CommandContext::warn(bus.portFailure().message);
        status = ExitFailure;
    }
    return status;
}

}  // namespace

void addMonitorCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand(
        "monitor", "Stream temperature, voltage, position and torque of each servo until Ctrl-C, one row per servo per sample");
    auto options = std::make_shared<MonitorOptions>();
    command->add_option("ID", options->ids, servoIdHelp("Servo IDs"))->required();
    command->add_option("--rate", options->rate, "Samples a second of each servo, 0.01-1000 (at most what the bus carries)")
        ->type_name("HZ")->check(decimalNumber())->capture_default_str();
    const CLI::Option* csv = command->add_option("--csv", options->csv, "Write the rows to FILE as CSV with a header row, complete when monitor stops")
                                 ->type_name("FILE");
    const CLI::Option* udp = command->add_option("--udp", options->udp, "Also send each sample as a JSON line in a UDP datagram to HOST:PORT")
                                 ->type_name("HOST:PORT");
    command->callback([&context, &run, options, csv, udp] {
        options->csvGiven = csv->count() > 0;
        options->udpGiven = udp->count() > 0;
        run = [&context, options] { return monitor(context, *options); };
    });
}
