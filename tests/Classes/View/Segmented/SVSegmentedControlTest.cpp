// The mode control: segment widths from the texts, hit testing, the delegate call on a change only,
// and titles and width following a language change.
#include "Api/Source/NotificationCenter.h"
#include "Classes/View/Segmented/SVSegmentGeometry.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"

#include <QFontMetricsF>
#include <QTest>
#include <QtMath>
#include <gtest/gtest.h>

namespace {

class ModeDelegate : public QObject {
    Q_OBJECT
public:
    QList<int> selected;
    Q_INVOKABLE void selectTitleIndex(int index) { selected.append(index); }
};

int expectedWidth(const QStringList& texts)
{
    const QFontMetricsF metrics(SVSegmentedControl::titleFont());
    double total = 0;
    for (const QString& text : texts)
        total += metrics.size(Qt::TextSingleLine, text).width() + 40;
    return qCeil(total);
}

}  // namespace

TEST(SVSegmentGeometry, TwoTitlesOf60And70Units)
{
    const QList<SVSegmentSpan> spans = SVSegmentGeometry::segmentSpans({60, 70}, 0, 20);
    ASSERT_EQ(spans.size(), 2);
    EXPECT_DOUBLE_EQ(spans[0].left, 0);
    EXPECT_DOUBLE_EQ(spans[0].right(), 100);
    EXPECT_DOUBLE_EQ(spans[1].left, 100);
    EXPECT_DOUBLE_EQ(spans[1].right(), 211);
    EXPECT_DOUBLE_EQ(SVSegmentGeometry::controlWidth({60, 70}, 20), 210);
}

TEST(SVSegmentGeometry, OnlyTwoTitlesWidenTheSecondAndTheFirstStartsAtTheInset)
{
    const QList<SVSegmentSpan> three = SVSegmentGeometry::segmentSpans({10, 10, 10}, 5, 20);
    EXPECT_DOUBLE_EQ(three[0].left, 5);
    EXPECT_DOUBLE_EQ(three[1].width, 50);
    EXPECT_DOUBLE_EQ(three[2].right(), 155);
    EXPECT_DOUBLE_EQ(SVSegmentGeometry::controlWidth({10, 10, 10}, 20), 150);
}

TEST(SVSegmentedControl, PressOnAnotherSegmentSelectsItAndTellsTheDelegateOnce)
{
    SVSegmentedControl control;
    ModeDelegate delegate;
    control.setDelegate(&delegate);
    control.resize(control.width(), 26);
    control.show();
    const QList<SVSegmentSpan> spans = control.segmentSpans();
    ASSERT_EQ(spans.size(), 2);
    const QPoint inFirst(qRound(spans[0].left + spans[0].width / 2), 13);
    const QPoint inSecond(qRound(spans[1].left + 10), 13);

    QTest::mouseClick(&control, Qt::LeftButton, {}, inFirst);
    EXPECT_TRUE(delegate.selected.isEmpty()) << "pressing the selected segment must not call the delegate";

    QTest::mouseClick(&control, Qt::LeftButton, {}, inSecond);
    EXPECT_EQ(delegate.selected, QList<int>({1}));
    EXPECT_EQ(control.index(), 1);

    QTest::mouseClick(&control, Qt::LeftButton, {}, inSecond);
    EXPECT_EQ(delegate.selected, QList<int>({1}));

    control.setIndex(0);
    EXPECT_EQ(delegate.selected, QList<int>({1})) << "setting the index from code does not call the delegate";
}

TEST(SVSegmentedControl, DelegateWithoutTheMethodIsNotCalled)
{
    SVSegmentedControl control;
    QObject plain;
    control.setDelegate(&plain);
    control.resize(control.width(), 26);
    control.show();
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(control.width() - 5, 13));
    EXPECT_EQ(control.index(), 1);
}

TEST(SVSegmentedControl, TitlesAndWidthFollowTheLanguage)
{
    SVSegmentedControl control;
    EXPECT_EQ(control.displayedTitles(), QStringList({"servo_mode", "motor_mode"}));
    EXPECT_EQ(control.width(), expectedWidth({"servo_mode", "motor_mode"}));

    QString language = QStringLiteral("en");
    control.setTranslator([&language](const QString& key) {
        if (language == QLatin1String("en"))
            return key == QLatin1String("servo_mode") ? QStringLiteral("Servo Mode") : QStringLiteral("Motor Mode");
        return key == QLatin1String("servo_mode") ? QStringLiteral("舵机模式") : QStringLiteral("电机模式");
    });
    EXPECT_EQ(control.displayedTitles(), QStringList({"Servo Mode", "Motor Mode"}));
    const int englishWidth = control.width();
    EXPECT_EQ(englishWidth, expectedWidth({"Servo Mode", "Motor Mode"}));

    language = QStringLiteral("zh-Hans");
    NotificationCenter::defaultCenter()->post(SVChangeLanguageNotification);
    EXPECT_EQ(control.displayedTitles(), QStringList({"舵机模式", "电机模式"}));
    EXPECT_EQ(control.width(), expectedWidth({"舵机模式", "电机模式"}));
    EXPECT_NE(control.width(), englishWidth);
    // The hit shapes follow the new segments.
    ASSERT_EQ(control.paths().size(), 2);
    EXPECT_DOUBLE_EQ(control.paths()[1].boundingRect().left(), control.segmentSpans()[0].right());
}

#include "SVSegmentedControlTest.moc"
