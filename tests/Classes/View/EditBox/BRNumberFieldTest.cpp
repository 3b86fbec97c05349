// The whole-number field under real key presses and pastes: only digits, never above max, every edit
// checked (replacements included), "0" when the user empties it, Enter reports the field.
#include "Classes/View/EditBox/BRNumberField.h"
#include "Tools/SVTag.h"
#include "support/core/MessageCapture.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

namespace {

class NumberFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        field.show();
        field.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&field)) << "the field's window never became active";
        field.setFocus();
    }
    void enter(quint64 max, const QString& text)
    {
        field.setMax(max);
        field.setText(text);
        field.end(false);
    }

    BRNumberField field;
};

TEST_F(NumberFieldTest, TypingUpToMaxIsAcceptedAndBeyondIsRefused)
{
    enter(1000, "100");
    QTest::keyClick(&field, Qt::Key_0);
    EXPECT_EQ(field.text(), "1000");
    QTest::keyClick(&field, Qt::Key_0);
    EXPECT_EQ(field.text(), "1000");
}

TEST_F(NumberFieldTest, LettersMinusAndMixedPastesAreRefused)
{
    enter(1000, "12");
    QTest::keyClicks(&field, "a-+ .");
    EXPECT_EQ(field.text(), "12");

    enter(1000, "");
    QApplication::clipboard()->setText("12a");
    QTest::keySequence(&field, QKeySequence::Paste);
    EXPECT_EQ(field.text(), "");
    QApplication::clipboard()->setText("34");
    field.selectAll();
    QTest::keySequence(&field, QKeySequence::Paste);
    EXPECT_EQ(field.text(), "34");
}

// The text-change handling answers the user's edits only: what code sets, a blank included, stays as
// set and logs nothing; an edit logs the text it left, and emptying the field by hand leaves "0".
TEST_F(NumberFieldTest, OnlyUserEditsAreHandledAndLogged)
{
    const struct {
        const char* name;
        QString start;
        std::function<void(BRNumberField&)> act;
        QString text;
        QStringList log;
    } cases[] = {
        { "blank set by code", "12", [](BRNumberField& f) { f.setText(""); }, "", {} },
        { "number set by code", "12", [](BRNumberField& f) { f.setText("250"); }, "250", {} },
        { "typed digit", "12", [](BRNumberField& f) { QTest::keyClick(&f, Qt::Key_5); }, "125",
            { "controlTextDidChange : 125" } },
        { "last digit deleted", "7", [](BRNumberField& f) { QTest::keyClick(&f, Qt::Key_Backspace); }, "0",
            { "controlTextDidChange : 0" } },
        { "everything deleted", "70",
            [](BRNumberField& f) {
                f.selectAll();
                QTest::keyClick(&f, Qt::Key_Delete);
            },
            "0", { "controlTextDidChange : 0" } },
    };
    for (const auto& c : cases) {
        enter(253, c.start);
        MessageCapture log;
        c.act(field);
        EXPECT_EQ(field.text(), c.text) << c.name;
        EXPECT_EQ(MessageCapture::messages(), c.log) << c.name;
    }
}

// Replacing a selection is checked like any other edit: it may neither bring in a letter nor exceed max.
TEST_F(NumberFieldTest, ReplacementsAreCheckedToo)
{
    enter(500, "100");
    field.setSelection(0, 1);
    QTest::keyClick(&field, Qt::Key_A);
    EXPECT_EQ(field.text(), "100");
    field.setSelection(0, 1);
    QTest::keyClick(&field, Qt::Key_9);
    EXPECT_EQ(field.text(), "100");
    field.setSelection(0, 1);
    QTest::keyClick(&field, Qt::Key_4);
    EXPECT_EQ(field.text(), "400");

    enter(253, "1");
    QApplication::clipboard()->setText("99999");
    field.selectAll();
    QTest::keySequence(&field, QKeySequence::Paste);
    EXPECT_EQ(field.text(), "1");
}

TEST(BRNumberFormatter, ComparesWithMaxAsAnUnsigned64BitNumber)
{
    BRNumberFormatter formatter;
    EXPECT_EQ(formatter.max(), 9223372036854775807ULL);
    EXPECT_TRUE(formatter.isPartialStringValid("9223372036854775807"));
    EXPECT_FALSE(formatter.isPartialStringValid("9223372036854775808"));
    formatter.setMax(18446744073709551615ULL);
    EXPECT_TRUE(formatter.isPartialStringValid("18446744073709551615"));
    EXPECT_FALSE(formatter.isPartialStringValid("18446744073709551616"));  // beyond 64 bits
    EXPECT_FALSE(formatter.isPartialStringValid("٣"));                     // digits of other scripts
    EXPECT_TRUE(formatter.isPartialStringValid(""));
}

TEST_F(NumberFieldTest, EnterReportsTheFieldAndTheFormatterCannotBeReplaced)
{
    setTag(&field, 2002);
    enter(3000, "15");
    QSignalSpy spy(&field, &BRNumberField::actionSent);
    QTest::keyClick(&field, Qt::Key_Return);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(tagOf(spy.at(0).at(0).value<QObject*>()), 2002);

    QIntValidator other;
    field.setFormatter(&other);
    field.setValidator(&other);
    EXPECT_EQ(field.validator(), field.formatter());
}

TEST(BRNumberField, LooksLikeAGreyPillWithWhiteCentredText)
{
    BRNumberField field(QSize(60, 20));
    EXPECT_EQ(field.size(), QSize(60, 20));
    EXPECT_DOUBLE_EQ(field.cornerRadius(), 10);
    EXPECT_EQ(field.backgroundColor(), QColor(162, 162, 162));
    EXPECT_EQ(field.textColor(), QColor(Qt::white));
    EXPECT_EQ(field.alignment(), Qt::AlignCenter);
    EXPECT_FALSE(field.hasFrame());
    const QImage image = field.grab().toImage();
    EXPECT_EQ(image.pixelColor(QPoint(30, 10) * image.devicePixelRatio()), QColor(162, 162, 162));
}

}  // namespace
