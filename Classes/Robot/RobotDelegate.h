// Editors of the Robot page's cells: each setting within the range the Parameters page allows (volts
// to a tenth), a name of bounded length.
#pragma once

#include <QStyledItemDelegate>

class RobotDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
