// The read-out pill as assistive technology sees it: static text whose value is what it shows,
// readable through the text interface, with changes announced.
#include "Classes/View/Text/SVBaseTextField.h"
#include "support/ui/AccessibilityEventRecorder.h"

#include <QAccessible>
#include <gtest/gtest.h>

TEST(SVBaseTextFieldAccessible, IsStaticTextWhoseValueAndTextAreWhatItShows)
{
    SVBaseTextField field(QStringLiteral("7.4V"));
    field.resize(80, 24);
    field.show();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&field);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::StaticText);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("7.4V")) << "without a caption the text names it";
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("7.4V"));
    EXPECT_TRUE(accessible->state().readOnly);

    field.setAccessibleName(QStringLiteral("Voltage"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Voltage"));
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 4);
    EXPECT_EQ(text->text(0, 4), QStringLiteral("7.4V"));
    EXPECT_EQ(text->text(2, 3), QStringLiteral("4"));
    EXPECT_EQ(text->text(3, 99), QStringLiteral("V")) << "a range past the end stops at the end";
    EXPECT_TRUE(text->text(5, 6).isEmpty());

    const QRect first = text->characterRect(0);
    const QRect last = text->characterRect(3);
    EXPECT_LT(first.left(), last.left());
    EXPECT_TRUE(field.rect().contains(field.mapFromGlobal(first.center())));
    EXPECT_EQ(text->offsetAtPoint(last.center()), 3);
    EXPECT_TRUE(text->characterRect(4).isEmpty());
}

TEST(SVBaseTextFieldAccessible, ANewTextIsAnnounced)
{
    SVBaseTextField field(QStringLiteral("0"));
    AccessibilityEventRecorder recorder;
    field.setText(QStringLiteral("35"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&field)->text(QAccessible::Value), QStringLiteral("35"));
    EXPECT_GE(recorder.indexOf(QAccessible::TextUpdated, &field), 0);
    EXPECT_GE(recorder.indexOf(QAccessible::NameChanged, &field), 0) << "the name is the text while there is no caption";

    recorder.events.clear();
    field.setText(QStringLiteral("35"));
    EXPECT_TRUE(recorder.events.isEmpty()) << "the same text again is no change";
}
