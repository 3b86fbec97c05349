// The live plot of one servo's supply voltage and temperature over the last 20 s: two small plots, one
// above the other on one time axis, each with a scale of its own whose labels never crowd each other.
#pragma once

#include "Classes/Motion/LivePlot.h"
#include "Classes/Motion/SampleBuffer.h"

class QCPAxis;
class QCPAxisRect;
class QCPGraph;
class QCPTextElement;

class HealthPlot : public LivePlot {
    Q_OBJECT
public:
    static constexpr double voltageMaximum = 15;
    static constexpr double temperatureMaximum = 100;
    static constexpr int noServo = -1;

    explicit HealthPlot(QWidget* parent = nullptr);

    // Shows this servo ("ID n"); a change of servo forgets the samples of the one before.
    void setServo(int id);
    int servo() const { return m_servoId; }

    // Stores a sample of the servo shown; the next frame draws it.
    void addSample(double timeSeconds, int millivolts, int celsius);

    // Forgets every sample.
    void clear();

    QCPGraph* voltageGraph() const { return m_voltage; }
    QCPGraph* temperatureGraph() const { return m_temperature; }
    QString title() const;

    void retranslate() override;

protected:
    void updateGraphs(double from, double to) override;

private:
    QCPGraph* addGraph(QCPAxisRect* rect, const QColor& colour, double maximum);
    // As many ticks on a value axis as its height holds with a label's height between them.
    void fitTicks(QCPAxis* axis, double maximum, const QList<int>& divisionsToTry) const;

    QSize m_fittedSize;
    int m_servoId = noServo;
    SampleBuffer m_voltages;
    SampleBuffer m_temperatures;
    QCPGraph* m_voltage;
    QCPGraph* m_temperature;
    QCPTextElement* m_title;
};
