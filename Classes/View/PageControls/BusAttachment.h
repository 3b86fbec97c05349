// What a page that works on the window's bus (Motion, Robot) holds of it: the bus it is attached to,
// its connections to the bus's signals, and the refresh of the live values, due every interval while
// the page is shown and attached.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class BusWorker;
class QWidget;

class BusAttachment : public QObject {
    Q_OBJECT
public:
    using Connect = std::function<QList<QMetaObject::Connection>(BusWorker* worker)>;

    // page is watched for being shown and hidden; connect makes the page's connections to a bus.
    BusAttachment(QWidget* page, int refreshIntervalMs, Connect connect);

    BusWorker* worker() const { return m_worker; }
    // Attaches to worker (nullptr: none): the old bus's connections go, the new one's are made.
    // False, with nothing done, when worker is attached already.
    bool attach(BusWorker* worker);

signals:
    void refreshDue();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void runTimerWhileUseful();

    QWidget* m_page;
    Connect m_connect;
    QPointer<BusWorker> m_worker;
    QList<QMetaObject::Connection> m_connections;
    QTimer m_refresh;
};
