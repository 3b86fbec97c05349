#include "Api/Source/ORSMainThreadGate.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

// Marks one queued call as finished when the queued functor is destroyed: after it ran, or when the
// event queue discarded it without running it.
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

void ORSMainThreadGate::post(std::function<void()> work)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
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
