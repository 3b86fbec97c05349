// The colour of each servo on the Motion page: the servo list shows it beside the ID, and the position
// plot draws the servo's lines in it, so that the list is the plot's key.
#pragma once

#include <QColor>

namespace ServoColours {

// Colours that stay apart from each other as thin lines on white.
constexpr int distinctCount = 20;

// The colour of the servo at `index` in the list; the colours repeat after distinctCount servos.
QColor colourAt(qsizetype index);

}  // namespace ServoColours
