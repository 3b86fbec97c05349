// The live plots: redrawn once per tick and never per sample, the last 20 s at the plot's clock handed to
// the graphs, targets as steps, graphs following the servos shown, a sample drawn where it belongs, and
// texts following the language.
#include "Classes/Motion/HealthPlot.h"
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Motion/ServoColours.h"
#include "Tools/BundleLanguage.h"
#include "support/ui/ScopedSettingsStore.h"

#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

namespace {

QList<PositionPlot::Shown> shownInListColours(const QList<int>& ids)
{
    QList<PositionPlot::Shown> shown;
    for (int id : ids)
        shown.append({ id, ServoColours::colourAt(shown.size()) });
    return shown;
}

QVector<double> keysOf(const QCPGraph* graph)
{
    QVector<double> keys;
    for (const QCPGraphData& point : *graph->data())
        keys.append(point.key);
    return keys;
}

QVector<double> valuesOf(const QCPGraph* graph)
{
    QVector<double> values;
    for (const QCPGraphData& point : *graph->data())
        values.append(point.value);
    return values;
}

class PositionPlotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plot.resize(700, 220);
        plot.setClock([this] { return now; });
        plot.setServos(shownInListColours({ 1, 2 }));
    }
    double now = 100;
    PositionPlot plot;
};

TEST_F(PositionPlotTest, ReplotsOncePerTickAndNeverPerSample)
{
    QCoreApplication::processEvents();  // the plot's own first frame, queued when it was made
    const int before = plot.framesDrawn();
    for (int tick = 1; tick <= 3; ++tick) {
        for (int i = 0; i < 50; ++i) {
            plot.addPosition(1, now, 500);
            plot.addTarget(2, now, 300);
            now += 0.01;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(plot.framesDrawn(), before + tick - 1) << "a frame drawn without a tick";
        plot.redrawNow();
        EXPECT_EQ(plot.framesDrawn(), before + tick);
    }
}

TEST_F(PositionPlotTest, TheTimerDrawsWhileShown)
{
    plot.setRedrawInterval(std::chrono::milliseconds(5));
    plot.show();
    const int shown = plot.framesDrawn();
    now = 250;
    QTRY_VERIFY2(plot.customPlot()->xAxis->range().upper == 250, "the redraw timer drew nothing");
    EXPECT_GT(plot.framesDrawn(), shown);
}

TEST_F(PositionPlotTest, GraphsHoldTheLastTwentySecondsAndTargetsAsSteps)
{
    for (double t = 70; t <= 100; t += 0.5)
        plot.addPosition(2, t, static_cast<int>(t));
    plot.addTarget(2, 70, 100);
    plot.addTarget(2, 85, 300);
    plot.addTarget(2, 95, 700);
    plot.addPosition(3, 99, 1);  // not shown: ignored
    plot.redrawNow();

    const QCPGraph* positions = plot.positionGraph(2);
    const QVector<double> keys = keysOf(positions);
    ASSERT_EQ(keys.size(), 41);
    EXPECT_EQ(keys.first(), 80);
    EXPECT_EQ(keys.last(), 100);
    EXPECT_EQ(valuesOf(positions).first(), 80);
    EXPECT_EQ(keysOf(plot.targetGraph(2)), (QVector<double> { 80, 85, 95, 100 }));
    EXPECT_EQ(valuesOf(plot.targetGraph(2)), (QVector<double> { 100, 300, 700, 700 }));
    EXPECT_EQ(plot.targetGraph(2)->lineStyle(), QCPGraph::lsStepLeft);
    EXPECT_TRUE(plot.positionGraph(1)->data()->isEmpty());

    now = 110;
    plot.redrawNow();
    EXPECT_EQ(keysOf(positions).first(), 90);
    EXPECT_EQ(plot.customPlot()->xAxis->range(), QCPRange(90, 110));

    plot.clear();
    plot.redrawNow();
    EXPECT_TRUE(positions->data()->isEmpty());
}

TEST_F(PositionPlotTest, ServoIdsMakeAndRemoveGraphs)
{
    plot.addPosition(2, 99, 640);
    plot.setServos({ { 2, Qt::blue }, { 5, Qt::red }, { 7, Qt::darkGreen } });
    QCustomPlot* custom = plot.customPlot();
    EXPECT_EQ(custom->graphCount(), 9);
    EXPECT_EQ(plot.servoIds(), QList<int>({ 2, 5, 7 }));
    EXPECT_FALSE(custom->legend->visible() && custom->legend->itemCount() > 0) << "a legend over the lines";
    EXPECT_EQ(plot.positionGraph(1), nullptr);
    EXPECT_EQ(plot.positionGraph(5)->pen().color(), QColor(Qt::red));
    EXPECT_EQ(plot.targetGraph(2)->pen().color(), QColor(Qt::blue));
    EXPECT_EQ(plot.targetGraph(2)->pen().style(), Qt::DashLine);

    plot.redrawNow();
    EXPECT_EQ(valuesOf(plot.positionGraph(2)), (QVector<double> { 640 })) << "a servo still shown lost its samples";
    plot.setServos({});
    EXPECT_EQ(custom->graphCount(), 0);
}

// Whether a pixel near (x, y) has about the given colour (lines are antialiased).
bool colourNear(const QImage& image, QPoint centre, const QColor& colour)
{
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QColor seen = image.pixelColor(centre + QPoint(dx, dy));
            if (std::abs(seen.red() - colour.red()) + std::abs(seen.green() - colour.green())
                    + std::abs(seen.blue() - colour.blue()) < 60)
                return true;
        }
    }
    return false;
}

