// Stateless operations shared by several parts of the window: the protocol-level ones of
// SVFrameTools (frame log, conversions), the message box and the range rule of paired sliders.
#pragma once

#include "Api/SVFrameTools.h"

#include <QString>

class QLabel;
class QWidget;
class SVObservableLabel;
class SVSlider;

class SVTools : public SVFrameTools {
public:
    // Shows a message box with text and a confirm button; returns once the user has dismissed it.
    static void showTipWithMessage(const QString& text);

    // A link label: title in red, system font 17, not underlined, with the open-hand pointer; a click
    // opens address in the user's web browser. Builds a new label in superView when label is null,
    // else rebuilds the given one in place. Returns the label.
    static QLabel* returnWebLabel(QLabel* label, const QString& title, const QString& address, QWidget* superView);
    static constexpr int webLabelFontSize = 17;

    // The range rule of a slider that is one end of a range: the slider's value goes into its own
    // label (andLableChange), kept beyond the number of the partner label (lable, the other end).
    // tip is the side: "<=" for the upper end, ">=" for the lower end; number is the step: "1" for
    // whole numbers, "0.1" for tenths (the partner then read in single precision). A clamped end
    // stands one step beyond the partner. Any other side or step does nothing.
    static void changeSliderValue(SVSlider* slider, SVObservableLabel* lable, SVObservableLabel* andLableChange, const QString& tip,
                                  const QString& number);
};
