#include "servoctl/BusReport.h"

#include "servoctl/CommandContext.h"

#include <algorithm>
#include <cmath>

namespace BusReport {

RoundTrips roundTripsOf(const ServoStatistics& statistics)
{
    std::vector<double> sorted = statistics.roundTripsMs;
    if (sorted.empty())
        return {};
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) { return sorted[size_t(std::lround(q * double(sorted.size() - 1)))]; };
    return {sorted.front(), at(0.5), at(0.99), sorted.back()};
}

QString countsLine(const ServoStatistics& s)
{
    const double lostPercent = s.requests == 0 ? 0 : 100.0 * s.lost() / s.requests;
    return QStringLiteral("%1 sent, %2 answered, %3 lost (%4 %), %5 garbled")
        .arg(s.requests).arg(s.replies).arg(s.lost()).arg(lostPercent, 0, 'f', 1).arg(s.garbled);
}

QJsonObject json(int servoId, const ServoStatistics& s)
{
    const RoundTrips trips = roundTripsOf(s);
    const auto rounded = [](double ms) { return std::round(ms * 1000) / 1000; };
    return {{"id", servoId}, {"sent", s.requests}, {"answered", s.replies}, {"lost", s.lost()},
            {"lost_percent", s.requests == 0 ? 0.0 : std::round(1000.0 * s.lost() / s.requests) / 10},
            {"garbled", s.garbled},
            {"round_trip_ms", QJsonObject{{"min", rounded(trips.min)}, {"median", rounded(trips.median)},
                                          {"p99", rounded(trips.p99)}, {"max", rounded(trips.max)}}}};
}

void warnLosses(const ServoBus& bus)
{
    for (const auto& [id, statistics] : bus.statistics())
        if (statistics.lost() > 0)
            CommandContext::warn(QStringLiteral("servo %1: %2").arg(id).arg(countsLine(statistics)));
}

}  // namespace BusReport
