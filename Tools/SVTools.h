// Stateless operations shared by several parts of the window: the protocol-level ones of
// SVFrameTools (frame log, conversions) and the message box.
#pragma once

#include "Api/SVFrameTools.h"

#include <QString>

class SVTools : public SVFrameTools {
public:
    // Shows a message box with text and a confirm button; returns once the user has dismissed it.
    static void showTipWithMessage(const QString& text);
};
