// Vertical centring of the read-out cells.
#include "Classes/View/Text/SVBaseTextField.h"
#include "Classes/View/Text/SVBaseTextFieldCell.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace {

TEST(SVBaseTextFieldCell, ShrinksTheCellEvenlyAroundTheText)
{
    const QRectF text = SVBaseTextFieldCell::adjustedFrameToVerticallyCenterText(QRectF(0, 0, 70, 30), 12, -3);
    EXPECT_EQ(text, QRectF(0, 8, 70, 14));
    // d is floored: 15.5 - 9 gives 6, not 6.5.
    EXPECT_EQ(SVBaseTextFieldCell::adjustedFrameToVerticallyCenterText(QRectF(5, 10, 70, 31), 12, -3),
        QRectF(5, 18, 70, 15));
}

TEST(SVBaseTextField, DrawsItsTextInTheCentredRectangle)
{
    SVBaseTextField pill(QStringLiteral("0.0V"));
    pill.resize(70, 22);
    const QFontMetricsF metrics(pill.font());
    EXPECT_EQ(pill.textRect(),
        SVBaseTextFieldCell::adjustedFrameToVerticallyCenterText(QRectF(0, 0, 70, 22), metrics.ascent(), -metrics.descent()));
    // The text's middle lies near the pill's middle.
    const qreal textMiddle = pill.textRect().top() + metrics.height() / 2;
    EXPECT_NEAR(textMiddle, 11, 2.5);
}

}  // namespace

// Widths are remembered per text: a size hint must still follow the font, and a text shown again
// after many others must still measure right.
TEST(SVBaseTextField, SizeHintFollowsTheTextAndTheFont)
{
    SVBaseTextField pill(QStringLiteral("7.4V"));
    const int smallWidth = pill.sizeHint().width();
    EXPECT_EQ(smallWidth, QFontMetrics(pill.font()).horizontalAdvance(QStringLiteral("7.4V")) + 8);
    for (int value = 0; value < 600; ++value) {
        pill.setText(QString::number(value));
        ASSERT_EQ(pill.sizeHint().width(), QFontMetrics(pill.font()).horizontalAdvance(QString::number(value)) + 8);
    }
    pill.setText(QStringLiteral("7.4V"));
    EXPECT_EQ(pill.sizeHint().width(), smallWidth);

    QFont larger = pill.font();
    larger.setPixelSize(26);
    pill.setFont(larger);
    EXPECT_EQ(pill.sizeHint(), QSize(QFontMetrics(larger).horizontalAdvance(QStringLiteral("7.4V")) + 8,
                                     QFontMetrics(larger).height() + 6));
    EXPECT_GT(pill.sizeHint().width(), smallWidth);
}
