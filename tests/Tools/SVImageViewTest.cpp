// Image views: the image fills the view, and a press asks the window to move.
#include "Tools/SVImageView.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(SVImageView, FillsItselfWithItsImageAndAPressDragsTheWindow)
{
    QWidget window;
    window.resize(300, 120);
    QPixmap red(10, 4);
    red.fill(Qt::red);
    auto* view = new SVImageView(QIcon(red), &window);
    view->setGeometry(0, 0, 300, 94);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QImage image = view->grab().toImage();
    const qreal scale = image.devicePixelRatio();
    EXPECT_EQ(image.pixelColor(QPoint(2, 2) * scale), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(QPoint(297, 91) * scale), QColor(Qt::red));

    QSignalSpy drags(view, &SVImageView::windowDragRequested);
    QTest::mousePress(view, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_EQ(drags.count(), 0);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(drags.count(), 1);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(50, 50));
}

}  // namespace
