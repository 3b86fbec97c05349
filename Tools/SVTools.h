// Stateless operations shared by several parts of the window: the protocol-level ones of
// SVFrameTools (frame log, conversions) and the message box.
#pragma once

#include "Api/SVFrameTools.h"

#include <QString>

class QLabel;
class QWidget;

class SVTools : public SVFrameTools {
public:
    // Shows a message box with text and a confirm button; returns once the user has dismissed it.
    static void showTipWithMessage(const QString& text);

    // A link label: title in red, system font 17, not underlined, with the open-hand pointer; a click
    // opens address in the user's web browser. Builds a new label in superView when label is null,
    // else rebuilds the given one in place. Returns the label.
    static QLabel* returnWebLabel(QLabel* label, const QString& title, const QString& address, QWidget* superView);
    static constexpr int webLabelFontSize = 17;
};
