// The gauges: needle angles, scale-number boxes, the thermometer column, and that repaints keep
// exactly one needle and one set of numbers.
#include "Classes/View/Dashboard/SVDashBoardGeometry.h"
#include "Classes/View/Dashboard/SVDashBoardNeedle.h"
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <gtest/gtest.h>

namespace G = SVDashBoardGeometry;

namespace {

void expectBox(const QRectF& actual, double x, double y, double w, double h)
{
    EXPECT_NEAR(actual.x(), x, 0.05);
    EXPECT_NEAR(actual.y(), y, 0.05);
    EXPECT_DOUBLE_EQ(actual.width(), w);
    EXPECT_DOUBLE_EQ(actual.height(), h);
}

// Whether a warm colour (the dials' orange and gold, the thermometer's red) was painted at or right
// next to a point, widget coordinates. Thin antialiased strokes blend with the background, so
// this looks for a clear warm tint rather than the exact colour.
bool paintedAt(const QImage& image, QPoint point)
{
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            const QColor pixel = image.pixelColor(point + QPoint(dx, dy));
            if (pixel.red() - pixel.blue() > 80)
                return true;
        }
    }
    return false;
}

}  // namespace

TEST(SVDashBoardGeometry, VoltageNeedleRunsFromLeftOverTheTopToRightWithoutClamping)
{
    const SVDialStyle& voltage = G::voltageStyle();
    EXPECT_FLOAT_EQ(G::needleAngle(voltage, 0), 180);
    EXPECT_FLOAT_EQ(G::needleAngle(voltage, 7.5), 90);
    EXPECT_FLOAT_EQ(G::needleAngle(voltage, 15), 0);
    EXPECT_FLOAT_EQ(G::needleAngle(voltage, 16.5), -18);
    EXPECT_FLOAT_EQ(G::tickAngle(voltage, 30), 0);
}

TEST(SVDashBoardGeometry, PositionNeedleSweeps270DegreesWithTheGapAtTheBottom)
{
    const SVDialStyle& position = G::positionStyle();
    EXPECT_FLOAT_EQ(G::needleAngle(position, 0), 225);
    EXPECT_NEAR(G::needleAngle(position, 50), 90, 1e-4);
    EXPECT_NEAR(G::needleAngle(position, 100), -45, 1e-4);
    EXPECT_NEAR(G::needleAngle(position, 110), -72, 1e-4);
    EXPECT_NEAR(G::tickAngle(position, 100), -45, 1e-4);
}

TEST(SVDashBoardGeometry, ScaleNumberBoxesAtWidth200)
{
    const QList<SVDialLabel> voltage = G::voltageLabels(QSizeF(200, 200));
    ASSERT_EQ(voltage.size(), 6);
    QStringList texts;
    for (const SVDialLabel& label : voltage)
        texts << label.text;
    EXPECT_EQ(texts, QStringList({"0", "3", "6", "9", "12", "15"}));
    expectBox(voltage[0].box, 39, 92, 22, 14);
    EXPECT_EQ(voltage[0].fontSize, 9);
    EXPECT_TRUE(voltage[3].alignment & Qt::AlignHCenter);  // "9"
    EXPECT_TRUE(voltage[4].alignment & Qt::AlignLeft);     // "12"
    EXPECT_TRUE(voltage[5].alignment & Qt::AlignLeft);     // "15"

    const QList<SVDialLabel> position = G::positionLabels(QSizeF(200, 200));
    ASSERT_EQ(position.size(), 3);
    EXPECT_EQ(position[0].text, "0");
    expectBox(position[0].box, 62.64, 54.64, 32, 12);
    EXPECT_EQ(position[1].text, "500");
    expectBox(position[1].box, 85, 140, 32, 12);
    EXPECT_EQ(position[2].text, "1000");
    expectBox(position[2].box, 115.36, 59.64, 32, 12);
    EXPECT_EQ(position[2].fontSize, 10);
}

TEST(SVDashBoardGeometry, ThermometerNeckStaysShortUpToFourThenColumnRises)
{
    const double s = 50 / 139.0;
    const G::ThermometerShapes zero = G::thermometerShapes(50, 139, 0);
    EXPECT_DOUBLE_EQ(zero.column.height(), 0);
    EXPECT_DOUBLE_EQ(zero.neck.height(), 6);
    EXPECT_NEAR(zero.neck.y(), 78 * s, 1e-4);

    const G::ThermometerShapes four = G::thermometerShapes(50, 139, 4);
    EXPECT_DOUBLE_EQ(four.neck.height(), 6);

    const G::ThermometerShapes five = G::thermometerShapes(50, 139, 5);
    EXPECT_NEAR(five.neck.height(), 16 * s, 1e-4);
    EXPECT_NEAR(five.column.height(), 18.107 * s, 1e-3);
    EXPECT_NEAR(five.column.x(), 40 * s, 1e-4);
    EXPECT_NEAR(five.column.y(), 92 * s, 1e-4);
    EXPECT_NEAR(five.column.width(), 10 * s, 1e-4);
    EXPECT_NEAR(five.columnRadius, 5 * s, 1e-4);
}

