// Gauges: the voltage and position dials at several values, the thermometer at several temperatures.
#include "Gallery.h"

#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"

#include <QWidget>

namespace Gallery {

void renderDashboards()
{
    const QList<double> volts = {0, 7.5, 12.3, 15, 16.5};
    QWidget* voltage = makeBackdrop(210 * int(volts.size()), 210);
    for (int i = 0; i < volts.size(); ++i) {
        auto* dial = new SVDashBoardView(voltage);
        dial->setGeometry(5 + 210 * i, 5, 200, 200);
        dial->progress(volts[i]);
    }
    save(voltage, QStringLiteral("dashboard_voltage_0_7.5_12.3_15_16.5"));

    const QList<double> positions = {0, 50, 100, 37, 110};
    QWidget* position = makeBackdrop(210 * int(positions.size()), 210);
    for (int i = 0; i < positions.size(); ++i) {
        auto* dial = new SVDashBoardPostionView(position);
        dial->setGeometry(5 + 210 * i, 5, 200, 200);
        dial->progress(positions[i]);
    }
    save(position, QStringLiteral("dashboard_position_0_50_100_37_110"));

    const QList<double> pros = {0, 4, 5, 35, 95, 140};
    QWidget* thermometers = makeBackdrop(70 * int(pros.size()), 240);
    for (int i = 0; i < pros.size(); ++i) {
        auto* gauge = new SVDashBoardTemperatureView(thermometers);
        gauge->setGeometry(10 + 70 * i, 8, 50, qRound(50 * 621 / 139.0));
        gauge->setPro(pros[i]);
    }
    save(thermometers, QStringLiteral("dashboard_temperature_0_4_5_35_95_140"));
}

}  // namespace Gallery
