// What the live plots of the Motion page share: a plot redrawn on a timer of its own (never once per
// sample), the clock that says "now", the last 20 s shown on the time axis, the frame count and the look.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

class QCPAxis;
class QCustomPlot;

class LivePlot : public QWidget {
    Q_OBJECT
public:
    using Clock = std::function<double()>;  // seconds

    static constexpr double windowSeconds = 20;
    static constexpr std::chrono::milliseconds defaultRedrawInterval { 100 };
    static inline const QColor textColour { 87, 87, 87 };

    // Replaces the clock that says what time "now" is; an empty one restores the default, the seconds
    // of a steady clock since the plot was made.
    void setClock(Clock clock);
    double now() const;

    // While the plot is shown it redraws once per interval.
    void setRedrawInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds redrawInterval() const;

    // Replots done since the plot was made.
    int framesDrawn() const { return m_framesDrawn; }

    QCustomPlot* customPlot() const { return m_plot; }

    // Renews every text after a change of language.
    virtual void retranslate();

public slots:
    // One frame: the time axis shows the last windowSeconds up to now, the graphs get their data,
    // and the plot is drawn.
    void redrawNow();

protected:
    LivePlot(const char* accessibleNameKey, QWidget* parent);

    // Hands the samples of from..to to the graphs.
    virtual void updateGraphs(double from, double to) = 0;

    void styleAxis(QCPAxis* axis) const;
    QFont plotFont() const;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyLook();

    QCustomPlot* m_plot;
    const char* m_accessibleNameKey;
    QTimer m_redrawTimer;
    QElapsedTimer m_sinceMade;
    Clock m_clock;
    int m_framesDrawn = 0;
};
