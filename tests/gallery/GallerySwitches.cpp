// The toggle switch: off, on, pressed, disabled, focused, at the window's size and enlarged.
#include "Gallery.h"

#include "Classes/View/ITSwitch/ITSwitch.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

namespace Gallery {

namespace {
ITSwitch* addSwitch(QWidget* parent, QRect frame, bool checked, bool enabled = true)
{
    auto* control = new ITSwitch(parent);
    control->setGeometry(frame);
    control->setChecked(checked);
    control->setEnabled(enabled);
    return control;
}

void press(ITSwitch* control)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(5, 5), control->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(control, &event);
}
}  // namespace

void renderSwitches()
{
    // Columns: off, on, off pressed, on pressed, off disabled, on disabled, on focused.
    QWidget* backdrop = makeBackdrop(7 * 80, 100);
    for (int row = 0; row < 2; ++row) {
        const QSize size = row == 0 ? QSize(34, 20) : QSize(68, 40);
        const int y = row == 0 ? 10 : 45;
        auto frame = [&](int column) { return QRect(QPoint(10 + 80 * column, y), size); };
        addSwitch(backdrop, frame(0), false);
        addSwitch(backdrop, frame(1), true);
        press(addSwitch(backdrop, frame(2), false));
        press(addSwitch(backdrop, frame(3), true));
        addSwitch(backdrop, frame(4), false, false);
        addSwitch(backdrop, frame(5), true, false);
        addSwitch(backdrop, frame(6), true)->setFocus();
    }
    save(backdrop, QStringLiteral("switch_off_on_pressedoff_pressedon_disabledoff_disabledon_focused"));
}

}  // namespace Gallery
