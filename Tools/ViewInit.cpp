#include "Tools/ViewInit.h"

#include "Tools/SVTag.h"

#include <QApplication>

QLabel* labelWithString(const QString& text, QWidget* superView)
{
    auto* label = new QLabel(text, superView);
    QFont font = QApplication::font();
    font.setPixelSize(13);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, SVButton::labelGrey());
    label->setPalette(palette);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

SVButton* buttonWithTitle(const QString& title, int tag, QWidget* superView)
{
    auto* button = new SVButton(superView);
    setTag(button, tag);
    button->setBackgroundColor(SVButton::white());
    button->setCornerRadius(5);
    button->setAllowTouch(true);
    button->setTitle(title);
    return button;
}
