#include "Api/Source/SVPortOptions.h"

#include "Api/Source/ORSSerialPortManager.h"

#include <cstdio>

SVPortOptions SVPortOptions::fromArguments(const QStringList& arguments)
{
    const QString portOption = QStringLiteral("--port");
    const QString portAssignment = portOption + QLatin1Char('=');
    SVPortOptions options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--list-ports")) {
            options.listPorts = true;
        } else if (argument == QLatin1String("--demo")) {
            options.demo = true;
        } else if (argument == portOption) {
            if (i + 1 < arguments.size())
                options.extraPortPaths.append(arguments[++i]);
            else
                options.errors.append(QStringLiteral("--port needs the path of a device node"));
        } else if (argument.startsWith(portAssignment)) {
            options.extraPortPaths.append(argument.mid(portAssignment.size()));
        }
    }
    return options;
}

SVPortOptions SVPortOptions::fromArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return fromArguments(arguments);
}

SVPortOptions SVPortOptions::applyArguments(int argc, char** argv)
{
    const SVPortOptions options = fromArguments(argc, argv);
    for (const QString& error : options.errors)
        std::fprintf(stderr, "%s\n", qPrintable(error));
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
        lines.append(fields.join(QLatin1Char('\t')));
    }
    return lines;
}

int SVPortOptions::printPortList()
{
    for (const QString& line : portListing(*ORSSerialPortManager::sharedSerialPortManager()))
        std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    return 0;
}
