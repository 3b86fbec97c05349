// Stateless operations shared by several parts of the window.
#pragma once

#include <QString>

class SVTools {
public:
    // Shows a message box with text and a confirm button; returns once the user has dismissed it.
    static void showTipWithMessage(const QString& text);
};