TEST(SVDashBoardView, NewDialPointsAtZeroAndProgressTurnsTheNeedleUp)
{
    SVDashBoardView dial;
    dial.resize(200, 200);
    dial.show();
    EXPECT_FLOAT_EQ(dial.needleAngle(), 180);

    // Straight up from the centre, between the hub disc and the tick ring: only the needle paints there.
    const QPoint above(100, 100 - 30);
    const QPoint left(100 - 30, 100);
    QImage zero = dial.grab().toImage();
    EXPECT_TRUE(paintedAt(zero, left));
    EXPECT_FALSE(paintedAt(zero, above));

    dial.progress(7.5);
    EXPECT_FLOAT_EQ(dial.needleAngle(), 90);
    QImage up = dial.grab().toImage();
    EXPECT_TRUE(paintedAt(up, above));
    EXPECT_FALSE(paintedAt(up, left));
}

TEST(SVDashBoardView, NumberLabelsSitInTheirBoxesInWidgetCoordinates)
{
    SVDashBoardView dial;
    dial.resize(200, 200);
    dial.show();
    const QList<QLabel*> labels = dial.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 6);
    EXPECT_EQ(labels[0]->text(), "0");
    EXPECT_EQ(labels[0]->geometry(), QRect(39, 200 - 92 - 14, 22, 14));
}

TEST(SVDashBoardDial, RepaintsNeverAddASecondNeedleOrNumbers)
{
    SVDashBoardPostionView dial;
    dial.resize(200, 200);
    dial.show();
    dial.progress(37);
    for (int i = 0; i < 3; ++i) {
        dial.grab();
        dial.hide();
        dial.show();
        dial.repaint();
    }
    EXPECT_EQ(dial.findChildren<SVDashBoardNeedle*>().size(), 1);
    EXPECT_EQ(dial.findChildren<QLabel*>().size(), 3);
    EXPECT_NEAR(dial.needleAngle(), 225 - 2.7 * 37, 1e-3);
}

TEST(SVDashBoardTemperatureView, ColumnIsPaintedOnlyAboveFour)
{
    SVDashBoardTemperatureView gauge;
    gauge.resize(50, qRound(50 * 621 / 139.0));
    gauge.show();
    const double s = 50 / gauge.imageWidth();
    // A point inside the column, clear of the drawn bulb and neck below it.
    const QPoint inColumn(qRound(45 * s), gauge.height() - qRound(150 * s));

    gauge.setPro(0);
    EXPECT_FALSE(paintedAt(gauge.grab().toImage(), inColumn));
    gauge.setPro(40);
    EXPECT_DOUBLE_EQ(gauge.pro(), 40);
    EXPECT_TRUE(paintedAt(gauge.grab().toImage(), inColumn));
}

// A new value repaints only where the thermometer differs: every pixel that changes between the two
// values lies in the repainted area, and a small step repaints a small band, not the whole column.
TEST(SVDashBoardTemperatureView, ChangedAreaHoldsEveryChangedPixel)
{
    SVDashBoardTemperatureView gauge;
    gauge.resize(139, 621);  // the image's own size: the column's caps are wider than the margin
    auto picture = [&gauge](double pro) {
        gauge.setPro(pro);
        return gauge.grab().toImage();
    };
    const struct {
        double from;
        double to;
        bool small;  // a step of a degree or two, well above the bulb
    } steps[] = {
        {40, 41, true}, {41, 40, true}, {70, 72, true}, {139, 140, true}, {40, 100, false}, {100, 40, false},
        {0, 20, false}, {4, 5, false},  {5, 4, false},  {10, 11, false}, {11, 12, false}, {0, 140, false},
        {150, 20, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.from << " -> " << step.to);
        const QImage before = picture(step.from);
        const QImage after = picture(step.to);
        const QRect area = gauge.changedArea(step.from, step.to);
        QRect changed;
        for (int y = 0; y < before.height(); ++y) {
            for (int x = 0; x < before.width(); ++x) {
                if (before.pixel(x, y) != after.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
            }
        }
        EXPECT_FALSE(changed.isEmpty());
        EXPECT_TRUE(area.contains(changed)) << "changed " << changed.y() << ".." << changed.bottom() << ", repainted "
                                            << area.y() << ".." << area.bottom();
        if (step.small) {
            EXPECT_LT(area.height(), 20);
        }
    }
}
