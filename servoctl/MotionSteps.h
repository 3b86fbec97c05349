// What pose and teach share: a step appended to a motion file, written whole, and said on
// standard output.
#pragma once

#include "Api/Bus/MotionFile.h"

namespace MotionSteps {

// Names an unnamed step "step N", appends it, writes the file and prints the step's line.
// Throws CommandError when the file cannot be written.
void append(Motion& motion, MotionStep step, const QString& path);
// "1=500 2=620"
QString positionsText(const MotionStep& step);

}  // namespace MotionSteps
