// Lists of servo IDs as people type them, on the command line and in the window: "1-18", "3 4 5",
// "1,2, 7-9". One grammar for every place that takes such a list.
#pragma once

#include "Api/Bus/Result.h"

#include <QList>
#include <QString>

namespace ServoIdList {

// The IDs in the order given, ranges spelled out, repeats kept; a usage failure when a part is no
// whole decimal ID or range, a range runs backwards, or an ID lies beyond the highest a servo takes.
Result<QList<int>> parse(const QString& text);

}  // namespace ServoIdList
