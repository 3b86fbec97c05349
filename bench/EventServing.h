// The window benchmarks' main thread: an application that calls hooks around every event it delivers,
// serving events for a while or until a condition holds, the process's processor time, and a count of
// the paint and timer events the main thread is woken for.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QMap>
#include <QPaintEvent>
#include <QString>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>

#include <sys/resource.h>

// Calls a hook before and after every event the application delivers on the main thread, to time the
// moment a control changed or to count what the main thread is woken for. Events of other threads
// with an event loop of their own (the bus thread) pass by the hooks.
class ObservedApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void()> afterEvent;
    std::function<void(QObject*, QEvent*)> beforeEvent;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        if (beforeEvent)
            beforeEvent(receiver, event);
        const bool result = QApplication::notify(receiver, event);
        if (afterEvent)
            afterEvent();
        return result;
    }
};

// Serves the main thread's events until done() or the time-out. The thread sleeps between events, as
// in the application: a busy wait here would take a core from the threads being measured.
template <typename Done>
bool serveUntil(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    QTimer heartbeat;  // wakes the thread now and then for conditions that no event announces
    heartbeat.start(50);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void serveFor(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// User and system processor time of this process, every thread, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// While it lives, counts the paint events (with their area) and timer events the application
// delivers, by the class of their receiver, with the time spent in them. The time of an event includes
// the events delivered within it: a timer that repaints at once counts its paint too.
class EventCensus {
public:
    explicit EventCensus(ObservedApplication& app) : m_app(app)
    {
        m_app.beforeEvent = [this](QObject* receiver, QEvent* event) { begin(receiver, event); };
        m_app.afterEvent = [this] { end(); };
    }
    ~EventCensus()
    {
        m_app.beforeEvent = nullptr;
        m_app.afterEvent = nullptr;
    }
    EventCensus(const EventCensus&) = delete;
    EventCensus& operator=(const EventCensus&) = delete;

    void print(double wallSeconds, FILE* out = stdout) const
    {
        for (auto it = m_paints.cbegin(); it != m_paints.cend(); ++it)
            std::fprintf(out, "  paint events of %-36s %6.1f per second, %9.0f pixels per second, %6.2f ms per second\n",
                        qPrintable(it.key()), it->count / wallSeconds, double(it->pixels) / wallSeconds, it->milliseconds / wallSeconds);
        for (auto it = m_timers.cbegin(); it != m_timers.cend(); ++it)
            std::fprintf(out, "  timer events of %-36s %6.1f per second, %20.2f ms per second\n", qPrintable(it.key()),
                        it->count / wallSeconds, it->milliseconds / wallSeconds);
    }

private:
    struct Tally {
        int count = 0;
        qint64 pixels = 0;
        double milliseconds = 0;
    };
    struct Open {
        Tally* tally = nullptr;  // none for events not counted
        std::chrono::steady_clock::time_point start;
    };

    void begin(QObject* receiver, QEvent* event)
    {
        Tally* tally = nullptr;
        if (event->type() == QEvent::Paint || event->type() == QEvent::Timer) {
            const bool plain = receiver->metaObject() == &QWidget::staticMetaObject || event->type() == QEvent::Timer;
            const QString name = nameOf(receiver, plain ? receiver->parent() : nullptr);
            tally = event->type() == QEvent::Paint ? &m_paints[name] : &m_timers[name];
            ++tally->count;
        }
        if (tally && event->type() == QEvent::Paint)
            for (const QRect& part : static_cast<QPaintEvent*>(event)->region())
                tally->pixels += qint64(part.width()) * part.height();
        m_open.push_back({tally, std::chrono::steady_clock::now()});
    }

    // A timer or a plain widget (a view's viewport) is named with its owner's class too, and a timer
    // with its interval, to tell them apart.
    static QString nameOf(const QObject* receiver, const QObject* owner = nullptr)
    {
        QString name = QString::fromLatin1(receiver->metaObject()->className());
        if (owner)
            name += QStringLiteral(" of ") + QString::fromLatin1(owner->metaObject()->className());
        if (const auto* timer = qobject_cast<const QTimer*>(receiver))
            name += QStringLiteral(", %1 ms").arg(timer->interval());
        return name;
    }

    void end()
    {
        if (m_open.isEmpty())
            return;  // an event that began before the census
        const Open open = m_open.takeLast();
        if (open.tally)
            open.tally->milliseconds += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - open.start).count();
    }

    ObservedApplication& m_app;
    QMap<QString, Tally> m_paints;  // QMap keeps its values in place as it grows
    QMap<QString, Tally> m_timers;
    QList<Open> m_open;  // the events being delivered, innermost last
};
