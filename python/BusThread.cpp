#include "python/BusThread.h"

#include <QCoreApplication>
#include <QThread>

#include <exception>
#include <memory>
#include <stdexcept>

BusThread& BusThread::instance()
{
    // Never destroyed: the interpreter's exit hook stops the thread, and nothing may run after it.
    static auto* thread = new BusThread;
    return *thread;
}

QCoreApplication* BusThread::application()
{
    std::unique_lock lock(m_mutex);
    if (m_stopped)
        throw std::runtime_error("the servodesk module has shut down");
    if (m_application)
        return m_application;
    if (QCoreApplication* existing = QCoreApplication::instance())
        return existing;
    m_thread = std::thread([this] { serve(); });
    m_changed.wait(lock, [this] { return m_application != nullptr; });
    return m_application;
}

void BusThread::serve()
{
    static int argc = 1;
    static char name[] = "servodesk";
    static char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    {
        std::lock_guard lock(m_mutex);
        m_application = &application;
    }
    m_changed.notify_all();
    application.exec();
}

bool BusThread::run(const std::function<void()>& work, const std::function<bool()>& tick)
{
    std::unique_lock turn(m_turn, std::defer_lock);
    while (!turn.try_lock_for(tickInterval))
        if (tick())
            return false;
    QCoreApplication* app = application();
    if (QThread::currentThread() == app->thread()) {
        work();
        return true;
    }
    struct Call {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        std::exception_ptr error;
    };
    auto call = std::make_shared<Call>();
    const auto runWork = [call, &work] {
        try {
            work();
        } catch (...) {
            call->error = std::current_exception();
        }
        std::lock_guard lock(call->mutex);
        call->done = true;
        call->finished.notify_all();
    };
    QMetaObject::invokeMethod(app, runWork, Qt::QueuedConnection);
    std::unique_lock lock(call->mutex);
    while (!call->finished.wait_for(lock, tickInterval, [&] { return call->done; })) {
        lock.unlock();
        tick();
        lock.lock();
    }
    if (call->error)
        std::rethrow_exception(call->error);
    return true;
}

void BusThread::stop()
{
    std::lock_guard turn(m_turn);
    std::unique_lock lock(m_mutex);
    m_stopped = true;
    if (!m_application)
        return;
    QMetaObject::invokeMethod(m_application, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    lock.unlock();
    m_thread.join();
    m_application = nullptr;
}
