// The mode control: each segment selected, with key titles, English and Chinese titles.
#include "Gallery.h"

#include "Classes/View/Segmented/SVSegmentedControl.h"

#include <QHash>
#include <QWidget>

namespace Gallery {

namespace {
void addControl(QWidget* parent, int y, int index, const QHash<QString, QString>& table)
{
    auto* control = new SVSegmentedControl(parent);
    if (!table.isEmpty())
        control->setTranslator([table](const QString& key) { return table.value(key, key); });
    control->setIndex(index);
    control->setGeometry(10, y, control->width(), 26);
}
}  // namespace

void renderSegmentedControls()
{
    const QHash<QString, QString> english = {{QStringLiteral("servo_mode"), QStringLiteral("Servo Mode")},
                                             {QStringLiteral("motor_mode"), QStringLiteral("Motor Mode")}};
    const QHash<QString, QString> chinese = {{QStringLiteral("servo_mode"), QStringLiteral("舵机模式")},
                                             {QStringLiteral("motor_mode"), QStringLiteral("电机模式")}};
    QWidget* backdrop = makeBackdrop(300, 220);
    addControl(backdrop, 10, 0, {});
    addControl(backdrop, 46, 0, english);
    addControl(backdrop, 82, 1, english);
    addControl(backdrop, 118, 0, chinese);
    addControl(backdrop, 154, 1, chinese);
    save(backdrop, QStringLiteral("segmented_keys_en0_en1_zh0_zh1"));
}

}  // namespace Gallery
