// What assistive technology sees of an SVButton (text buttons, image buttons, image-title buttons): a
// push button named by the accessible name the window gives it, else by the title it shows, with a
// press action. The press is carried out just after the request returns, so that a message box the
// click opens does not hold up the assistive technology's call.
#pragma once

#include <QAccessibleWidget>

class SVButton;

class SVButtonAccessible : public QAccessibleWidget {
public:
    explicit SVButtonAccessible(SVButton* button);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    SVButton* button() const;
};
