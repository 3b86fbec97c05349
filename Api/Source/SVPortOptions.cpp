#include "Api/Source/SVPortOptions.h"

#include "Api/Source/AdapterLatency.h"
#include "Api/Source/NodePath.h"
#include "Api/Source/ORSSerialPortManager.h"

#include <algorithm>
#include <cstdio>

SVPortOptions SVPortOptions::fromArguments(const QStringList& arguments)
{
    const QString portOption = QStringLiteral("--port");
    const QString portAssignment = portOption + QLatin1Char('=');
    SVPortOptions options;
    auto addPort = [&options](const QString& path) {
        if (path.isEmpty())
            options.errors.append(QStringLiteral("--port needs the path of a device node"));
        else
            options.extraPortPaths.append(path);
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--list-ports")) {
            options.listPorts = true;
        } else if (argument == QLatin1String("--demo")) {
            options.demo = true;
        } else if (argument == QLatin1String("--demo-servos")) {
            bool number = false;
            const int count = i + 1 < arguments.size() ? arguments[++i].toInt(&number) : 0;
            if (number && count >= 1 && count <= demoServosLimit)
                options.demoServos = count;
            else
                options.errors.append(QStringLiteral("--demo-servos needs a number of servos from 1 to %1").arg(demoServosLimit));
        } else if (argument == QLatin1String("--demo-new")) {
            bool number = false;
            const int count = i + 1 < arguments.size() ? arguments[++i].toInt(&number) : 0;
            if (number && count >= 1 && count <= demoServosLimit) {
                options.demoNew = count;
                options.demo = true;
            } else {
                options.errors.append(QStringLiteral("--demo-new needs a number of servos from 1 to %1").arg(demoServosLimit));
            }
        } else if (argument.startsWith(portAssignment)) {
            addPort(argument.mid(portAssignment.size()));
        } else if (argument == portOption) {
            // A missing value, or another option in its place, is a slip.
            const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].startsWith(u"--");
            addPort(hasValue ? arguments[++i] : QString());
        }
    }
    if (options.demoServos > 0 && !options.demo)
        options.errors.append(QStringLiteral("--demo-servos only goes with --demo"));
    return options;
}

SVPortOptions SVPortOptions::fromArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(NodePath::fromBytes(argv[i]));  // a path need not be UTF-8
    return fromArguments(arguments);
}

SVPortOptions SVPortOptions::applyArguments(int argc, char** argv)
{
    const SVPortOptions options = fromArguments(argc, argv);
    for (const QString& error : options.errors)
        std::fprintf(stderr, "servodesk: %s\n", qPrintable(error));
    ORSSerialPortManager::setExtraPortPaths(options.extraPortPaths);
    return options;
}

QStringList SVPortOptions::portListing(const ORSSerialPortManager& manager)
{
    QStringList lines;
    for (const ORSSerialPort::Ptr& port : manager.availablePorts()) {
        const DeviceDetails details = manager.deviceSource()->details(port->device());
        QStringList fields{port->name(), port->path()};
        if (!details.vendor.isEmpty())
            fields.append(QStringLiteral("vendor: ") + details.vendor);
        if (!details.model.isEmpty())
            fields.append(QStringLiteral("model: ") + details.model);
        if (!details.serialNumber.isEmpty())
            fields.append(QStringLiteral("serial: ") + details.serialNumber);
        if (!details.driver.isEmpty())
            fields.append(QStringLiteral("driver: ") + details.driver);
        if (const std::optional<int> timer = AdapterLatency::timerMs(port->path()))
            fields.append(QStringLiteral("%1: %2 ms").arg(latencyTimerKey, QString::number(*timer)));
        lines.append(fields.join(QLatin1Char('\t')));
    }
    return lines;
}

std::optional<int> SVPortOptions::latencyTimerOf(const QString& line)
{
    const QString prefix = latencyTimerKey + QStringLiteral(": ");
    const QString unit = QStringLiteral(" ms");
    for (const QString& field : line.split(QLatin1Char('\t')).mid(2)) {
        if (!field.startsWith(prefix) || !field.endsWith(unit))
            continue;
        bool ok = false;
        const int ms = field.mid(prefix.size(), field.size() - prefix.size() - unit.size()).toInt(&ok);
        if (ok)
            return ms;
    }
    return std::nullopt;
}

QString SVPortOptions::latencyHint(const QStringList& listing)
{
    QStringList timers;
    QStringList commands;
    int slowest = 0;
    for (const QString& line : listing) {
        const std::optional<int> timer = latencyTimerOf(line);
        if (!timer || *timer <= AdapterLatency::fastestMs)
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        timers.append(QStringLiteral("%1 ms on %2").arg(QString::number(*timer), fields.value(0)));
        commands.append(QStringLiteral("    ") + AdapterLatency::oneOffCommand(fields.value(1)));
        slowest = std::max(slowest, *timer);
    }
    if (timers.isEmpty())
        return {};
    return QStringLiteral(
               "Slow replies: the adapter's latency timer is %1. Its driver holds each reply back for up to that long, "
               "so every request waits for it, and a scan or a monitor runs up to %2 times slower than at 1 ms. "
               "To set it to 1 ms until the adapter is plugged in again:\n%3\n"
               "To set it to 1 ms whenever the adapter is plugged in, put this line in %4:\n    %5")
        .arg(timers.join(QStringLiteral(", ")), QString::number(slowest), commands.join(QLatin1Char('\n')),
             QLatin1String(AdapterLatency::ruleFile), QLatin1String(AdapterLatency::ruleLine));
}

int SVPortOptions::printPortList()
{
    const QStringList listing = portListing(*ORSSerialPortManager::sharedSerialPortManager());
    for (const QString& line : listing)
        std::printf("%s\n", qPrintable(line));
    if (const QString hint = latencyHint(listing); !hint.isEmpty())
        std::printf("\n%s\n", qPrintable(hint));
    std::fflush(stdout);
    return 0;
}
