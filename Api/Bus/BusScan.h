// Finding the servos on a bus: every ID of a range is asked once, briefly, and the servos that
// answer are read in full. IDs whose replies come back garbled are asked again slowly; garbage that
// stays marks two servos that share one ID.
#pragma once

#include "Api/Bus/ServoAccess.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace BusScan {

struct Found {
    int id = 0;
    ServoAccess::LiveState state;
};

struct Outcome {
    QList<Found> found;
    QList<int> conflicts;  // IDs whose replies came back garbled: two servos answering at once
    QStringList warnings;  // servos that answered the probe but not the full read
    bool stopped = false;  // ended early on request
};

struct Hooks {
    // Before each probe: how many IDs were asked so far and how many answered.
    std::function<void(int asked, int answered)> progress;
    std::function<bool()> stopRequested = [] { return false; };
};

// Asks each ID of ids in order; the found servos and conflicts keep that order.
Outcome scan(ServoBus& bus, const QList<int>& ids, const Hooks& hooks = {});

}  // namespace BusScan
