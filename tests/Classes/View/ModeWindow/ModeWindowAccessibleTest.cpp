// The message box as assistive technology sees it: announced as an alert with its text when it opens,
// its confirm button focused (Qt announces the focus), named and operable from the keyboard.
#include "Classes/View/ModeWindow/ModeWindow.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

TEST(ModeWindowAccessible, OpeningAnnouncesTheAlertAndFocusesTheConfirmButton)
{
    ModeWindow box;
    box.message()->setText(QStringLiteral("Please open the port first"));
    box.comfirm()->setTitle(QStringLiteral("OK"));
    AccessibilityEventRecorder recorder;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box)) << "the message box was never shown";
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.comfirm()->hasFocus(); }, 2000)) << "the confirm button never took the focus";

    const int alert = recorder.indexOf(QAccessible::Alert, &box);
    ASSERT_GE(alert, 0) << "the box should be announced as an alert";
    EXPECT_EQ(recorder.events[alert].role, QAccessible::AlertMessage);
    EXPECT_EQ(recorder.events[alert].name, QStringLiteral("Please open the port first"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(box.comfirm())->text(QAccessible::Name), QStringLiteral("OK"));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(box.comfirm())->state().focused);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&box);
    bool messageFound = false;
    for (int i = 0; i < accessible->childCount(); ++i)
        messageFound = messageFound || accessible->child(i)->text(QAccessible::Name) == QStringLiteral("Please open the port first");
    EXPECT_TRUE(messageFound) << "the message text is a child of the alert";

    QTest::keyClick(box.comfirm(), Qt::Key_Space);
    EXPECT_FALSE(box.isVisible()) << "Space on the focused confirm button closes the box";
    EXPECT_EQ(box.result(), QDialog::Accepted);
}
