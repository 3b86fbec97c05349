#include "Classes/View/Progress/SVProgressView.h"

#include "Tools/SVLocalized.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <chrono>

namespace {
QString settingTitle()
{
    return SVLocalized::text(QStringLiteral("setting"));
}
}  // namespace

QList<float> SVProgressView::stepDelays()
{
    QList<float> delays;
    for (float t = 0; t < 1.0f; t += stepInterval)
        delays.append(t);
    return delays;
}

SVProgressView::SVProgressView(QWidget* parent)
    : QWidget(parent)
    , m_title(settingTitle())
{
    setScheduler({});
    hide();  // shown by the first run
}

void SVProgressView::setScheduler(Scheduler scheduler)
{
    if (scheduler) {
        m_schedule = std::move(scheduler);
        return;
    }
    m_schedule = [this](std::chrono::microseconds delay, std::function<void()> task) {
        const auto due = std::chrono::round<std::chrono::milliseconds>(delay);
        QTimer::singleShot(due, Qt::PreciseTimer, this, std::move(task));
    };
}

void SVProgressView::setPro(double v)
{
    m_pro = v;
    if (v <= 0) {
        hide();
        update();
        return;
    }
    show();
    QElapsedTimer scheduling;
    scheduling.start();
    for (float delay : stepDelays()) {
        m_schedule(std::chrono::microseconds(qRound64(double(delay) * 1e6)), [this, run = m_runs] {
            if (run == m_runs)
                showProgress();
        });
    }
    // Part of the program's log: how long scheduling the steps took.
    qInfo("－－－－－－cost time = %f ms(毫秒)", scheduling.nsecsElapsed() / 1e6);
}

void SVProgressView::showProgress(QObject*)
{
    if (m_pro < completeAt) {
        m_title = settingTitle();
    } else if (m_confirmationsAwaited > 0) {
        m_completionWaiting = true;
    } else {
        complete();
    }
    update();
    m_pro += 1;
}

void SVProgressView::complete()
{
    m_title = SVLocalized::text(QStringLiteral("set_complete"));
    m_schedule(std::chrono::milliseconds(hideDelayMs), [this, run = m_runs] {
        if (run != m_runs)
            return;
        setPro(0);
        m_title = settingTitle();
    });
    update();
}

void SVProgressView::awaitConfirmation()
{
    ++m_confirmationsAwaited;
}

void SVProgressView::confirm()
{
    if (m_confirmationsAwaited > 0)
        --m_confirmationsAwaited;
    if (m_confirmationsAwaited == 0 && m_completionWaiting) {
        m_completionWaiting = false;
        complete();
    }
}

void SVProgressView::stop()
{
    ++m_runs;
    m_confirmationsAwaited = 0;
    m_completionWaiting = false;
    m_title = settingTitle();
    setPro(0);
}

void SVProgressView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), 2, 2);
    painter.fillPath(track, QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3));

    if (m_pro > 0) {
        QPainterPath bar;
        bar.addRoundedRect(QRectF(0, 0, m_pro, height()), 2, 2);
        painter.fillPath(bar, QColor(0, 255, 0));
    }

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QSizeF textSize = painter.fontMetrics().boundingRect(rect(), Qt::AlignLeft, m_title).size();
    const QRectF textBox((width() - textSize.width()) / 2, (height() - textSize.height()) / 2, textSize.width(),
        textSize.height());
    painter.drawText(textBox, Qt::AlignCenter | Qt::TextDontClip, m_title);
}
