#include "servoctl/CommandContext.h"
#include "Api/Bus/Protocol.h"
#include "Api/Bus/ServoIdList.h"

#include "Api/Source/ORSSerialPortManager.h"
#include "Api/Source/SVPortOptions.h"
#include "VirtualServo/DemoServoBox.h"
#include "VirtualServo/SVDemoServo.h"

#include "Api/Bus/WholeFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

ExitCode exitCodeOf(const Failure& failure)
{
    switch (failure.kind) {
    case Failure::Kind::Usage: return ExitUsage;
    case Failure::Kind::Interrupted: return ExitInterrupted;
    case Failure::Kind::Failed: break;
    }
    return ExitFailure;
}

CommandError commandError(const Failure& failure)
{
    return {exitCodeOf(failure), failure.message};
}

CommandContext::CommandContext() = default;

CommandContext::~CommandContext()
{
    m_bus.reset();  // the port closes before the demo bus behind it goes
}

void CommandContext::checkGlobalOptions() const
{
    requireNonEmpty(portPath, portGiven, "--port");
    if ((demo || demoServos > 0 || demoNew > 0) && portGiven)
        throw CommandError{ExitUsage, QStringLiteral("--demo and --port cannot go together: --demo uses a virtual bus, --port a real one")};
    if (!demo && demoServos == 0 && !demoFaults.empty())
        throw CommandError{ExitUsage, QStringLiteral("--demo-fault only goes with --demo")};
}

QList<int> CommandContext::demoServoIds() const
{
    if (demoServos <= 0)
        return {1, 2, 7};
    QList<int> ids;
    for (int id = 1; id <= demoServos; ++id)
        ids.append(id);
    return ids;
}

void CommandContext::prepareDemo()
{
    if ((!demo && demoServos <= 0 && demoNew <= 0) || m_demo)
        return;
    const QList<int> ids = demoServoIds();
    m_demo = std::make_unique<SVDemoServo>(ids);
    if (!m_demo->isValid())
        throw CommandError{ExitFailure, QStringLiteral("--demo: no virtual bus: ") + m_demo->errorString()};
    if (demoNew > 0) {
        m_box = std::make_unique<DemoServoBox>(m_demo->servo(), demoNew);
        m_box->setPairAtFromEnvironment();
    }
    // Paced like a real line, so that the demo shows real timings.
    m_demo->servo().setLinePacing(true);
    for (const std::string& fault : demoFaults)
        m_demo->addFault(QString::fromStdString(fault));
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
    throwOnFailure(bus->open());
    m_bus = std::move(bus);
    return *m_bus;
}

QString withControlsEscaped(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        const bool control = (code < 0x20 && code != u'\n' && code != u'\t') || (code >= 0x7f && code <= 0x9f);
        escaped += control ? QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0')) : QString(c);
    }
    return escaped;
}

namespace {

// Standard input, output and error: whether each was closed when the program started.
bool closedAtStart[3] = {false, false, false};

// Why descriptor cannot take output now, or an empty text.
QString whyNotWritable(int descriptor)
{
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || closedAtStart[descriptor])
        return QStringLiteral("it is closed");
    if ((flags & O_ACCMODE) == O_RDONLY)
        return QStringLiteral("it is open for reading only");
    pollfd output{descriptor, POLLOUT, 0};
    if (::poll(&output, 1, 0) == 1 && (output.revents & (POLLERR | POLLHUP | POLLNVAL)))
        return QStringLiteral("its reader or its terminal is gone");
    return {};
}

}  // namespace

void CommandContext::print(const QString& text)
{
    std::fputs(qPrintable(withControlsEscaped(text) + QLatin1Char('\n')), stdout);
}

void CommandContext::printJson(const QJsonDocument& document)
{
    printBytes(document.toJson(QJsonDocument::Indented));
}

