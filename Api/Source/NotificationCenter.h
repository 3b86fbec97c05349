// The process's default notification centre: named notifications with a sender and a userInfo
// dictionary, delivered synchronously to every matching observer on the posting thread.
#pragma once

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

// Posted after every change of the interface language, with the controller as sender and no payload.
inline const QString SVChangeLanguageNotification = QStringLiteral("SVChangeLanguageNotification");

struct Notification {
    QString name;
    QObject* object = nullptr;  // the sender
    QVariantMap userInfo;
};

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const Notification&)>;
    using ObserverId = quint64;

    static NotificationCenter* defaultCenter();

    explicit NotificationCenter(QObject* parent = nullptr);
    ~NotificationCenter() override;

    // Calls callback for every notification called name (every name when empty) posted by sender
    // (any sender when null). The observation ends when owner is destroyed or it is removed.
    ObserverId addObserver(QObject* owner, const QString& name, QObject* sender, Callback callback);
    void removeObserver(ObserverId id);
    // Removes owner's observations of name (all names when empty) from sender (all when null).
    void removeObserver(QObject* owner, const QString& name = {}, QObject* sender = nullptr);

    void post(const QString& name, QObject* sender = nullptr, const QVariantMap& userInfo = {});

private:
    struct Observer;
    std::vector<std::shared_ptr<Observer>> matchingObservers(const Notification& notification) const;
    void removeWhere(const std::function<bool(const Observer&)>& matches);

    mutable QMutex m_mutex;
    std::vector<std::shared_ptr<Observer>> m_observers;
    ObserverId m_nextId = 1;
};
