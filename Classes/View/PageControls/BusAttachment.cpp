#include "Classes/View/PageControls/BusAttachment.h"

#include "Api/Bus/BusWorker.h"

#include <QEvent>
#include <QWidget>

BusAttachment::BusAttachment(QWidget* page, int refreshIntervalMs, Connect connect)
    : QObject(page)
    , m_page(page)
    , m_connect(std::move(connect))
{
    m_refresh.setInterval(refreshIntervalMs);
    QObject::connect(&m_refresh, &QTimer::timeout, this, &BusAttachment::refreshDue);
    page->installEventFilter(this);
}

bool BusAttachment::attach(BusWorker* worker)
{
    if (worker == m_worker)
        return false;
    for (const QMetaObject::Connection& connection : std::exchange(m_connections, {}))
        disconnect(connection);
    m_worker = worker;
    if (worker)
        m_connections = m_connect(worker);
    runTimerWhileUseful();
    return true;
}

bool BusAttachment::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_page && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        runTimerWhileUseful();
    return QObject::eventFilter(watched, event);
}

void BusAttachment::runTimerWhileUseful()
{
    if (m_worker && m_page->isVisible())
        m_refresh.start();
    else
        m_refresh.stop();
}
