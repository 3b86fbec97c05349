// What assistive technology sees of the message box: an alert named by its message, holding the
// message text and the confirm button.
#pragma once

#include <QAccessibleWidget>

class ModeWindow;

class ModeWindowAccessible : public QAccessibleWidget {
public:
    explicit ModeWindowAccessible(ModeWindow* window);

    QString text(QAccessible::Text t) const override;
};
