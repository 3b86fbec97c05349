// servoctl monitor: streams temperature, voltage, position and motor power, one row per servo per
// sample, until Ctrl-C; the CSV file is complete when it stops.
#include "servoctl/Commands.h"
#include "servoctl/ServoAccess.h"

#include <QDateTime>
#include <QJsonObject>
#include <QSaveFile>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void requestStop(int)
{
    stopRequested = true;
}

// Ctrl-C and a polite kill end the sampling after the current read, not the process.
void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

struct MonitorOptions {
    std::vector<int> ids;
    double rate = 10;
    std::string csv;
};

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

int monitor(CommandContext& context, const MonitorOptions& options)
{
    const QList<int> ids = servoIdsFromArguments(options.ids);
    if (!(options.rate > 0 && options.rate <= 1000))
        throw CommandError{ExitUsage, QStringLiteral("--rate: %1 is out of range (0-1000]").arg(options.rate)};
    ServoBus& bus = context.bus();
    QSaveFile csv(QString::fromStdString(options.csv));
    if (!options.csv.empty() && !csv.open(QIODevice::WriteOnly | QIODevice::Text))
        throw CommandError{ExitFailure, QStringLiteral("%1: %2").arg(csv.fileName(), csv.errorString())};
    if (csv.isOpen())
        csv.write((csvHeader + QLatin1Char('\n')).toUtf8());
    else if (!context.json)
        CommandContext::print(csvHeader);

    catchStopSignals();
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / options.rate));
    Clock::time_point next = Clock::now();
    int status = ExitSuccess;
    while (!stopRequested && bus.isUsable()) {
        for (int id : ids) {
            QString error;
            const auto state = ServoAccess::readState(bus, id, &error);
            if (stopRequested)
                break;
            if (!state) {
                CommandContext::warn(error);
                status = ExitFailure;
                continue;
            }
            const QString time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
            if (csv.isOpen())
                csv.write((csvRow(time, id, *state) + QLatin1Char('\n')).toUtf8());
            else
                CommandContext::print(context.json ? jsonRow(time, id, *state) : csvRow(time, id, *state));
            std::fflush(stdout);
        }
        next += period;
        const Clock::time_point now = Clock::now();
        if (next < now)
            next = now;  // the bus is slower than the rate: sample as fast as it goes
        while (!stopRequested && Clock::now() < next)
            std::this_thread::sleep_for(std::min<Clock::duration>(next - Clock::now(), std::chrono::milliseconds(20)));
    }
    if (!bus.isUsable()) {
        CommandContext::warn(bus.errorString());
        status = ExitFailure;
    }
    if (csv.isOpen() && !csv.commit())
        throw CommandError{ExitFailure, QStringLiteral("%1: %2").arg(csv.fileName(), csv.errorString())};
    return status;
}

}  // namespace

void addMonitorCommand(CLI::App& app, CommandContext& context, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand(
        "monitor", "Stream temperature, voltage, position and torque of each servo until Ctrl-C, one row per servo per sample");
    auto options = std::make_shared<MonitorOptions>();
    command->add_option("ID", options->ids, "Servo IDs (0-253)")->required();
    command->add_option("--rate", options->rate, "Samples a second of each servo (at most what the bus carries)")->type_name("HZ")->capture_default_str();
    command->add_option("--csv", options->csv, "Write the rows to FILE as CSV with a header row, complete when monitor stops")->type_name("FILE");
    command->callback([&context, &run, options] { run = [&context, options] { return monitor(context, *options); }; });
}
