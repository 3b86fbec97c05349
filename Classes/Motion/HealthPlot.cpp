// The live plot of the selected servo's voltage and temperature.
#include "Classes/Motion/HealthPlot.h"

#include "Api/Bus/Protocol.h"
#include "Tools/BundleLanguage.h"

#include <qcustomplot.h>

#include <algorithm>

namespace {

const QColor voltageColour { 33, 118, 209 };
const QColor temperatureColour { 214, 39, 40 };

// Steps between ticks, in parts of an axis's range, from the most ticks to the fewest, each a round
// number of volts or degrees.
const QList<int> voltageDivisions { 3, 1 };
const QList<int> temperatureDivisions { 4, 2, 1 };

QString textFor(const char* key)
{
    return BundleLanguage::localizedStringForKey(QLatin1String(key));
}

}  // namespace

HealthPlot::HealthPlot(QWidget* parent)
    : LivePlot("plot_health_name", parent)
{
    QCustomPlot* plot = customPlot();
    plot->setAutoAddPlottableToLegend(false);
    plot->legend->setVisible(false);
    // The servo's ID on a row of its own above the two plots, where no line runs.
    m_title = new QCPTextElement(plot, QString(), plotFont());
    m_title->setTextColor(textColour);
    m_title->setMargins(QMargins(4, 0, 4, 0));
    plot->plotLayout()->insertRow(0);
    plot->plotLayout()->addElement(0, 0, m_title);
    plot->plotLayout()->setRowSpacing(0);

    QCPAxisRect* voltageRect = plot->axisRect();
    auto* temperatureRect = new QCPAxisRect(plot);
    plot->plotLayout()->addElement(2, 0, temperatureRect);
    // Both plots start at the same x, whatever the width of their scales' labels.
    auto* leftEdges = new QCPMarginGroup(plot);
    for (QCPAxisRect* rect : { voltageRect, temperatureRect }) {
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, leftEdges);
        rect->setMinimumMargins(QMargins(4, 4, 12, 2));
        for (QCPAxis* axis : rect->axes())
            styleAxis(axis);
    }
    voltageRect->axis(QCPAxis::atBottom)->setTickLabels(false);  // the lower plot's time labels serve both
    m_voltage = addGraph(voltageRect, voltageColour, voltageMaximum);
    m_temperature = addGraph(temperatureRect, temperatureColour, temperatureMaximum);
    retranslate();
}

QCPGraph* HealthPlot::addGraph(QCPAxisRect* rect, const QColor& colour, double maximum)
{
    QCPAxis* value = rect->axis(QCPAxis::atLeft);
    value->setRange(0, maximum);
    value->setTicker(QSharedPointer<QCPAxisTickerFixed>::create());
    // The scale takes the colour of its line, so that each is read against the right one.
    value->setTickLabelColor(colour);
    value->setLabelColor(colour);
    QCPGraph* graph = customPlot()->addGraph(rect->axis(QCPAxis::atBottom), value);
    graph->setPen(QPen(colour, 1));
    return graph;
}

void HealthPlot::fitTicks(QCPAxis* axis, double maximum, const QList<int>& divisionsToTry) const
{
    const int labelHeight = QFontMetrics(axis->tickLabelFont()).height();
    const int height = axis->axisRect()->height();
    int divisions = 1;
    for (int candidate : divisionsToTry) {
        if (height >= (candidate + 1) * labelHeight) {
            divisions = candidate;
            break;
        }
    }
    qSharedPointerCast<QCPAxisTickerFixed>(axis->ticker())->setTickStep(maximum / divisions);
    // Too low for even two labels: none, rather than one over the other.
    axis->setTickLabels(height >= 2 * labelHeight);
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
    m_voltages.append(timeSeconds, SVProtocol::voltsFromMillivolts(millivolts));
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
    customPlot()->xAxis->setLabel(QString());  // the position plot beside it names the time axis
    m_voltage->setName(textFor("plot_voltage"));
    m_temperature->setName(textFor("plot_temperature"));
    m_voltage->valueAxis()->setLabel(textFor("plot_volts"));
    m_temperature->valueAxis()->setLabel(textFor("plot_celsius"));
}

void HealthPlot::updateGraphs(double from, double to)
{
    QCustomPlot* plot = customPlot();
    if (plot->size() != m_fittedSize) {
        // The plots' heights at this size, before the frame is drawn with ticks that fit them.
        for (auto phase : { QCPLayoutElement::upPreparation, QCPLayoutElement::upMargins, QCPLayoutElement::upLayout })
            plot->plotLayout()->update(phase);
        fitTicks(m_voltage->valueAxis(), voltageMaximum, voltageDivisions);
        fitTicks(m_temperature->valueAxis(), temperatureMaximum, temperatureDivisions);
        m_fittedSize = plot->size();
    }
    m_temperature->keyAxis()->setRange(m_voltage->keyAxis()->range());
    const SampleBuffer::Series voltages = m_voltages.window(from, to);
    const SampleBuffer::Series temperatures = m_temperatures.window(from, to);
    m_voltage->setData(voltages.keys, voltages.values, true);
    m_temperature->setData(temperatures.keys, temperatures.values, true);
}
