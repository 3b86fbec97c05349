#include "Classes/Robot/RobotDelegate.h"

#include "Classes/Robot/RobotModel.h"

#include <QDoubleSpinBox>
#include <QSpinBox>

namespace {

// Editors take any number of this many digits, so that what is typed is never cut to fit: the model
// refuses a value outside the setting's range and says so.
constexpr int typedLimit = 999999;

}  // namespace

QWidget* RobotDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const SettingField* field = RobotModel::fieldOf(index.column());
    if (!field)
        return QStyledItemDelegate::createEditor(parent, option, index);
    if (field->kind == SettingField::Kind::Volts) {
        auto* volts = new QDoubleSpinBox(parent);
        volts->setDecimals(1);
        volts->setSingleStep(0.1);
        volts->setRange(-typedLimit / 1000.0, typedLimit / 1000.0);
        volts->setFrame(false);
        return volts;
    }
    auto* number = new QSpinBox(parent);
    number->setRange(-typedLimit, typedLimit);
    number->setFrame(false);
    return number;
}
