// The reference for the Motion page's position plot: a plain QCustomPlot with nothing but its axes and
// each servo's position line and dashed step line of targets, pen width 1, no antialiasing, drawn at
// a given size. Both window_bench motion (on the page's own data, alternately with the page's plot)
// and plain_plot_bench (on made-up data) time its frames.
#pragma once

#include <QColor>
#include <QVector>
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace PlainPlot {

struct Series {
    QVector<double> keys;
    QVector<double> values;
};

struct Servo {
    Series positions;
    Series targets;
    QColor colour;
};

// Gives plot one solid and one dashed step graph per servo, over keys from..to and positions 0-1000.
inline void fill(QCustomPlot& plot, const std::vector<Servo>& servos, double from, double to)
{
    plot.clearGraphs();
    plot.setNotAntialiasedElements(QCP::aeAll);
    for (const Servo& servo : servos) {
        QCPGraph* position = plot.addGraph();
        position->setPen(QPen(servo.colour, 1));
        position->setData(servo.positions.keys, servo.positions.values, true);
        QCPGraph* target = plot.addGraph();
        target->setPen(QPen(servo.colour, 1, Qt::DashLine));
        target->setLineStyle(QCPGraph::lsStepLeft);
        target->setData(servo.targets.keys, servo.targets.values, true);
    }
    plot.xAxis->setRange(from, to);
    plot.yAxis->setRange(0, 1000);
}

// Milliseconds one replot of plot takes, as the plot's own before/after signals see it.
inline double timedReplot(QCustomPlot& plot)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point began = Clock::now();
    plot.replot();
    return std::chrono::duration<double, std::milli>(Clock::now() - began).count();
}

// Made-up data as the page holds it after 20 s of playing: 20 position samples a second of a swing
// between 250 and 750, and a new target each half second.
inline std::vector<Servo> madeUpServos(int count, double seconds = 20, double samplesPerSecond = 20)
{
    std::vector<Servo> servos(static_cast<size_t>(count));
    for (int s = 0; s < count; ++s) {
        Servo& servo = servos[size_t(s)];
        servo.colour = QColor::fromHsv((s * 360 / std::max(count, 1)) % 360, 220, 200);
        for (double t = 0; t <= seconds; t += 1 / samplesPerSecond) {
            servo.positions.keys.append(t);
            servo.positions.values.append(500 + 250 * std::sin(t * 3 + s));
        }
        for (double t = 0; t <= seconds; t += 0.5) {
            servo.targets.keys.append(t);
            servo.targets.values.append(int(t * 2 + s) % 2 == 0 ? 250 : 750);
        }
    }
    return servos;
}

}  // namespace PlainPlot
