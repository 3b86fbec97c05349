// What assistive technology sees of a page's status line: a status bar named by its text.
#pragma once

#include <QAccessibleWidget>

class StatusLine;

class StatusLineAccessible : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(StatusLine* line);

    QString text(QAccessible::Text t) const override;
};
