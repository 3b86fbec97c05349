// A joint's range taught by hand: the lowest and highest positions seen while its torque was off,
// and the angle limits it gives, narrowed by a margin so that the joint stops short of the frame.
#pragma once

#include "Api/Bus/Result.h"
#include "Api/Bus/ServoSettings.h"

#include <QMap>

struct TaughtRange {
    static constexpr int defaultMargin = 10;

    int lowest = 0;
    int highest = 0;

    // A range of the one position seen so far.
    static TaughtRange at(int position) { return {position, position}; }
    void include(int position);
    // Every servo's range widened by the positions seen now; a servo seen for the first time starts
    // at its position.
    static void includeAll(QMap<int, TaughtRange>& ranges, const QMap<int, int>& positions);

    struct Limits {
        int angleMin = 0;
        int angleMax = 0;
        // As the settings angle_min and angle_max.
        SettingValues values() const;
    };
    // The range narrowed by margin at each end and kept within the positions a limit accepts; a usage
    // failure when too little is left (the joint was hardly moved) or nothing of it lies within them.
    Result<Limits> limits(int margin) const;
    // Moved too little to leave room inside the margin at both ends.
    bool tooSmallFor(int margin) const { return lowest + margin >= highest - margin; }
};
