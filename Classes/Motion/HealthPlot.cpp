// The live plot of the selected servo's voltage and temperature.
#include "Classes/Motion/HealthPlot.h"
#include "Tools/BundleLanguage.h"

#include <qcustomplot.h>

namespace {

const QColor voltageColour { 33, 118, 209 };
const QColor temperatureColour { 214, 39, 40 };

}  // namespace

HealthPlot::HealthPlot(QWidget* parent)
    : LivePlot("plot_health_name", parent)
{
    QCustomPlot* plot = customPlot();
    plot->yAxis->setRange(0, voltageMaximum);
    plot->yAxis2->setRange(0, temperatureMaximum);
    plot->yAxis2->setVisible(true);
    plot->yAxis2->grid()->setVisible(false);
    for (QCPAxis* axis : { plot->yAxis, plot->yAxis2 })
        axis->ticker()->setTickCount(3);
    m_voltage = addGraph(plot->yAxis, voltageColour);
    m_temperature = addGraph(plot->yAxis2, temperatureColour);
    // The servo's ID and the legend in the top corners of the plot, where the lines seldom run: the
    // panel is too low for the measures' names along the axes.
    m_title = new QCPTextElement(plot, QString(), plotFont());
    m_title->setTextColor(textColour);
    m_title->setMargins(QMargins(6, 2, 6, 2));
    plot->axisRect()->insetLayout()->addElement(m_title, Qt::AlignTop | Qt::AlignLeft);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setIconSize(18, 8);
    plot->legend->setMargins(QMargins(4, 2, 4, 2));
    plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    plot->legend->setVisible(true);
    retranslate();
}

QCPGraph* HealthPlot::addGraph(QCPAxis* valueAxis, const QColor& colour)
{
    QCPGraph* graph = customPlot()->addGraph(customPlot()->xAxis, valueAxis);
    graph->setPen(QPen(colour, 1.5));
    // The axis takes the colour of its line, so that each scale is read against the right one.
    valueAxis->setTickLabelColor(colour);
    return graph;
}

void HealthPlot::setServo(int id)
{
    if (id == m_servoId)
        return;
    m_servoId = id;
    clear();
    m_title->setText(id == noServo ? QString() : QStringLiteral("ID %1").arg(id));
}

QString HealthPlot::title() const
{
    return m_title->text();
}

void HealthPlot::addSample(double timeSeconds, int millivolts, int celsius)
{
    m_voltages.append(timeSeconds, millivolts / 1000.0);
    m_temperatures.append(timeSeconds, celsius);
}

void HealthPlot::clear()
{
    m_voltages.clear();
    m_temperatures.clear();
    m_voltage->data()->clear();
    m_temperature->data()->clear();
}

void HealthPlot::retranslate()
{
    LivePlot::retranslate();
    m_voltage->setName(BundleLanguage::localizedStringForKey(QStringLiteral("plot_voltage")));
    m_temperature->setName(BundleLanguage::localizedStringForKey(QStringLiteral("plot_temperature")));
}

void HealthPlot::updateGraphs(double from, double to)
{
    const SampleBuffer::Series voltages = m_voltages.window(from, to);
    const SampleBuffer::Series temperatures = m_temperatures.window(from, to);
    m_voltage->setData(voltages.keys, voltages.values, true);
    m_temperature->setData(temperatures.keys, temperatures.values, true);
}
