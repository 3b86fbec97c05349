#include "Classes/Robot/RobotDelegate.h"

#include "Api/Bus/Protocol.h"
#include "Classes/Robot/RobotModel.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

QWidget* RobotDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const SettingField* field = RobotModel::fieldOf(index.column());
    if (!field) {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(SettingsFile::nameLengthLimit);
        return editor;
    }
    if (field->kind == SettingField::Kind::Volts) {
        auto* volts = new QDoubleSpinBox(parent);
        volts->setDecimals(1);
        volts->setSingleStep(0.1);
        volts->setRange(SVProtocol::voltsFromMillivolts(field->minimum), SVProtocol::voltsFromMillivolts(field->maximum));
        volts->setFrame(false);
        return volts;
    }
    auto* number = new QSpinBox(parent);
    number->setRange(field->minimum, field->maximum);
    number->setFrame(false);
    return number;
}
