// The controls the Motion and Robot pages share: their action buttons and the look of their tables.
#pragma once

#include <QAbstractItemView>
#include <QColor>

class QTableView;
class QWidget;
class SVButton;

namespace PageControls {

void setPixelFont(QWidget* widget, int pixels);
// An orange pill with a white title, as the pages' actions look.
SVButton* actionButton(QWidget* parent);
// A button that cannot act now is grey, so that what can be done stands out.
void setActionEnabled(SVButton* button, bool enabled, const QColor& colour);
void setActionEnabled(SVButton* button, bool enabled);
// Rows selected whole, no row numbers, small headers, alternating rows, on white. Tab leaves the
// table for the next control, as elsewhere in the window.
void styleTable(QTableView* view, QAbstractItemView::SelectionMode selection, int fontPixels, int rowHeight);

}  // namespace PageControls
