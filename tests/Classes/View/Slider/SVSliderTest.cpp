// The value slider under real mouse events: the press step, the held-press repeat, drags, and the factory.
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Slider/SVSpeedSlider.h"
#include "Classes/View/Slider/SVToolSlider.h"
#include "Tools/SVTag.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Longer than the 0.5 s before a held press starts repeating: long enough to see a repeat that
// should not be there.
constexpr int beyondRepeatDelayMs = 800;

std::unique_ptr<SVSlider> makeSlider(double min, double max, double value, QSize size, bool vertical = false)
{
    auto slider = std::make_unique<SVSlider>();
    slider->setCell(new SVToolSlider);
    slider->setMinValue(min);
    slider->setMaxValue(max);
    slider->setValue(value);
    slider->setVertical(vertical);
    slider->resize(size);
    slider->show();
    return slider;
}

class ActionTarget : public QObject {
    Q_OBJECT
public:
    QList<QObject*> senders;
public slots:
    void sliderClick(QObject* sender) { senders.append(sender); }
};

class PressRecorder : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

}  // namespace

TEST(SVSlider, ClickWithinOneStepKeepsTheValueAndSendsOneAction)
{
    auto slider = makeSlider(0, 1000, 500, QSize(1000, 20));
    QSignalSpy actions(slider.get(), &SVSlider::triggered);
    QTest::mouseClick(slider.get(), Qt::LeftButton, {}, QPoint(501, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 1; }, 2000)) << "no action after a click";
    QTest::qWait(beyondRepeatDelayMs);
    EXPECT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.first().first().value<QObject*>(), slider.get());
    EXPECT_DOUBLE_EQ(slider->value(), 500);
}

TEST(SVSlider, QuickClickStepsOnceTowardsThePoint)
{
    auto slider = makeSlider(0, 1000, 500, QSize(1000, 20));
    QSignalSpy actions(slider.get(), &SVSlider::triggered);
    QTest::mouseClick(slider.get(), Qt::LeftButton, {}, QPoint(100, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 1; }, 2000)) << "no action after a click";
    QTest::qWait(beyondRepeatDelayMs);
    EXPECT_EQ(actions.size(), 1);
    EXPECT_DOUBLE_EQ(slider->value(), 499);
}

TEST(SVSlider, HeldPressStepsOnceThenRepeatsUntilRelease)
{
    auto slider = makeSlider(0, 1000, 0, QSize(1000, 20));
    QSignalSpy actions(slider.get(), &SVSlider::triggered);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(900, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 1; }, 2000)) << "no step at the press";
    EXPECT_FALSE(slider->move());
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 5; }, 5000)) << "the held press did not repeat";
    // Far from the pressed point, every tick is one step.
    EXPECT_DOUBLE_EQ(slider->value(), double(actions.size()));

    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, QPoint(900, 10));
    EXPECT_TRUE(slider->move());
    const qsizetype atRelease = actions.size();
    QTest::qWait(500);
    EXPECT_LE(actions.size(), atRelease + 1) << "ticks continued after the release";
    EXPECT_DOUBLE_EQ(slider->value(), double(actions.size()));
}

TEST(SVSlider, HeldPressNearTheValueStopsChangingButKeepsSending)
{
    auto slider = makeSlider(0, 1000, 500, QSize(1000, 20));
    QSignalSpy actions(slider.get(), &SVSlider::triggered);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(503, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 6; }, 5000)) << "the held press did not repeat";
    EXPECT_DOUBLE_EQ(slider->value(), 502);
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, QPoint(503, 10));
}

