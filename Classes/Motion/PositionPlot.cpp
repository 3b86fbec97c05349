// The live plot of the servos' measured and target positions.
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Robot/ServoNames.h"
#include "Tools/BundleLanguage.h"

#include <qcustomplot.h>

#include <algorithm>
#include <array>

namespace {

const std::array<QColor, 8> servoColours { QColor(255, 128, 0), QColor(33, 118, 209), QColor(46, 160, 67),
    QColor(142, 68, 173), QColor(214, 39, 40), QColor(23, 162, 184), QColor(140, 86, 75), QColor(127, 127, 127) };

void hand(QCPGraph* graph, const SampleBuffer::Series& series)
{
    graph->setData(series.keys, series.values, true);
}

}  // namespace

QColor PositionPlot::colourAt(qsizetype index)
{
    return servoColours.at(static_cast<size_t>(index) % servoColours.size());
}

PositionPlot::PositionPlot(QWidget* parent)
    : LivePlot("plot_position_name", parent)
{
    QCustomPlot* plot = customPlot();
    plot->yAxis->setRange(0, positionMaximum);
    // The legend inside the plot's top right corner, its entries side by side. (A row of its own
    // above the plot would hold the plot to the legend's width while the legend is empty.)
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setMargins(QMargins(4, 2, 4, 0));
    plot->legend->setIconSize(18, 8);
    // Shown with its first entry: an empty legend squeezes the plot beside it.
    plot->legend->setVisible(false);
    // The key names each servo as the robot does.
    connect(&ServoNames::shared(), &ServoNames::changed, this, [this] {
        for (Trace& trace : m_traces)
            trace.position->setName(QStringLiteral("ID %1").arg(ServoNames::shared().label(trace.servoId)));
    });
    retranslate();
}

void PositionPlot::setServoIds(const QList<int>& ids)
{
    std::vector<Trace> traces;
    for (int id : ids) {
        if (std::any_of(traces.cbegin(), traces.cend(), [id](const Trace& t) { return t.servoId == id; }))
            continue;
        if (Trace* kept = traceOf(id)) {
            traces.push_back(std::move(*kept));
        } else {
            traces.emplace_back();
            traces.back().servoId = id;
        }
    }
    customPlot()->clearGraphs();
    m_traces = std::move(traces);
    for (size_t i = 0; i < m_traces.size(); ++i)
        addGraphs(m_traces[i], colourAt(static_cast<qsizetype>(i)));
    customPlot()->legend->setVisible(!m_traces.empty());
}

void PositionPlot::addGraphs(Trace& trace, const QColor& colour)
{
    QCustomPlot* plot = customPlot();
    trace.position = plot->addGraph();
    trace.position->setPen(QPen(colour, 1.5));
    trace.position->setName(QStringLiteral("ID %1").arg(ServoNames::shared().label(trace.servoId)));
    trace.target = plot->addGraph();
    trace.target->setPen(QPen(colour, 1.2, Qt::DashLine));
    // A target holds until the next one: the line jumps when a move is sent.
    trace.target->setLineStyle(QCPGraph::lsStepLeft);
    trace.target->removeFromLegend();
}

QList<int> PositionPlot::servoIds() const
{
    QList<int> ids;
    for (const Trace& trace : m_traces)
        ids.append(trace.servoId);
    return ids;
}

void PositionPlot::addPosition(int servoId, double timeSeconds, int position)
{
    if (Trace* trace = traceOf(servoId))
        trace->positions.append(timeSeconds, position);
}

void PositionPlot::addTarget(int servoId, double timeSeconds, int target)
{
    if (Trace* trace = traceOf(servoId))
        trace->targets.append(timeSeconds, target);
}

void PositionPlot::clear()
{
    for (Trace& trace : m_traces) {
        trace.positions.clear();
        trace.targets.clear();
        trace.position->data()->clear();
        trace.target->data()->clear();
    }
}

QCPGraph* PositionPlot::positionGraph(int servoId) const
{
    const Trace* trace = traceOf(servoId);
    return trace ? trace->position : nullptr;
}

QCPGraph* PositionPlot::targetGraph(int servoId) const
{
    const Trace* trace = traceOf(servoId);
    return trace ? trace->target : nullptr;
}

void PositionPlot::retranslate()
{
    LivePlot::retranslate();
    customPlot()->yAxis->setLabel(BundleLanguage::localizedStringForKey(QStringLiteral("plot_position")));
}

void PositionPlot::updateGraphs(double from, double to)
{
    for (const Trace& trace : m_traces) {
        hand(trace.position, trace.positions.window(from, to));
        hand(trace.target, trace.targets.window(from, to));
    }
}

PositionPlot::Trace* PositionPlot::traceOf(int servoId)
{
    auto found = std::find_if(m_traces.begin(), m_traces.end(), [servoId](const Trace& t) { return t.servoId == servoId; });
    return found == m_traces.end() ? nullptr : &*found;
}

const PositionPlot::Trace* PositionPlot::traceOf(int servoId) const
{
    return const_cast<PositionPlot*>(this)->traceOf(servoId);
}
