#include "Api/Bus/ServoBus.h"

#include "Api/Bus/Protocol.h"
#include "Api/Source/ORSSerialLine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>

using Clock = std::chrono::steady_clock;

ServoBus::ServoBus(ORSSerialPort::Ptr port, PortUse use, ReplyRouter* replies)
    : m_port(std::move(port))
    , m_use(use)
    , m_ownReplies(replies ? nullptr : std::make_unique<ReplyRouter>())
    , m_replies(replies ? replies : m_ownReplies.get())
{
    if (m_ownReplies)  // fed on this thread, by the port's data callback during the wait's event loop
        m_ownReplies->setArrivalHook([this] {
            if (m_loop)
                m_loop->quit();
        });
}

ServoBus::~ServoBus()
{
    if (m_port && m_use == PortUse::Own) {
        m_port->setDelegate(nullptr);
        m_port->close();
    }
}

Result<void> ServoBus::open()
{
    m_port->setDelegate(this);
    m_port->open();
    if (m_port->isOpen())
        return {};
    QCoreApplication::processEvents();  // the port tells its delegate why, on the main thread
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1: cannot open").arg(m_port->path());
    return portFailure();
}

bool ServoBus::isUsable() const
{
    return !m_removed && m_port->isOpen();
}

Result<void> ServoBus::write(int servoId, int command, QByteArrayView parameters)
{
    if (!isUsable())
        return portFailure();
    if (m_port->sendData(SVProtocol::frame(uint8_t(servoId), uint8_t(command), parameters)))
        return isUsable() ? Result<void>() : portFailure();
    // The port reports why on the main thread; an unplugged adapter also announces its removal.
    const QString before = m_error;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(200);
    const auto told = [&] { return m_removed || m_error != before; };
    if (m_waiter)
        m_waiter(deadline, told);
    else
        while (!told() && Clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    if (m_error == before && !m_removed)
        m_error = QStringLiteral("%1: the write failed").arg(m_port->path());
    return portFailure();
}

Result<SVReply> ServoBus::read(int servoId, int command, Microseconds timeout)
{
    m_replies->await(servoId, command);
    const qint64 droppedBefore = m_replies->droppedBytes();
    const Clock::time_point sentAt = Clock::now();
    const Result<void> sent = write(servoId, command);
    if (sent) {
        waitUntil(Clock::now() + timeout);
        // A reply that has begun needs at most the time of its longest form to finish.
        if (!m_replies->hasReply() && m_replies->pendingSize() > 0)
            waitUntil(Clock::now() + byteTime * (SVFrameReader::maximumLength + 3) + Microseconds(2000));
    }
    const std::optional<ReplyRouter::Heard> reply = m_replies->takeReply();
    if (!sent || !isUsable())
        return portFailure();
    count(servoId, sentAt, droppedBefore, reply);
    if (reply) {
        m_replyReadTime = reply->readTime;
        return reply->reply;
    }
    return Failure::failed(QStringLiteral("servo %1 did not answer").arg(servoId)).about(servoId);
}

// A request without its reply is garbled when bytes came back that made no valid frame.
void ServoBus::count(int servoId, Clock::time_point sent, qint64 droppedBefore, const std::optional<ReplyRouter::Heard>& reply)
{
    ServoStatistics& statistics = m_statistics[servoId];
    ++statistics.requests;
    if (reply) {
        ++statistics.replies;
        if (statistics.roundTripsMs.size() >= ServoStatistics::roundTripLimit)
            statistics.roundTripsMs.erase(statistics.roundTripsMs.begin(), statistics.roundTripsMs.begin() + ServoStatistics::roundTripLimit / 2);
        statistics.roundTripsMs.push_back(std::chrono::duration<double, std::milli>(reply->readTime - sent).count());
    } else if (m_replies->droppedBytes() > droppedBefore || m_replies->pendingSize() > 0) {
        ++statistics.garbled;
    } else {
        ++statistics.timeouts;
    }
}

ServoStatistics ServoBus::statisticsOf(int servoId) const
{
    const auto found = m_statistics.find(servoId);
    return found == m_statistics.end() ? ServoStatistics{} : found->second;
}

Result<SVReply> ServoBus::readTwice(int servoId, int command)
{
    if (Result<SVReply> reply = read(servoId, command); reply || !isUsable())
        return reply;
    return read(servoId, command);
}

void ServoBus::listen(Microseconds duration)
{
    waitUntil(Clock::now() + duration);
}

void ServoBus::waitUntil(Clock::time_point deadline)
{
    waitForReply(deadline);
    for (int id : m_replies->takeBrokenFrameIds())
        ++m_statistics[id].brokenFrames;
}

void ServoBus::waitForReply(Clock::time_point deadline)
{
    if (m_waiter) {
        m_waiter(deadline, [this] { return m_replies->hasReply() || !isUsable(); });
        return;
    }
    while (!m_replies->hasReply() && isUsable()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(left);
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
}

void ServoBus::serialPortDidReceiveDataReadAt(ORSSerialPort*, const QByteArray& data, Clock::time_point readTime)
{
    m_replies->feed(data, readTime);
}

void ServoBus::serialPortWasRemovedFromSystem(ORSSerialPort*)
{
    markRemoved();
}

void ServoBus::markRemoved()
{
    m_removed = true;
    m_error = QStringLiteral("%1: the port is gone (unplugged?)").arg(m_port->path());
    if (m_loop)
        m_loop->quit();
}

void ServoBus::serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError& error)
{
    // Kept for the message of a failure. Modem lines that a pseudo-terminal cannot report change
    // nothing; the errors of a vanished device are its removal.
    if (m_removed || (m_port->isOpen() && ORSSerialLine::hasNoModemLines(error.code)))
        return;
    if (ORSSerialLine::isDeviceGone(error.code))
        markRemoved();
    else if (error.code == EBUSY || error.code == EWOULDBLOCK)
        m_error = QStringLiteral("%1: the port is in use by another program").arg(error.filePath);
    else
        m_error = QStringLiteral("%1: %2").arg(error.filePath, error.localizedDescription);
}
