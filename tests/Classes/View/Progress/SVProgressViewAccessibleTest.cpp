// The write workflow's progress bar as assistive technology sees it: named by its text, its progress
// never reported past the full bar.
#include "Classes/View/Progress/SVProgressView.h"

#include <QAccessible>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

TEST(SVProgressViewAccessible, IsAProgressBarNamedByItsTextWithItsProgress)
{
    SVProgressView bar;
    std::vector<std::function<void()>> steps;
    bar.setScheduler([&](std::chrono::microseconds, std::function<void()> task) { steps.push_back(std::move(task)); });
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::ProgressBar);
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), SVProgressView::completeAt);

    bar.setPro(0.1);
    bar.setPro(0.1);  // a second run on top of the first: the steps add up past the bar's width
    const qsizetype runSteps = qsizetype(steps.size());  // later tasks hide the bar again
    for (qsizetype i = 0; i < 100 && i < runSteps; ++i)
        steps[i]();
    EXPECT_NEAR(value->currentValue().toDouble(), 100.1, 1e-9);
    EXPECT_EQ(accessible->text(QAccessible::Name), bar.title());
    for (qsizetype i = 100; i < runSteps; ++i)
        steps[i]();
    EXPECT_GT(bar.pro(), SVProgressView::completeAt);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), SVProgressView::completeAt);
}
