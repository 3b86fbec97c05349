// Editors of the Robot page's cells: a number for each setting (volts to a tenth), a line for a name.
// They take what is typed as typed; the model refuses what is out of range or breaks the names' rule,
// with a message.
#pragma once

#include <QStyledItemDelegate>

class RobotDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
