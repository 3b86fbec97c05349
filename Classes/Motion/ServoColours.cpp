#include "Classes/Motion/ServoColours.h"

#include <array>

namespace {

// Dark and saturated enough for a one-pixel line on white, and far enough apart in hue or lightness
// (CIELAB distance 25 or more between any two) to tell the lines apart.
const std::array<QColor, ServoColours::distinctCount> palette {
    QColor(255, 128, 0),   // orange
    QColor(33, 118, 209),  // blue
    QColor(46, 160, 67),   // green
    QColor(142, 68, 173),  // purple
    QColor(214, 39, 40),   // red
    QColor(23, 162, 184),  // cyan
    QColor(140, 86, 75),   // brown
    QColor(227, 55, 200),  // magenta
    QColor(128, 128, 0),   // olive
    QColor(0, 0, 140),     // navy
    QColor(120, 120, 120), // grey
    QColor(128, 0, 0),     // maroon
    QColor(110, 190, 20),  // lime
    QColor(0, 95, 95),     // dark teal
    QColor(250, 110, 160), // pink
    QColor(200, 160, 0),   // gold
    QColor(160, 120, 255), // lavender
    QColor(0, 90, 40),     // dark green
    QColor(245, 130, 100), // salmon
    QColor(0, 0, 0),       // black
};

}  // namespace

QColor ServoColours::colourAt(qsizetype index)
{
    return palette.at(size_t(index) % palette.size());
}
