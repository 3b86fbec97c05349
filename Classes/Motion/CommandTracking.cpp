#include "Classes/Motion/CommandTracking.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void CommandTracking::addSetPoint(int servoId, double seconds, int position)
{
    QList<QPair<double, int>>& recent = m_recent[servoId];
    recent.append({seconds, position});
    if (recent.size() > kept)
        recent.removeFirst();
}

void CommandTracking::addRead(int servoId, double seconds, int position)
{
    const QList<QPair<double, int>> recent = m_recent.value(servoId);
    for (qsizetype i = 1; i < recent.size(); ++i) {
        const auto [fromTime, from] = recent[i - 1];
        const auto [toTime, to] = recent[i];
        if (seconds < fromTime || seconds > toTime || toTime <= fromTime)
            continue;
        const double commanded = from + (to - from) * (seconds - fromTime) / (toTime - fromTime);
        const int difference = int(std::lround(std::abs(position - commanded)));
        m_thisLoop[servoId] = std::max(m_thisLoop.value(servoId), difference);
        return;
    }
}

void CommandTracking::endLoop()
{
    m_lastLoop = std::exchange(m_thisLoop, {});
}

void CommandTracking::clear()
{
    m_recent.clear();
    m_thisLoop.clear();
    m_lastLoop.clear();
}