void CommandContext::printBytes(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

namespace {

// Flushes stream; why anything written to it was lost, or an empty text.
QString faultOf(std::FILE* stream, const char* name)
{
    if (std::fflush(stream) == 0 && !std::ferror(stream))
        return {};
    const int error = errno;
    std::clearerr(stream);
    return QStringLiteral("%1: %2").arg(QLatin1String(name), QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace

QString CommandContext::outputFault()
{
    return faultOf(stdout, "standard output");
}

QString CommandContext::messageFault()
{
    return faultOf(stderr, "standard error");
}

void CommandContext::checkOutput()
{
    if (const QString fault = outputFault(); !fault.isEmpty())
        throw CommandError{ExitFailure, fault};
}

void CommandContext::guardStandardStreams()
{
    for (int descriptor = 0; descriptor < 3; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) >= 0)
            continue;
        closedAtStart[descriptor] = true;
        // open() takes the lowest free descriptor: this one. Without it no port may be opened.
        if (::open("/dev/null", O_RDWR) != descriptor)
            std::_Exit(ExitFailure);
    }
}

void CommandContext::requireWritableOutput(const QString& what)
{
    const std::pair<int, const char*> outputs[] = {{STDOUT_FILENO, "standard output"}, {STDERR_FILENO, "standard error"}};
    for (const auto& [descriptor, name] : outputs)
        if (const QString why = whyNotWritable(descriptor); !why.isEmpty())
            throw CommandError{ExitFailure, QStringLiteral("%1 cannot be written (%2); %3").arg(QLatin1String(name), why, what)};
}

void CommandContext::warn(const QString& message)
{
    std::fflush(stdout);
    std::fputs(qPrintable(QStringLiteral("servoctl: ") + withControlsEscaped(message) + QLatin1Char('\n')), stderr);
}

void CommandContext::requireWritableFile(const QString& path, const QString& consequence)
{
    const QFileInfo info(path);
    QString why;
    if (info.isDir()) {
        why = QStringLiteral("it is a folder");
    } else if (info.exists() && !info.isFile()) {
        if (!info.isWritable())
            why = QStringLiteral("permission denied");
    } else {
        // The file is written whole beside its target, then renamed: the folder must take a new file.
        QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.servoctl-XXXXXX"));
        if (!probe.open())
            why = probe.errorString();
    }
    if (!why.isEmpty())
        throw CommandError{ExitFailure, QStringLiteral("cannot write %1: %2; %3").arg(path, why, consequence)};
}

void CommandContext::writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    throwOnFailure(WholeFile::write(path, bytes));
}

QString servoIdRange()
{
    return QStringLiteral("%1-%2").arg(SVProtocol::lowestServoId).arg(SVProtocol::highestServoId);
}

std::string servoIdHelp(const char* what)
{
    return QStringLiteral("%1 (%2)").arg(QLatin1String(what), servoIdRange()).toStdString();
}

int servoIdFromArgument(const std::string& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    const QString id = QString::fromStdString(text);
    if (!digits.match(id).hasMatch())
        throw CommandError{ExitUsage, QStringLiteral("servo ID \"%1\" is not a whole number %2").arg(id, servoIdRange())};
    if (id.toInt() > SVProtocol::highestServoId)
        throw CommandError{ExitUsage, QStringLiteral("servo ID %1 is out of range %2").arg(id.toInt()).arg(servoIdRange())};
    return id.toInt();
}

QList<int> servoIdsFromArguments(const std::vector<std::string>& ids)
{
    QList<int> result;
    for (const std::string& text : ids) {
        const int id = servoIdFromArgument(text);
        if (!result.contains(id))
            result.append(id);
    }
    return result;
}

void requireNonEmpty(const std::string& value, bool given, const char* option)
{
    if (given && value.empty())
        throw CommandError{ExitUsage, QStringLiteral("%1: an empty name").arg(QLatin1String(option))};
}

QList<int> servoIdsFromRange(const QString& text, const QString& what)
{
    const Result<QList<int>> listed = ServoIdList::parse(text);
    if (!listed)
        throw CommandError{ExitUsage, QStringLiteral("%1: %2").arg(what, listed.failure().message)};
    QList<int> ids;
    for (int id : *listed)
        if (!ids.contains(id))
            ids.append(id);
    return ids;
}
