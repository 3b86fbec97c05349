// servoctl monitor: streams temperature, voltage, position and motor power, one row per servo per
// sample, until Ctrl-C; rows reach the CSV file as they come, and the file is complete when it stops.
#include "servoctl/Commands.h"
#include "Api/Bus/ServoAccess.h"
#include "servoctl/StopSignals.h"
#include "Api/Bus/WholeFile.h"

#include <QDateTime>
#include <QJsonObject>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

struct MonitorOptions {
    std::vector<std::string> ids;
    double rate = 10;
    std::string csv;
    bool csvGiven = false;
};

constexpr double slowestRate = 0.01;  // one sample in 100 s
constexpr double fastestRate = 1000;
const QString csvHeader = QStringLiteral("time,id,temperature,voltage,position,torque");

QString csvRow(const QString& time, int id, const ServoAccess::LiveState& s)
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(time).arg(id).arg(s.temperature).arg(QString::number(s.voltageMillivolts / 1000.0, 'f', 3))
        .arg(s.position).arg(s.motorLoaded ? 1 : 0);
}

QString jsonRow(const QString& time, int id, const ServoAccess::LiveState& s)
{
    const QJsonObject row{{"time", time}, {"id", id}, {"temperature", s.temperature},
                          {"voltage", s.voltageMillivolts / 1000.0}, {"position", s.position}, {"torque", s.motorLoaded}};
    return QString::fromUtf8(QJsonDocument(row).toJson(QJsonDocument::Compact));
}

// Where the rows go: the CSV file, or standard output (as CSV or JSON lines).
class RowSink {
public:
    RowSink(const MonitorOptions& options, bool json)
        : m_json(json)
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

    // A dropped SSH connection (SIGHUP) and SIGQUIT end it as cleanly as Ctrl-C.
    StopSignals stop({SIGINT, SIGTERM, SIGHUP, SIGQUIT});
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
    command->add_option("ID", options->ids, "Servo IDs (0-253)")->required();
    command->add_option("--rate", options->rate, "Samples a second of each servo, 0.01-1000 (at most what the bus carries)")
        ->type_name("HZ")->capture_default_str();
    const CLI::Option* csv = command->add_option("--csv", options->csv, "Write the rows to FILE as CSV with a header row, complete when monitor stops")
                                 ->type_name("FILE");
    command->callback([&context, &run, options, csv] {
        options->csvGiven = csv->count() > 0;
        run = [&context, options] { return monitor(context, *options); };
    });
}
