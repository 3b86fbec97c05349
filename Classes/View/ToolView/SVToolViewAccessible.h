// What assistive technology sees of a group box (SVToolView): a group named by its title, so that the
// controls inside are heard in their context.
#pragma once

#include <QAccessibleWidget>

class SVToolView;

class SVToolViewAccessible : public QAccessibleWidget {
public:
    explicit SVToolViewAccessible(SVToolView* box);

    QString text(QAccessible::Text t) const override;
};
