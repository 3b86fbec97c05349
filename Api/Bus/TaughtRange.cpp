#include "Api/Bus/TaughtRange.h"

#include <algorithm>

void TaughtRange::include(int position)
{
    lowest = std::min(lowest, position);
    highest = std::max(highest, position);
}

void TaughtRange::includeAll(QMap<int, TaughtRange>& ranges, const QMap<int, int>& positions)
{
    for (auto it = positions.begin(); it != positions.end(); ++it) {
        if (auto range = ranges.find(it.key()); range != ranges.end())
            range->include(it.value());
        else
            ranges.insert(it.key(), at(it.value()));
    }
}

Result<TaughtRange::Limits> TaughtRange::limits(int margin) const
{
    const SettingField* minField = SettingField::byKey(QStringLiteral("angle_min"));
    const SettingField* maxField = SettingField::byKey(QStringLiteral("angle_max"));
    const int low = lowest + margin;
    const int high = highest - margin;
    if (tooSmallFor(margin))
        return Failure::usage(QStringLiteral("moved only from %1 to %2, too little for a margin of %3").arg(lowest).arg(highest).arg(margin));
    // A joint taught partly beyond the positions a limit takes keeps the part within them; one taught
    // wholly beyond them has no limits that hold it where it was moved.
    const int angleMin = std::max(low, minField->minimum);
    const int angleMax = std::min(high, maxField->maximum);
    if (angleMin >= angleMax)
        return Failure::usage(QStringLiteral("moved from %1 to %2, outside the positions %3-%4 that angle limits take")
                                  .arg(lowest).arg(highest).arg(minField->minimum).arg(maxField->maximum));
    return Limits{angleMin, angleMax};
}

SettingValues TaughtRange::Limits::values() const
{
    return {{QStringLiteral("angle_min"), angleMin}, {QStringLiteral("angle_max"), angleMax}};
}
