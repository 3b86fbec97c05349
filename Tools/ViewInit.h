// Factories for the plain labels and text buttons of the pages.
#pragma once

#include "Tools/SVButton.h"

#include <QLabel>

// A non-editable label in label grey, system font 13, added to superView when one is given.
QLabel* labelWithString(const QString& text, QWidget* superView = nullptr);

// A borderless text button on white with corner radius 5 that reacts to hover, tagged and added to
// superView when one is given.
SVButton* buttonWithTitle(const QString& title, int tag, QWidget* superView = nullptr);

// As above, reporting its clicks to action (a member function taking the sender) of target.
template <class Target, class Action>
SVButton* buttonWithTitle(const QString& title, Target* target, Action action, int tag, QWidget* superView = nullptr)
{
    SVButton* button = buttonWithTitle(title, tag, superView);
    button->setTarget(target, action);
    return button;
}
