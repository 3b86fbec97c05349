// The sequence table's editors, kept within the motion file's ranges.
#include "Classes/Motion/SequenceDelegate.h"

#include "Classes/Motion/SequenceModel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

QString SequenceDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    if (value.typeId() == QMetaType::Int)
        return numberText(value.toInt());
    return QStyledItemDelegate::displayText(value, locale);
}

QWidget* SequenceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    if (index.column() == SequenceModel::CurveColumn) {
        auto* curve = new QComboBox(parent);
        for (MotionCurve each : {MotionCurve::Linear, MotionCurve::Ease, MotionCurve::Through})
            curve->addItem(SequenceModel::curveText(each), MotionFile::curveName(each));
        return curve;
    }
    const std::optional<SequenceModel::ValueRange> range = SequenceModel::rangeOf(index.column());
    if (!range) {
        auto* name = new QLineEdit(parent);
        name->setMaxLength(SequenceModel::maximumNameLength);
        name->setFrame(false);
        return name;
    }
    auto* number = new QSpinBox(parent);
    number->setFrame(false);
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const bool position = index.column() >= SequenceModel::FirstServoColumn;
    // One step below the range stands for "no position"; the spin box shows it as a dash.
    number->setRange(position ? range->minimum - 1 : range->minimum, range->maximum);
    if (position)
        number->setSpecialValueText(noPositionText());
    return number;
}

void SequenceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QVariant value = index.data(Qt::EditRole);
    if (auto* number = qobject_cast<QSpinBox*>(editor))
        number->setValue(value.isValid() ? value.toInt() : number->minimum());
    else if (auto* curve = qobject_cast<QComboBox*>(editor))
        curve->setCurrentIndex(curve->findData(value));
    else if (auto* name = qobject_cast<QLineEdit*>(editor))
        name->setText(value.toString());
}

void SequenceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* number = qobject_cast<QSpinBox*>(editor)) {
        number->interpretText();
        const bool noPosition = !number->specialValueText().isEmpty() && number->value() == number->minimum();
        model->setData(index, noPosition ? QVariant(QString()) : QVariant(number->value()), Qt::EditRole);
    } else if (auto* curve = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, curve->currentData(), Qt::EditRole);
    } else if (auto* name = qobject_cast<QLineEdit*>(editor)) {
        model->setData(index, name->text(), Qt::EditRole);
    }
}
