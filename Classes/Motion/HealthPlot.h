// The live plot of one servo's supply voltage (left axis) and temperature (right axis) over the last 20 s.
#pragma once

#include "Classes/Motion/LivePlot.h"
#include "Classes/Motion/SampleBuffer.h"

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
    QCPGraph* addGraph(QCPAxis* valueAxis, const QColor& colour);

    int m_servoId = noServo;
    SampleBuffer m_voltages;
    SampleBuffer m_temperatures;
    QCPGraph* m_voltage;
    QCPGraph* m_temperature;
    QCPTextElement* m_title;
};
