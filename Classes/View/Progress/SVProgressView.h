// The progress bar of the write workflow: a run fills it by one unit per step, 162 steps over about
// one second, then it shows "set_complete" and hides itself half a second later.
#pragma once

#include <QList>
#include <QWidget>

#include <chrono>
#include <functional>

class SVProgressView : public QWidget {
    Q_OBJECT
public:
    static constexpr float stepInterval = 0.0062111802f;  // 1/161 s
    static constexpr double completeAt = 161;           // a step at or beyond this completes the run
    static constexpr int hideDelayMs = 500;

    // The delays of one run's steps in seconds: 0, d, 2d, ... while below 1 s, summed in single
    // precision (162 steps).
    static QList<float> stepDelays();

    // Runs task on the main thread after delay. The view uses one-shot timers; tests install a
    // scheduler with a clock of their own.
    using Scheduler = std::function<void(std::chrono::microseconds delay, std::function<void()> task)>;

    explicit SVProgressView(QWidget* parent = nullptr);
    void setScheduler(Scheduler scheduler);

    double pro() const { return m_pro; }
    // Above 0 starts a run from v (a second run during one adds its steps to the same progress);
    // 0 or below hides the bar, while steps already scheduled still run.
    void setPro(double v);
    QString title() const { return m_title; }

    // One step of a run.
    void showProgress(QObject* sender = nullptr);

    // The work behind the bar reports its outcome later: a run that ends before confirm() keeps
    // "setting" on the full bar and shows "set_complete" only once confirmed.
    void awaitConfirmation();
    void confirm();
    // Ends every run at once: the bar hides, its pending steps do nothing, and "set_complete" is not shown.
    void stop();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void complete();

    Scheduler m_schedule;
    double m_pro = 0;
    QString m_title;
    quint64 m_runs = 0;  // raised by stop(): steps scheduled before it are void
    int m_confirmationsAwaited = 0;
    bool m_completionWaiting = false;
};
