// The gauges as assistive technology sees them: read-only progress bars with the gauge's value and
// scale, named by the window, the needle and scale numbers hidden.
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <gtest/gtest.h>

namespace {

struct Reading {
    double value;
    double minimum;
    double maximum;
};

Reading readingOf(QWidget* gauge)
{
    QAccessibleValueInterface* value = QAccessible::queryAccessibleInterface(gauge)->valueInterface();
    if (!value)
        return {-1, -1, -1};
    return {value->currentValue().toDouble(), value->minimumValue().toDouble(), value->maximumValue().toDouble()};
}

}  // namespace

TEST(SVDashBoardAccessible, DialsAreReadOnlyProgressBarsOverTheirScales)
{
    SVDashBoardView voltage;
    SVDashBoardPostionView position;
    voltage.resize(200, 200);
    position.resize(200, 200);
    voltage.setAccessibleName(QStringLiteral("Voltage"));
    for (QWidget* dial : {static_cast<QWidget*>(&voltage), static_cast<QWidget*>(&position)}) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(dial);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::ProgressBar);
        EXPECT_EQ(accessible->childCount(), 0) << "needle and numbers are not children";
        EXPECT_TRUE(accessible->state().readOnly);
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&voltage)->text(QAccessible::Name), QStringLiteral("Voltage"));

    const Reading fresh = readingOf(&voltage);
    EXPECT_DOUBLE_EQ(fresh.value, 0);
    EXPECT_DOUBLE_EQ(fresh.minimum, 0);
    EXPECT_DOUBLE_EQ(fresh.maximum, 15);
    voltage.progress(7.5);
    EXPECT_DOUBLE_EQ(readingOf(&voltage).value, 7.5);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&voltage)->text(QAccessible::Value), QStringLiteral("7.5"));

    position.progress(50);
    EXPECT_DOUBLE_EQ(readingOf(&position).value, 50);
    EXPECT_NEAR(readingOf(&position).maximum, 100, 1e-4);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&voltage);
    accessible->valueInterface()->setCurrentValue(3);
    EXPECT_DOUBLE_EQ(readingOf(&voltage).value, 7.5) << "a gauge cannot be set from outside";
}

TEST(SVDashBoardAccessible, ThermometerShowsItsValueAndAnnouncesChanges)
{
    SVDashBoardTemperatureView thermometer;
    AccessibilityEventRecorder recorder;
    thermometer.setPro(45);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&thermometer);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::ProgressBar);
    const Reading reading = readingOf(&thermometer);
    EXPECT_DOUBLE_EQ(reading.value, 45);
    EXPECT_DOUBLE_EQ(reading.maximum, SVDashBoardTemperatureView::fullScale);
    EXPECT_GE(recorder.indexOf(QAccessible::ValueChanged, &thermometer), 0);
}