TEST_F(PositionPlotTest, DrawsEachServoInItsColourWhereItsSamplesAre)
{
    plot.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
    for (double t = 80; t <= 100; t += 0.25) {
        plot.addPosition(1, t, 750);
        plot.addPosition(2, t, 250);
    }
    plot.redrawNow();
    const QImage image = plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QCustomPlot* custom = plot.customPlot();
    const int x = qRound(custom->xAxis->coordToPixel(90));
    const auto at = [&](double value) { return QPoint(x, qRound(custom->yAxis->coordToPixel(value))); };
    EXPECT_TRUE(colourNear(image, at(750), ServoColours::colourAt(0)));
    EXPECT_TRUE(colourNear(image, at(250), ServoColours::colourAt(1)));
    EXPECT_FALSE(colourNear(image, at(500), ServoColours::colourAt(0)));
}

TEST(HealthPlotTest, ShowsOneServoInVoltsAndDegrees)
{
    HealthPlot plot;
    plot.setClock([] { return 30.0; });
    plot.setServo(3);
    plot.addSample(29, 7400, 45);
    plot.setServo(3);  // the same servo keeps its samples
    plot.redrawNow();
    EXPECT_EQ(plot.title(), "ID 3");
    EXPECT_EQ(valuesOf(plot.voltageGraph()), (QVector<double> { 7.4 }));
    EXPECT_EQ(valuesOf(plot.temperatureGraph()), (QVector<double> { 45 }));
    EXPECT_NE(plot.temperatureGraph()->valueAxis()->axisRect(), plot.voltageGraph()->valueAxis()->axisRect());

    plot.setServo(4);
    plot.redrawNow();
    EXPECT_EQ(plot.title(), "ID 4");
    EXPECT_TRUE(plot.voltageGraph()->data()->isEmpty());
}

// From the smallest panel to a maximized window: the two plots never overlap, and the labels of each
// scale keep a label's height apart or are left out.
TEST(HealthPlotTest, NoLabelIsDrawnOverAnotherAtAnyHeight)
{
    HealthPlot plot;
    plot.setClock([] { return 30.0; });
    for (int height : { 40, 70, 100, 150, 220, 400, 800 }) {
        SCOPED_TRACE(height);
        plot.resize(180, height);
        plot.redrawNow();
        const QCPAxis* voltage = plot.voltageGraph()->valueAxis();
        const QCPAxis* temperature = plot.temperatureGraph()->valueAxis();
        EXPECT_LE(voltage->axisRect()->outerRect().bottom(), temperature->axisRect()->outerRect().top());
        for (const QCPAxis* axis : { voltage, temperature }) {
            if (!axis->tickLabels())
                continue;
            const int labelHeight = QFontMetrics(axis->tickLabelFont()).height();
            const QVector<double> ticks = axis->tickVector();
            ASSERT_GE(ticks.size(), 2);
            for (qsizetype i = 1; i < ticks.size(); ++i)
                EXPECT_GE(std::abs(axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1])), labelHeight)
                    << "labels " << ticks[i - 1] << " and " << ticks[i];
        }
    }
}

TEST(LivePlotTest, TextsFollowTheLanguageAndTabPassesBy)
{
    ScopedSettingsStore settings;
    HealthPlot plot;
    PositionPlot positions;
    const QString englishName = plot.accessibleName();
    ASSERT_TRUE(BundleLanguage::setLanguage("zh-Hans"));
    plot.retranslate();
    positions.retranslate();
    EXPECT_EQ(positions.customPlot()->xAxis->label(), "时间 (s)");
    EXPECT_EQ(plot.temperatureGraph()->name(), "温度 (℃)");
    EXPECT_NE(plot.accessibleName(), englishName);
    EXPECT_FALSE(plot.accessibleName().isEmpty());

    EXPECT_EQ(plot.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(plot.customPlot()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(plot.customPlot()->interactions(), QCP::Interactions());
}

}  // namespace
