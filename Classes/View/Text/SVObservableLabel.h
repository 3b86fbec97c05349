// A label that reports every assignment of its text, so that a control can follow the value the
// label shows (the range sliders of the parameter page follow their labels).
#pragma once

#include <QLabel>

class SVObservableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // Sets the text and reports it, also when it is the text already shown: a follower that has
    // moved away from the label is brought back by writing the same text again.
    void setText(const QString& text)
    {
        QLabel::setText(text);
        emit textAssigned(text);
    }

signals:
    void textAssigned(const QString& text);
};
