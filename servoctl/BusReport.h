// What servoctl says about the bus's health: the counts of one servo's requests and replies, and
// their round trips.
#pragma once

#include "Api/Bus/ServoBus.h"

#include <QJsonObject>
#include <QString>

namespace BusReport {

struct RoundTrips {
    double min = 0, median = 0, p99 = 0, max = 0;
};
RoundTrips roundTripsOf(const ServoStatistics& statistics);

// "10 sent, 9 answered, 1 lost (10.0 %), 1 garbled"
QString countsLine(const ServoStatistics& statistics);
QJsonObject json(int servoId, const ServoStatistics& statistics);
// One line per servo on standard error, for the servos whose requests were not all answered.
void warnLosses(const ServoBus& bus);

}  // namespace BusReport
