// The live plot of the servos' positions: per servo a solid line of the measured position, a dashed
// step line of its target and a faint line of the path commanded by streamed set-points, in the
// servo's colour, over the last 20 s. It has no legend: the servo list beside it shows each servo's colour.
#pragma once

#include "Classes/Motion/LivePlot.h"
#include "Classes/Motion/SampleBuffer.h"

#include <QColor>
#include <QList>

#include <vector>

class QCPGraph;

class PositionPlot : public LivePlot {
    Q_OBJECT
public:
    static constexpr int positionMaximum = 1000;

    struct Shown {
        int id = 0;
        QColor colour;
    };

    explicit PositionPlot(QWidget* parent = nullptr);

    // Draws these servos, in these colours. Servos drawn before keep their samples.
    void setServos(const QList<Shown>& servos);
    QList<int> servoIds() const;

    // Store a sample of a servo shown; the next frame draws it.
    void addPosition(int servoId, double timeSeconds, int position);
    void addTarget(int servoId, double timeSeconds, int target);
    // A set-point: where the servo is to be at timeSeconds.
    void addCommanded(int servoId, double timeSeconds, int position);

    // Forgets every sample.
    void clear();

    // A servo's graphs, or null when it is not shown.
    QCPGraph* positionGraph(int servoId) const;
    QCPGraph* targetGraph(int servoId) const;
    QCPGraph* commandedGraph(int servoId) const;

    void retranslate() override;

protected:
    void updateGraphs(double from, double to) override;

private:
    struct Trace {
        int servoId = 0;
        SampleBuffer positions { SampleBuffer::Shape::Points };
        SampleBuffer targets { SampleBuffer::Shape::Steps };
        SampleBuffer commanded { SampleBuffer::Shape::Points };
        QCPGraph* position = nullptr;
        QCPGraph* target = nullptr;
        QCPGraph* commandedPath = nullptr;
    };

    Trace* traceOf(int servoId);
    const Trace* traceOf(int servoId) const;
    void addGraphs(Trace& trace, const QColor& colour);

    std::vector<Trace> m_traces;
};
