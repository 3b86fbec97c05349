// The live plot of the servos' measured and target positions.
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Robot/ServoNames.h"
#include "Tools/BundleLanguage.h"

#include <qcustomplot.h>

#include <algorithm>

namespace {

void hand(QCPGraph* graph, const SampleBuffer::Series& series)
{
    graph->setData(series.keys, series.values, true);
}

}  // namespace

PositionPlot::PositionPlot(QWidget* parent)
    : LivePlot("plot_position_name", parent)
{
    QCustomPlot* plot = customPlot();
    plot->yAxis->setRange(0, positionMaximum);
    plot->setAutoAddPlottableToLegend(false);
    plot->legend->setVisible(false);
    // The key names each servo as the robot does.
    connect(&ServoNames::shared(), &ServoNames::changed, this, [this] {
        for (Trace& trace : m_traces)
            trace.position->setName(QStringLiteral("ID %1").arg(ServoNames::shared().label(trace.servoId)));
    });
    retranslate();
}

void PositionPlot::setServos(const QList<Shown>& servos)
{
    std::vector<Trace> traces;
    QList<QColor> colours;
    for (const Shown& servo : servos) {
        const int id = servo.id;
        if (std::any_of(traces.cbegin(), traces.cend(), [id](const Trace& t) { return t.servoId == id; }))
            continue;
        if (Trace* kept = traceOf(id)) {
            traces.push_back(std::move(*kept));
        } else {
            traces.emplace_back();
            traces.back().servoId = id;
        }
        colours.append(servo.colour);
    }
    customPlot()->clearGraphs();
    m_traces = std::move(traces);
    for (size_t i = 0; i < m_traces.size(); ++i)
        addGraphs(m_traces[i], colours.at(qsizetype(i)));
}

// Lines one pixel wide: wider pens cost the plot several times the drawing time of a frame.
void PositionPlot::addGraphs(Trace& trace, const QColor& colour)
{
    QCustomPlot* plot = customPlot();
    trace.position = plot->addGraph();
    trace.position->setPen(QPen(colour, 1));
    trace.position->setName(QStringLiteral("ID %1").arg(ServoNames::shared().label(trace.servoId)));
    trace.target = plot->addGraph();
    trace.target->setPen(QPen(colour, 1, Qt::DashLine));
    // A target holds until the next one: the line jumps when a move is sent.
    trace.target->setLineStyle(QCPGraph::lsStepLeft);
    // The servo goes in a straight line from one set-point to the next.
    QColor faint = colour;
    faint.setAlpha(110);
    trace.commandedPath = plot->addGraph();
    trace.commandedPath->setPen(QPen(faint, 1));
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

void PositionPlot::addCommanded(int servoId, double timeSeconds, int position)
{
    if (Trace* trace = traceOf(servoId))
        trace->commanded.append(timeSeconds, position);
}

void PositionPlot::clear()
{
    for (Trace& trace : m_traces) {
        trace.positions.clear();
        trace.targets.clear();
        trace.commanded.clear();
        trace.position->data()->clear();
        trace.target->data()->clear();
        trace.commandedPath->data()->clear();
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

QCPGraph* PositionPlot::commandedGraph(int servoId) const
{
    const Trace* trace = traceOf(servoId);
    return trace ? trace->commandedPath : nullptr;
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
        hand(trace.commandedPath, trace.commanded.window(from, to));
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
