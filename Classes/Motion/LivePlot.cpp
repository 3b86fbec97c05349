// The shared part of the live plots: redraw timer, clock, time window, frame count and look.
#include "Classes/Motion/LivePlot.h"
#include "Tools/BundleLanguage.h"

#include <QVBoxLayout>

#include <algorithm>
#include <qcustomplot.h>

namespace {

const QColor gridColour { 225, 225, 225 };
const QColor axisColour { 190, 190, 190 };
constexpr int fontPixels = 11;

}  // namespace

LivePlot::LivePlot(const char* accessibleNameKey, QWidget* parent)
    : QWidget(parent)
    , m_plot(new QCustomPlot(this))
    , m_accessibleNameKey(accessibleNameKey)
{
    m_sinceMade.start();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);
    // A picture to read, not a control: Tab passes it by and the mouse neither drags nor zooms it.
    setFocusPolicy(Qt::NoFocus);
    m_plot->setFocusPolicy(Qt::NoFocus);
    m_plot->setInteractions({});
    applyLook();

    connect(m_plot, &QCustomPlot::afterReplot, this, [this] { ++m_framesDrawn; });
    m_redrawTimer.setInterval(defaultRedrawInterval);
    connect(&m_redrawTimer, &QTimer::timeout, this, &LivePlot::redrawNow);
}

void LivePlot::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

double LivePlot::now() const
{
    return m_clock ? m_clock() : m_sinceMade.nsecsElapsed() / 1e9;
}

void LivePlot::setRedrawInterval(std::chrono::milliseconds interval)
{
    m_redrawTimer.setInterval(interval);
}

std::chrono::milliseconds LivePlot::redrawInterval() const
{
    return m_redrawTimer.intervalAsDuration();
}

// Until the first 20 s have passed, the axis shows them from 0; then it follows now.
void LivePlot::redrawNow()
{
    const double current = now();
    const double to = std::max(current, windowSeconds);
    const double from = to - windowSeconds;
    m_plot->xAxis->setRange(from, to);
    updateGraphs(from, current);
    m_plot->replot();
}

void LivePlot::retranslate()
{
    m_plot->xAxis->setLabel(BundleLanguage::localizedStringForKey(QStringLiteral("plot_time")));
    setAccessibleName(BundleLanguage::localizedStringForKey(QString::fromLatin1(m_accessibleNameKey)));
}

QFont LivePlot::plotFont() const
{
    QFont font = this->font();
    font.setPixelSize(fontPixels);
    return font;
}

void LivePlot::styleAxis(QCPAxis* axis) const
{
    axis->setBasePen(QPen(axisColour));
    axis->setTickPen(QPen(axisColour));
    axis->setSubTickPen(QPen(axisColour));
    axis->setTickLength(0, 3);
    axis->setSubTickLength(0, 0);
    axis->setTickLabelColor(textColour);
    axis->setLabelColor(textColour);
    axis->setTickLabelFont(plotFont());
    axis->setLabelFont(plotFont());
    axis->setTickLabelPadding(3);
    axis->setLabelPadding(2);
    axis->setPadding(2);
    axis->grid()->setPen(QPen(gridColour, 0));
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

void LivePlot::applyLook()
{
    m_plot->setBackground(Qt::white);
    // Lines drawn without antialiasing and as plain polylines: a frame of three servos' 20 s then
    // takes a few milliseconds instead of about 15, which matters 20 times a second.
    m_plot->setNotAntialiasedElements(QCP::aePlottables);
    m_plot->setAntialiasedElements(QCP::aeLegend | QCP::aeLegendItems);
    m_plot->setPlottingHint(QCP::phFastPolylines, true);
    m_plot->axisRect()->setMinimumMargins(QMargins(4, 4, 12, 2));
    for (QCPAxis* axis : m_plot->axisRect()->axes())
        styleAxis(axis);
    m_plot->legend->setFont(plotFont());
    m_plot->legend->setTextColor(textColour);
    m_plot->legend->setBorderPen(Qt::NoPen);
    m_plot->legend->setBrush(QColor(255, 255, 255, 200));
}

void LivePlot::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_redrawTimer.start();
    redrawNow();
}

// Drawn at once at its new size, rather than at the next tick of a slow timer.
void LivePlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        redrawNow();
}

void LivePlot::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_redrawTimer.stop();
}