TEST(SVSlider, DragSetsUnroundedValuesPinsAtTheEndsAndStopsTheRepeat)
{
    auto slider = makeSlider(0, 1000, 0, QSize(300, 20));
    QSignalSpy actions(slider.get(), &SVSlider::triggered);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(150, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 1; }, 2000)) << "no step at the press";

    QTest::mouseMove(slider.get(), QPoint(100, 10));
    EXPECT_TRUE(slider->move());
    EXPECT_DOUBLE_EQ(slider->value(), 100 * 1000 / 300.0);
    QTest::mouseMove(slider.get(), QPoint(-40, 10));
    EXPECT_DOUBLE_EQ(slider->value(), 0);
    QTest::mouseMove(slider.get(), QPoint(340, 10));
    EXPECT_DOUBLE_EQ(slider->value(), 1000);
    EXPECT_EQ(actions.size(), 4) << "one action for the press step and one for each drag event";

    QTest::qWait(beyondRepeatDelayMs);
    EXPECT_EQ(actions.size(), 4) << "a drag must stop the repeat";
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, QPoint(340, 10));
    QTest::qWait(100);
    EXPECT_EQ(actions.size(), 4) << "the release sends nothing";
}

TEST(SVSlider, VerticalDragHasTheMaximumAtTheTop)
{
    auto slider = makeSlider(50, 100, 85, QSize(20, 140), true);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(10, 70));
    QTest::mouseMove(slider.get(), QPoint(10, 0));
    EXPECT_DOUBLE_EQ(slider->value(), 100);
    QTest::mouseMove(slider.get(), QPoint(10, 140));
    EXPECT_DOUBLE_EQ(slider->value(), 50);
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, QPoint(10, 140));
}

TEST(SVSlider, MiddleOfASymmetricRangeIsZero)
{
    auto slider = makeSlider(-1000, 1000, 500, QSize(130, 20));
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(slider.get(), QPoint(65, 10));
    EXPECT_DOUBLE_EQ(slider->value(), 0);
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, QPoint(65, 10));
}

TEST(SVSlider, PressDoesNotReachTheWindowBehind)
{
    PressRecorder window;
    auto* slider = new SVSlider(&window);
    slider->setGeometry(0, 0, 200, 20);
    window.resize(200, 40);
    window.show();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(50, 10));
    EXPECT_EQ(window.presses, 0);
}

TEST(SVSlider, DestroyedWhileRepeatingStopsCleanly)
{
    auto slider = makeSlider(0, 1000, 0, QSize(1000, 20));
    QSignalSpy actions(slider.get(), &SVSlider::triggered);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(900, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return actions.size() >= 3; }, 5000)) << "the held press did not repeat";
    slider.reset();
    QTest::qWait(300);  // ticks still queued for the destroyed slider must be dropped
}

TEST(SVSlider, FactoryBuildsTheSliderInItsOrder)
{
    ActionTarget target;
    auto* cell = new SVSpeedSlider;
    std::unique_ptr<SVSlider> slider(SVSlider::initSliderWithFrame(QRect(), 4.6, 14, QStringLiteral("12"), true,
                                                                   SLOT(sliderClick(QObject*)), &target, 1004,
                                                                   cell, 0.1, true));
    EXPECT_DOUBLE_EQ(slider->minValue(), 4.6);
    EXPECT_DOUBLE_EQ(slider->maxValue(), 14);
    EXPECT_DOUBLE_EQ(slider->value(), 12);
    EXPECT_TRUE(slider->isVertical());
    EXPECT_DOUBLE_EQ(slider->step(), 0.1);
    EXPECT_EQ(slider->cell(), cell);
    EXPECT_EQ(tagOf(slider.get()), 1004);
    EXPECT_EQ(slider->parent(), nullptr);

    emit slider->triggered(slider.get());
    ASSERT_EQ(target.senders.size(), 1);
    EXPECT_EQ(target.senders.first(), slider.get());

    slider->setStringValue(QStringLiteral("20"));
    EXPECT_DOUBLE_EQ(slider->value(), 14) << "text above the range is pinned";
    slider->setStringValue(QStringLiteral("4.5"));
    EXPECT_DOUBLE_EQ(slider->value(), 4.6) << "text below the range is pinned";
}

TEST(SVSlider, KnobOfAVerticalToolSliderAtItsMinimumIsOneUnitHigher)
{
    auto slider = makeSlider(50, 100, 50, QSize(20, 140), true);
    EXPECT_DOUBLE_EQ(slider->knobRect().top(), 140 - 22 - 1);
    slider->setValue(100);
    EXPECT_DOUBLE_EQ(slider->knobRect().top(), 0);
}

#include "SVSliderTest.moc"
