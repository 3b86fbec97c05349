#include "Api/Source/ORSMainThreadGate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <atomic>
#include <deque>
#include <utility>

// Marks one queued call as finished when the queued work is destroyed: after it ran, or when it was
// dropped unrun.
struct ORSMainThreadGate::Completion {
    Completion(std::shared_ptr<ORSMainThreadGate> gate, std::shared_ptr<bool> finished)
        : gate(std::move(gate)), finished(std::move(finished))
    {
    }
    ~Completion()
    {
        std::lock_guard lock(gate->m_mutex);
        *finished = true;
        gate->m_changed.notify_all();
    }
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;

    std::shared_ptr<ORSMainThreadGate> gate;
    std::shared_ptr<bool> finished;
};

bool ORSMainThreadGate::isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace {

// Work for the main thread, in posting order. At most one wake-up event is queued at any time: it
// runs the oldest item and, when more wait, queues the next wake-up before running it, so that Qt's
// event queue never holds more than one of ours however much work is posted, and work posted while
// an item runs a nested event loop (a modal box) still runs.
struct MainThreadWork {
    std::mutex mutex;
    std::deque<std::function<void()>> items;
    bool wakeQueued = false;
};

MainThreadWork& mainThreadWork()
{
    static auto* work = new MainThreadWork;  // never destroyed: posts may come during exit
    return *work;
}

// Work that can no longer run because the application object is gone is dropped, which also ends
// every wait for it.
void dropWorkWithApplication(QCoreApplication* app)
{
    static std::atomic<QCoreApplication*> watched{nullptr};
    if (watched.exchange(app) == app)
        return;
    QObject::connect(app, &QObject::destroyed, [] {
        std::deque<std::function<void()>> dropped;
        MainThreadWork& work = mainThreadWork();
        std::lock_guard lock(work.mutex);
        dropped.swap(work.items);
        work.wakeQueued = false;  // the wake-up event went with the application's event queue
    });
}

// Lives on the main thread and runs the oldest queued work for each wake-up event it gets there.
// The event carries no data and our code never reads it: the work itself passes through the locked
// list above, so that ThreadSanitizer sees every hand-over, although it cannot see the locks inside
// Qt's event queue.
class MainThreadWorkRunner : public QObject {
public:
    // The one runner, made on first use from any thread and moved to the application's thread.
    static MainThreadWorkRunner& instance(QCoreApplication* app)
    {
        static MainThreadWorkRunner* runner = [app] {
            auto* made = new MainThreadWorkRunner;  // never destroyed, like the work list
            made->moveToThread(app->thread());
            return made;
        }();
        return *runner;
    }

    // Queues one run of the oldest work on the main thread.
    void wake() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }

protected:
    void customEvent(QEvent*) override { runOldestWork(); }

private:
    void runOldestWork()
    {
        std::function<void()> next;
        bool moreWaiting = false;
        {
            MainThreadWork& work = mainThreadWork();
            std::lock_guard lock(work.mutex);
            if (work.items.empty()) {
                work.wakeQueued = false;
                return;
            }
            next = std::move(work.items.front());
            work.items.pop_front();
            moreWaiting = !work.items.empty();
            work.wakeQueued = moreWaiting;
        }
        if (moreWaiting)
            wake();
        next();
    }
};

} // namespace

void ORSMainThreadGate::post(std::function<void()> work)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    dropWorkWithApplication(app);
    MainThreadWork& queue = mainThreadWork();
    // The call is queued after the lock is let go, so that the woken main thread never has to wait
    // for this thread to be scheduled again to release it.
    bool wakeNeeded = false;
    {
        std::lock_guard lock(queue.mutex);
        queue.items.push_back(std::move(work));
        wakeNeeded = !std::exchange(queue.wakeQueued, true);
    }
    if (wakeNeeded)
        MainThreadWorkRunner::instance(app).wake();
}

void ORSMainThreadGate::runAndWait(std::function<void()> work)
{
    if (isMainThread()) {
        work();
        return;
    }
    auto finished = std::make_shared<bool>(false);
    {
        auto completion = std::make_shared<Completion>(shared_from_this(), finished);
        post([work = std::move(work), completion = std::move(completion)] { work(); });
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return *finished || m_released; });
}

void ORSMainThreadGate::release()
{
    std::lock_guard lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}
