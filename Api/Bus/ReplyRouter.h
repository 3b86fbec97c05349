// The one reader of a line's replies. Every byte the port reads comes here, from whichever thread
// read it: the frame reader cuts the stream into frames, the reply decoder reads each once, and each
// reply goes to one place:
// - the read that awaits it (this servo, this command), which is then woken;
// - otherwise, while a job has claimed the line, that job's late replies (a scan's second answer);
// - otherwise the handler of unawaited replies: in the window, the controller, which shows the
//   Basic and Parameters pages' replies. Without a handler they are kept as late replies too.
#pragma once

#include "Api/Bus/SVFrameReader.h"
#include "Api/Bus/SVReplyDecoder.h"
#include "Api/Source/ORSSerialPort.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

class ReplyRouter : public ORSSerialPortReceiver {
public:
    using Clock = std::chrono::steady_clock;
    struct Heard {
        QByteArray frame;
        SVReply reply;
        Clock::time_point readTime;
    };
    static constexpr qsizetype lateReplyLimit = 256;

    // Unawaited replies reach handler on context's thread, in the order they came: at once when fed
    // there, else all that arrive meanwhile behind one queued call. None after context is gone; the
    // router lives as long as context and is fed from other threads only while both live.
    using Handler = std::function<void(const QList<Heard>& heard)>;
    void setUnawaitedHandler(QObject* context, Handler handler);
    // Runs on the feeding thread, outside the router's lock, when an awaited reply has come.
    void setArrivalHook(std::function<void()> hook);

    // Any thread.
    void feed(QByteArrayView data, Clock::time_point readTime);
    void receive(QByteArrayView data, Clock::time_point readTime) override { feed(data, readTime); }

    // A read of command from servoId awaits its reply (from the broadcast ID: any servo's).
    void await(int servoId, int command);
    bool hasReply() const;
    // The awaited reply, if it came; the read no longer awaits one.
    std::optional<Heard> takeReply();
    // While claimed, replies nobody awaits are the claiming job's late replies.
    void claim(bool claimed);
    // Oldest first, at most lateReplyLimit; taking them empties the list.
    QList<SVReply> takeLateReplies();

    // The frame reader's counts (SVFrameReader).
    QList<int> takeBrokenFrameIds();
    qint64 droppedBytes() const;
    qint64 droppedSinceFrame() const;
    qsizetype pendingSize() const;
    // Forgets a partial frame and the late replies: the line was closed.
    void clear();

private:
    void deliverUnawaited();

    mutable std::mutex m_mutex;
    SVFrameReader m_reader;
    int m_awaitedId = -1;
    int m_awaitedCommand = -1;
    std::optional<Heard> m_reply;
    bool m_claimed = false;
    QList<SVReply> m_lateReplies;
    QList<Heard> m_unawaited;  // waiting for the handler's thread
    QObject* m_context = nullptr;
    Handler m_handler;
    std::function<void()> m_arrivalHook;
};
