#include "Api/Source/NotificationCenter.h"

#include <QMutexLocker>

#include <algorithm>
#include <atomic>

struct NotificationCenter::Observer {
    ObserverId id = 0;
    QObject* owner = nullptr;
    QString name;
    QObject* sender = nullptr;
    Callback callback;
    QMetaObject::Connection ownerWatch;
    // Cleared on removal, so that a delivery already under way skips an observer removed meanwhile.
    std::atomic<bool> active{true};

    bool matches(const Notification& notification) const
    {
        return (name.isEmpty() || name == notification.name) && (!sender || sender == notification.object);
    }
};

NotificationCenter* NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return &center;
}

NotificationCenter::NotificationCenter(QObject* parent)
    : QObject(parent)
{
}

NotificationCenter::~NotificationCenter()
{
    removeWhere([](const Observer&) { return true; });
}

NotificationCenter::ObserverId NotificationCenter::addObserver(QObject* owner, const QString& name, QObject* sender,
                                                               Callback callback)
{
    auto observer = std::make_shared<Observer>();
    observer->owner = owner;
    observer->name = name;
    observer->sender = sender;
    observer->callback = std::move(callback);
    {
        QMutexLocker lock(&m_mutex);
        observer->id = m_nextId++;
    }
    const ObserverId id = observer->id;
    if (owner) {
        observer->ownerWatch = connect(owner, &QObject::destroyed, this, [this, id] { removeObserver(id); },
                                       Qt::DirectConnection);
    }
    QMutexLocker lock(&m_mutex);
    m_observers.push_back(observer);
    return id;
}

void NotificationCenter::removeObserver(ObserverId id)
{
    removeWhere([id](const Observer& observer) { return observer.id == id; });
}

void NotificationCenter::removeObserver(QObject* owner, const QString& name, QObject* sender)
{
    removeWhere([&](const Observer& observer) {
        return observer.owner == owner && (name.isEmpty() || observer.name == name)
            && (!sender || observer.sender == sender);
    });
}

void NotificationCenter::removeWhere(const std::function<bool(const Observer&)>& matches)
{
    std::vector<std::shared_ptr<Observer>> removed;
    {
        QMutexLocker lock(&m_mutex);
        auto firstRemoved = std::stable_partition(m_observers.begin(), m_observers.end(),
                                                  [&](const auto& observer) { return !matches(*observer); });
        removed.assign(firstRemoved, m_observers.end());
        m_observers.erase(firstRemoved, m_observers.end());
    }
    for (const auto& observer : removed) {
        observer->active = false;
        disconnect(observer->ownerWatch);
    }
}

std::vector<std::shared_ptr<NotificationCenter::Observer>>
NotificationCenter::matchingObservers(const Notification& notification) const
{
    QMutexLocker lock(&m_mutex);
    std::vector<std::shared_ptr<Observer>> found;
    for (const auto& observer : m_observers) {
        if (observer->matches(notification))
            found.push_back(observer);
    }
    return found;
}

void NotificationCenter::post(const QString& name, QObject* sender, const QVariantMap& userInfo)
{
    const Notification notification{name, sender, userInfo};
    // Observers are called outside the lock, so that a callback may add or remove observers or post.
    for (const auto& observer : matchingObservers(notification)) {
        if (observer->active)
            observer->callback(notification);
    }
}
