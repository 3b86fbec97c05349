#include "Api/Source/SVPortOptions.h"

#include "Api/Source/NodePath.h"
#include "Api/Source/ORSSerialPortManager.h"

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
        } else if (argument.startsWith(portAssignment)) {
            addPort(argument.mid(portAssignment.size()));
        } else if (argument == portOption) {
            // A missing value, or another option in its place, is a slip.
            const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].startsWith(u"--");
            addPort(hasValue ? arguments[++i] : QString());
        }
    }
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
