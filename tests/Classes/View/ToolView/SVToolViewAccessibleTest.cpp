// A group box as assistive technology sees it: a group named by its title, holding its controls.
#include "Classes/View/ToolView/SVToolView.h"

#include <QAccessible>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(SVToolViewAccessible, IsAGroupNamedByItsTitle)
{
    SVToolView box;
    box.lableTitle()->setText(QStringLiteral("LED alarms"));
    auto* inside = new QPushButton(QStringLiteral("inside"), &box);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&box);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Grouping);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("LED alarms"));
    EXPECT_GE(accessible->indexOfChild(QAccessible::queryAccessibleInterface(inside)), 0);
    box.lableTitle()->setText(QStringLiteral("LED 报警"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("LED 报警")) << "the name follows the title";
}
