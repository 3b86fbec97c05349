#include "Api/Source/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QThread>

#include <thread>

namespace {

struct Recorder {
    QStringList names;
    QList<QObject*> senders;
    QList<QVariantMap> userInfos;
    NotificationCenter::Callback callback()
    {
        return [this](const Notification& notification) {
            names.append(notification.name);
            senders.append(notification.object);
            userInfos.append(notification.userInfo);
        };
    }
};

} // namespace

TEST(NotificationCenter, DeliversByNameAndSender)
{
    NotificationCenter center;
    QObject owner, senderA, senderB;
    Recorder anySender, onlyA, otherName, everyName;
    center.addObserver(&owner, QStringLiteral("Plugged"), nullptr, anySender.callback());
    center.addObserver(&owner, QStringLiteral("Plugged"), &senderA, onlyA.callback());
    center.addObserver(&owner, QStringLiteral("Unplugged"), nullptr, otherName.callback());
    center.addObserver(&owner, QString(), nullptr, everyName.callback());

    const QVariantMap info{{QStringLiteral("key"), 7}};
    center.post(QStringLiteral("Plugged"), &senderA, info);
    center.post(QStringLiteral("Plugged"), &senderB);
    center.post(QStringLiteral("Other"), nullptr);

    EXPECT_EQ(anySender.senders, (QList<QObject*>{&senderA, &senderB}));
    ASSERT_EQ(onlyA.names.size(), 1);
    EXPECT_EQ(onlyA.senders.first(), &senderA);
    EXPECT_EQ(onlyA.userInfos.first(), info);
    EXPECT_TRUE(otherName.names.isEmpty());
    EXPECT_EQ(everyName.names, (QStringList{"Plugged", "Plugged", "Other"}));
}

TEST(NotificationCenter, DestroyingTheOwnerEndsItsObservations)
{
    NotificationCenter center;
    Recorder recorder;
    auto* owner = new QObject;
    center.addObserver(owner, QStringLiteral("N"), nullptr, recorder.callback());
    center.post(QStringLiteral("N"));
    delete owner;
    center.post(QStringLiteral("N"));
    EXPECT_EQ(recorder.names.size(), 1);
}

TEST(NotificationCenter, RemovesByIdAndByOwnerAndName)
{
    NotificationCenter center;
    QObject first, second;
    Recorder byId, firstA, firstB, secondA;
    const auto id = center.addObserver(&first, QStringLiteral("A"), nullptr, byId.callback());
    center.addObserver(&first, QStringLiteral("A"), nullptr, firstA.callback());
    center.addObserver(&first, QStringLiteral("B"), nullptr, firstB.callback());
    center.addObserver(&second, QStringLiteral("A"), nullptr, secondA.callback());

    center.removeObserver(id);
    center.removeObserver(&first, QStringLiteral("A"));
    center.post(QStringLiteral("A"));
    center.post(QStringLiteral("B"));
    EXPECT_TRUE(byId.names.isEmpty());
    EXPECT_TRUE(firstA.names.isEmpty());
    EXPECT_EQ(firstB.names.size(), 1);
    EXPECT_EQ(secondA.names.size(), 1);

    center.removeObserver(&first);
    center.post(QStringLiteral("B"));
    EXPECT_EQ(firstB.names.size(), 1);
}

TEST(NotificationCenter, CallbacksMayChangeObserversAndPostWhileDelivering)
{
    NotificationCenter center;
    QObject owner;
    Recorder late, nested;
    NotificationCenter::ObserverId second = 0;
    // The first observer removes the second before it is reached, adds a new one and posts again.
    center.addObserver(&owner, QStringLiteral("N"), nullptr, [&](const Notification&) {
        center.removeObserver(second);
        center.addObserver(&owner, QStringLiteral("N"), nullptr, late.callback());
        center.post(QStringLiteral("Nested"));
    });
    second = center.addObserver(&owner, QStringLiteral("N"), nullptr,
                                [](const Notification&) { ADD_FAILURE() << "a removed observer was called"; });
    center.addObserver(&owner, QStringLiteral("Nested"), nullptr, nested.callback());

    center.post(QStringLiteral("N"));
    EXPECT_EQ(nested.names.size(), 1);
    EXPECT_TRUE(late.names.isEmpty()) << "an observer added during delivery joins from the next post";
    center.removeObserver(&owner, QStringLiteral("N"));
}

TEST(NotificationCenter, DeliversSynchronouslyOnThePostingThread)
{
    QObject owner;
    Qt::HANDLE deliveredOn = nullptr;
    NotificationCenter::defaultCenter()->addObserver(&owner, SVChangeLanguageNotification, nullptr,
                                                     [&](const Notification&) { deliveredOn = QThread::currentThreadId(); });
    Qt::HANDLE postedOn = nullptr;
    std::thread poster([&] {
        postedOn = QThread::currentThreadId();
        NotificationCenter::defaultCenter()->post(SVChangeLanguageNotification);
    });
    poster.join();
    EXPECT_NE(postedOn, nullptr);
    EXPECT_EQ(deliveredOn, postedOn);
    EXPECT_EQ(NotificationCenter::defaultCenter(), NotificationCenter::defaultCenter());
}
