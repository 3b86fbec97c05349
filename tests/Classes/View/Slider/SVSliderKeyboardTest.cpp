// The value slider under the keyboard: Tab reaches it, the arrow, page, Home and End keys move it and
// report each key once, and the focus is drawn.
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Slider/SVSpeedSlider.h"
#include "Classes/View/Slider/SVToolSlider.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<SVSlider> makeSlider(double min, double max, double value, double step, bool vertical = false)
{
    auto slider = std::make_unique<SVSlider>();
    slider->setCell(new SVToolSlider);
    slider->setStep(step);
    slider->setMinValue(min);
    slider->setMaxValue(max);
    slider->setValue(value);
    slider->setVertical(vertical);
    slider->resize(vertical ? QSize(24, 200) : QSize(200, 24));
    return slider;
}

}  // namespace

TEST(SVSliderKeyboard, ArrowKeysMoveByOneStepAndReportEachKey)
{
    auto slider = makeSlider(4.5, 13.9, 4.5, 0.1);
    QSignalSpy actions(slider.get(), &SVSlider::actionSent);
    QTest::keyClick(slider.get(), Qt::Key_Right);
    EXPECT_NEAR(slider->value(), 4.6, 1e-9);
    QTest::keyClick(slider.get(), Qt::Key_Up);
    EXPECT_NEAR(slider->value(), 4.7, 1e-9);
    QTest::keyClick(slider.get(), Qt::Key_Left);
    QTest::keyClick(slider.get(), Qt::Key_Down);
    EXPECT_NEAR(slider->value(), 4.5, 1e-9);
    EXPECT_EQ(actions.size(), 4);

    QTest::keyClick(slider.get(), Qt::Key_Down);
    EXPECT_DOUBLE_EQ(slider->value(), 4.5) << "pinned at the minimum";
    EXPECT_EQ(actions.size(), 5) << "a key at the end still reports, as a press step does";
    EXPECT_EQ(actions.last().first().value<QObject*>(), slider.get());
}

TEST(SVSliderKeyboard, UpRaisesAVerticalSlider)
{
    auto slider = makeSlider(50, 100, 85, 1, true);
    QTest::keyClick(slider.get(), Qt::Key_Up);
    EXPECT_DOUBLE_EQ(slider->value(), 86);
}

TEST(SVSliderKeyboard, PageKeysMoveTenStepsAndHomeEndGoToTheEnds)
{
    auto slider = makeSlider(-1000, 1000, 0, 1);
    QSignalSpy actions(slider.get(), &SVSlider::actionSent);
    QTest::keyClick(slider.get(), Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(slider->value(), 10);
    QTest::keyClick(slider.get(), Qt::Key_PageDown);
    QTest::keyClick(slider.get(), Qt::Key_PageDown);
    EXPECT_DOUBLE_EQ(slider->value(), -10);
    QTest::keyClick(slider.get(), Qt::Key_End);
    EXPECT_DOUBLE_EQ(slider->value(), 1000);
    QTest::keyClick(slider.get(), Qt::Key_Home);
    EXPECT_DOUBLE_EQ(slider->value(), -1000);
    EXPECT_EQ(actions.size(), 5);

    QTest::keyClick(slider.get(), Qt::Key_A);
    EXPECT_EQ(actions.size(), 5) << "other keys do nothing";
}

TEST(SVSliderKeyboard, TabReachesTheSliderAndItsFocusIsDrawn)
{
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* slider = makeSlider(0, 1000, 500, 1).release();
    slider->setParent(&window);
    slider->setFixedSize(200, 30);
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(slider);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << "the test window never became active";
    field->setFocus();
    const QImage unfocused = slider->grab().toImage();

    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(slider->hasFocus()) << "Tab should move the focus to the slider";
    EXPECT_NE(slider->grab().toImage(), unfocused) << "the focus should be drawn";
    QSignalSpy actions(slider, &SVSlider::actionSent);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_DOUBLE_EQ(slider->value(), 501);
    EXPECT_EQ(actions.size(), 1);
}
