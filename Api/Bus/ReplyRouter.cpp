#include "Api/Bus/ReplyRouter.h"

#include "Api/Bus/Protocol.h"

#include <QThread>

void ReplyRouter::setUnawaitedHandler(QObject* context, Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_context = context;
    m_handler = std::move(handler);
}

void ReplyRouter::setArrivalHook(std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_arrivalHook = std::move(hook);
}

void ReplyRouter::feed(QByteArrayView data, Clock::time_point readTime)
{
    bool arrived = false;
    bool wakeHandler = false;
    bool handleHere = false;
    std::function<void()> arrivalHook;
    {
        std::lock_guard lock(m_mutex);
        for (const QByteArray& frame : m_reader.append(data.toByteArray(), readTime)) {
            const std::optional<SVReply> reply = SVReplyDecoder::decode(frame);
            if (!reply)
                continue;
            const bool awaitedServo = reply->servoId == m_awaitedId || m_awaitedId == SVProtocol::broadcastId;
            if (awaitedServo && reply->command == m_awaitedCommand && !m_reply) {
                m_reply = Heard{frame, *reply, readTime};
                arrived = true;
            } else if (m_claimed || !m_handler || !m_context) {
                if (m_lateReplies.size() < lateReplyLimit)
                    m_lateReplies.append(*reply);
            } else {
                wakeHandler = wakeHandler || m_unawaited.isEmpty();
                m_unawaited.append(Heard{frame, *reply, readTime});
            }
        }
        arrivalHook = arrived ? m_arrivalHook : nullptr;
        handleHere = !m_unawaited.isEmpty() && m_context && QThread::currentThread() == m_context->thread();
        wakeHandler = wakeHandler && !handleHere;
    }
    if (arrivalHook)
        arrivalHook();
    if (handleHere)
        deliverUnawaited();
    else if (wakeHandler)
        QMetaObject::invokeMethod(m_context, [this] { deliverUnawaited(); }, Qt::QueuedConnection);
}

// On the handler's thread: everything waiting, oldest first.
void ReplyRouter::deliverUnawaited()
{
    QList<Heard> heard;
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        heard.swap(m_unawaited);
        handler = m_handler;
    }
    if (!heard.isEmpty() && handler)
        handler(heard);
}

void ReplyRouter::await(int servoId, int command)
{
    std::lock_guard lock(m_mutex);
    m_awaitedId = servoId;
    m_awaitedCommand = command;
    m_reply.reset();
}

bool ReplyRouter::hasReply() const
{
    std::lock_guard lock(m_mutex);
    return m_reply.has_value();
}

std::optional<ReplyRouter::Heard> ReplyRouter::takeReply()
{
    std::lock_guard lock(m_mutex);
    m_awaitedId = m_awaitedCommand = -1;
    return std::exchange(m_reply, std::nullopt);
}

void ReplyRouter::claim(bool claimed)
{
    std::lock_guard lock(m_mutex);
    m_claimed = claimed;
}

QList<SVReply> ReplyRouter::takeLateReplies()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_lateReplies, {});
}

QList<int> ReplyRouter::takeBrokenFrameIds()
{
    std::lock_guard lock(m_mutex);
    return m_reader.takeBrokenFrameIds();
}

qint64 ReplyRouter::droppedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_reader.droppedBytes();
}

qint64 ReplyRouter::droppedSinceFrame() const
{
    std::lock_guard lock(m_mutex);
    return m_reader.droppedSinceFrame();
}

qsizetype ReplyRouter::pendingSize() const
{
    std::lock_guard lock(m_mutex);
    return m_reader.pendingSize();
}

void ReplyRouter::clear()
{
    std::lock_guard lock(m_mutex);
    m_reader.clear();
    m_lateReplies.clear();
}
