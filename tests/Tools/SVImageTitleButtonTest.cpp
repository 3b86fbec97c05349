// The image-title button: icon and title layout, its fixed look and its localized title.
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVLocalized.h"
#include "Tools/SVTag.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

namespace {

TEST(SVImageTitleButtonLayout, PlacesASquareIconAndTitleAsOneGroup)
{
    const auto layout = SVImageTitleButton::layoutFor(QSizeF(120, 40), QSizeF(40, 17), QSizeF(24, 24));
    EXPECT_DOUBLE_EQ(layout.top, 8);
    EXPECT_EQ(layout.icon, QRectF(24, 8, 24, 24));
    EXPECT_EQ(layout.title, QRectF(56, 10.5, 40, 17));
}

TEST(SVImageTitleButtonLayout, KeepsTheProportionsOfAWideIcon)
{
    const auto layout = SVImageTitleButton::layoutFor(QSizeF(160, 36), QSizeF(30, 17), QSizeF(48, 24));
    EXPECT_NEAR(layout.icon.height(), 36 - 2 * 7.2, 1e-9);
    EXPECT_NEAR(layout.icon.width(), 2 * layout.icon.height(), 1e-9);
    // Gap g between icon and title, 3g on each side: the group is centred.
    const qreal gap = layout.title.x() - layout.icon.right();
    EXPECT_NEAR(layout.icon.x(), 3 * gap, 1e-4);
    EXPECT_NEAR(160 - layout.title.right(), 3 * gap, 1e-4);
}

TEST(SVImageTitleButton, IsAnOrangeHoverDimmingButtonWithALocalizedTitle)
{
    SVLocalized::setLookup([](const QString& key) { return key == "read" ? QStringLiteral("读取") : key; });
    QPixmap icon(24, 24);
    icon.fill(Qt::blue);
    QWidget parent;
    SVImageTitleButton button(QStringLiteral("read"), QIcon(icon), 5003, &parent);
    EXPECT_EQ(button.parentWidget(), &parent);
    EXPECT_EQ(tagOf(&button), 5003);
    EXPECT_EQ(button.myTitle(), "read");
    EXPECT_EQ(button.backgroundColor(), SVButton::buttonOrange());
    EXPECT_EQ(button.cornerRadius(), 5);
    EXPECT_TRUE(button.allowTouch());
    EXPECT_TRUE(button.imageButton());
    EXPECT_DOUBLE_EQ(button.top(), 4);

    button.resize(120, 40);
    QImage image = button.grab().toImage();
    EXPECT_DOUBLE_EQ(button.top(), 8);  // height / 5 from the first paint on
    // The icon sits left of centre at 3g: its middle pixel is the icon's colour, the corner is orange.
    QFont font = QApplication::font();
    font.setPixelSize(SVImageTitleButton::titleFontSize);
    const QSizeF titleSize = QFontMetricsF(font).boundingRect(QRectF(0, 0, 120, 40), Qt::TextSingleLine, "读取").size();
    const auto layout = SVImageTitleButton::layoutFor(QSizeF(120, 40), titleSize, QSizeF(24, 24));
    const QPoint iconMiddle = QRectF(layout.icon.x(), 40 - layout.icon.bottom(), 24, 24).center().toPoint();
    EXPECT_EQ(image.pixelColor(iconMiddle * image.devicePixelRatio()), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(QPoint(60, 2) * image.devicePixelRatio()), SVButton::buttonOrange());
    SVLocalized::setLookup({});
}

}  // namespace
