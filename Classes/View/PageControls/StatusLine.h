// The status line of the Motion and Robot pages: a line of text saying what the page did last.
// Assistive technology finds it as a status bar whose name is the text shown (its description is its
// caption, such as "Status") and hears each new text as a change of that name.
#pragma once

#include <QLabel>

class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Shows a new text and announces it, when it differs from the one shown.
    void showText(const QString& text);
    // What kind of line this is, in the language in force.
    void setCaption(const QString& caption) { setAccessibleName(caption); }
    QString caption() const { return accessibleName(); }
};
