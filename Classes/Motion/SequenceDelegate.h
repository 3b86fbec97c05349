// The editors of the sequence table: a line edit for a step's name, a list of the curves, a spin box
// held to the motion file's range for each number, whose lowest value ("–") clears a servo's position.
#pragma once

#include <QStyledItemDelegate>

class SequenceDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // The spin box text of "no position".
    static QString noPositionText() { return QStringLiteral("–"); }

    // A number as the table shows it: digits only, as in the motion file and the editors.
    static QString numberText(int value) { return QString::number(value); }

    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};
