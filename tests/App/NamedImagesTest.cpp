// The named images the window looks up: every one is present and draws, and the thermometer's
// drawing leaves room exactly where the temperature gauge paints its column.
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QSvgRenderer> renderer(const QString& name)
{
    return std::make_unique<QSvgRenderer>(QStringLiteral(":/images/%1.svg").arg(name));
}

QImage render(const QString& name, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer(name)->render(&painter, QRectF(QPointF(0, 0), size));
    return image;
}

TEST(NamedImagesTest, EveryNamedImageIsPresentAndDrawsSomething)
{
    const QList<std::pair<QString, QSize>> images = {
        { "title", { 860, 94 } }, { "Exit", { 22, 22 } }, { "Minimize", { 22, 22 } },
        { "connect", { 20, 20 } }, { "disconnect", { 20, 20 } }, { "motoron", { 80, 80 } },
        { "motoroff", { 80, 80 } }, { "ledoff", { 90, 90 } }, { "default", { 24, 24 } },
        { "set", { 24, 24 } }, { "read", { 24, 24 } }, { "logo", { 299, 38 } },
        { "temperature2", { 139, 621 } }, { "appicon", { 256, 256 } },
    };
    for (const auto& [name, size] : images) {
        ASSERT_TRUE(renderer(name)->isValid()) << qPrintable(name) << " is missing or does not parse";
        EXPECT_EQ(renderer(name)->defaultSize(), size) << qPrintable(name);
        const QImage image = render(name, size);
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(painted, image.width() * image.height() / 20) << qPrintable(name) << " is (almost) empty";
    }
}

TEST(NamedImagesTest, ThermometerBulbAndChannelSitUnderTheGaugesColumn)
{
    const QImage image = render("temperature2", { 139, 621 });
    // The gauge measures from the bottom edge, y upwards.
    const auto at = [&](int x, int yUp) { return image.pixelColor(x, image.height() - 1 - yUp); };
    const QColor column(234, 85, 20);
    const auto isColumnColour = [&](QColor c) {
        return qAbs(c.red() - column.red()) < 8 && qAbs(c.green() - column.green()) < 8 && qAbs(c.blue() - column.blue()) < 8;
    };

    // Under the neck (x 40..50, 78..94 up) and below it the bulb is already filled with the column's
    // colour, so the painted neck joins it without a seam.
    for (int x = 41; x <= 49; ++x)
        for (int y : { 30, 60, 77, 85, 93 })
            EXPECT_TRUE(isColumnColour(at(x, y))) << "bulb at " << x << "," << y;

    // Over the column's whole travel (92 up to 92 + 507 for a value of 140) the image holds an
    // empty, opaque channel, wider than the 10-unit column, with its outline outside x 38..52.
    for (int y = 110; y <= 595; y += 5) {
        for (int x = 38; x <= 52; ++x) {
            const QColor c = at(x, y);
            EXPECT_EQ(c.alpha(), 255) << "channel at " << x << "," << y;
            EXPECT_GT(c.lightness(), 200) << "channel at " << x << "," << y << " is not empty";
        }
        EXPECT_LT(at(30, y).lightness(), 200) << "tube outline missing at the left, y " << y;
        EXPECT_LT(at(59, y).lightness(), 200) << "tube outline missing at the right, y " << y;
    }
    // Above the travel the tube closes.
    EXPECT_EQ(at(45, 615).alpha(), 0);
}

} // namespace
