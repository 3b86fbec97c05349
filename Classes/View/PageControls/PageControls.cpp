#include "Classes/View/PageControls/PageControls.h"

#include "Tools/SVButton.h"

#include <QHeaderView>
#include <QTableView>

namespace PageControls {

void setPixelFont(QWidget* widget, int pixels)
{
    QFont font = widget->font();
    font.setPixelSize(pixels);
    widget->setFont(font);
}

SVButton* actionButton(QWidget* parent)
{
    auto* button = new SVButton(parent);
    button->setBackgroundColor(SVButton::buttonOrange());
    button->setCornerRadius(5);
    button->setFixedHeight(24);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

void setActionEnabled(SVButton* button, bool enabled, const QColor& colour)
{
    button->setEnabled(enabled);
    button->setBackgroundColor(enabled ? colour : QColor(190, 190, 190));
}

void setActionEnabled(SVButton* button, bool enabled)
{
    setActionEnabled(button, enabled, SVButton::buttonOrange());
}

void styleTable(QTableView* view, QAbstractItemView::SelectionMode selection, int fontPixels, int rowHeight)
{
    setPixelFont(view, fontPixels);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(selection);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(rowHeight);
    view->horizontalHeader()->setMinimumSectionSize(24);
    QFont headerFont = view->horizontalHeader()->font();
    headerFont.setPixelSize(11);
    view->horizontalHeader()->setFont(headerFont);
    view->setAlternatingRowColors(true);
    view->setTabKeyNavigation(false);
}

}  // namespace PageControls
