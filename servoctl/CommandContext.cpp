#include "servoctl/CommandContext.h"

#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/SVPortOptions.h"
#include "VirtualServo/SVDemoServo.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

CommandContext::CommandContext() = default;

CommandContext::~CommandContext()
{
    m_bus.reset();  // the port closes before the demo bus behind it goes
}

void CommandContext::prepareDemo()
{
    if (!demo || m_demo)
        return;
    m_demo = std::make_unique<SVDemoServo>(demoServoIds);
    if (!m_demo->isValid())
        throw CommandError{ExitFailure, QStringLiteral("--demo: no virtual bus: ") + m_demo->errorString()};
    // Paced like a real line, so that the demo shows real timings.
    m_demo->servo().setLinePacing(true);
    m_demo->installInSharedPortManager();
}

QStringList CommandContext::portListing()
{
    prepareDemo();
    if (!portPath.empty())
        ORSSerialPortManager::setExtraPortPaths({QString::fromStdString(portPath)});
    return SVPortOptions::portListing(*ORSSerialPortManager::sharedSerialPortManager());
}

QString CommandContext::choosePortPath()
{
    if (!portPath.empty())
        return QString::fromStdString(portPath);
    prepareDemo();
    if (m_demo)
        return m_demo->servo().slavePath();
    const ORSSerialPortList ports = ORSSerialPortManager::sharedSerialPortManager()->availablePorts();
    if (ports.isEmpty())
        throw CommandError{ExitFailure, QStringLiteral("no serial port found; plug in the adapter or name one with --port PATH")};
    if (ports.size() > 1) {
        QStringList paths;
        for (const ORSSerialPort::Ptr& port : ports)
            paths.append(port->path());
        throw CommandError{ExitUsage, QStringLiteral("several serial ports (%1): choose one with --port PATH").arg(paths.join(QStringLiteral(", ")))};
    }
    return ports.first()->path();
}

ServoBus& CommandContext::bus()
{
    if (m_bus)
        return *m_bus;
    const QString path = choosePortPath();
    if (!QFileInfo::exists(path))
        throw CommandError{ExitFailure, QStringLiteral("%1: no such port").arg(path)};
    auto bus = std::make_unique<ServoBus>(ORSSerialPort::serialPortWithPath(path));
    if (!bus->open())
        throw CommandError{ExitFailure, bus->errorString()};
    m_bus = std::move(bus);
    return *m_bus;
}

void CommandContext::print(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
}

void CommandContext::printJson(const QJsonDocument& document)
{
    const QByteArray bytes = document.toJson(QJsonDocument::Indented);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void CommandContext::warn(const QString& message)
{
    std::fflush(stdout);
    std::fputs(qPrintable(QStringLiteral("servoctl: ") + message + QLatin1Char('\n')), stderr);
}

void CommandContext::writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw CommandError{ExitFailure, QStringLiteral("%1: %2").arg(path, file.errorString())};
}

QList<int> servoIdsFromArguments(const std::vector<int>& ids)
{
    QList<int> result;
    for (int id : ids) {
        if (id < 0 || id > 253)
            throw CommandError{ExitUsage, QStringLiteral("servo ID %1 is out of range 0-253").arg(id)};
        if (!result.contains(id))
            result.append(id);
    }
    return result;
}

QList<int> servoIdsFromRange(const QString& text)
{
    const CommandError error{ExitUsage, QStringLiteral("--ids: \"%1\" is not a list of IDs such as 0-253 or 1,2,7").arg(text)};
    std::vector<int> ids;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList bounds = part.split(QLatin1Char('-'));
        bool okFirst = false;
        bool okLast = false;
        const int first = bounds.value(0).trimmed().toInt(&okFirst);
        const int last = bounds.size() == 2 ? bounds.at(1).trimmed().toInt(&okLast) : first;
        if (!okFirst || (bounds.size() == 2 && !okLast) || bounds.size() > 2 || last < first)
            throw error;
        for (int id = first; id <= last && id <= 254; ++id)
            ids.push_back(id);
        if (last > 253)
            ids.push_back(last);  // reported as out of range below
    }
    return servoIdsFromArguments(ids);
}
