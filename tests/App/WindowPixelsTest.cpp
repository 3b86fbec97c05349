// The window looks the same from one version to the next: each page, rendered by the program's own
// screenshot option, is compared pixel by pixel with a reference picture kept with the tests. Small
// differences of anti-aliased edges are let pass; anything a user would notice is not.
#include "Classes/Motion/HealthPlot.h"
#include "Classes/Motion/MotionPage.h"
#include "Classes/Motion/PositionPlot.h"
#include "Classes/Motion/SequenceModel.h"
#include "Classes/Motion/ServoListModel.h"
#include "Classes/View/PageControls/StatusLine.h"
#include "Tools/SVButton.h"
#include "support/core/EventLoopWait.h"
#include "support/ui/ControllerHarness.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// A pixel differs when one of its channels is off by more than this...
constexpr int channelTolerance = 24;
// ...and a picture differs when more than this share of its pixels do.
constexpr double differingShareTolerance = 0.001;

struct Comparison {
    qsizetype differing = 0;
    qsizetype total = 0;
    double share() const { return total == 0 ? 1.0 : double(differing) / double(total); }
};

Comparison compare(const QImage& actual, const QImage& expected)
{
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    Comparison result;
    result.total = qsizetype(e.width()) * e.height();
    for (int y = 0; y < e.height(); ++y) {
        const auto* actualRow = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* expectedRow = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        for (int x = 0; x < e.width(); ++x) {
            const QRgb p = actualRow[x];
            const QRgb q = expectedRow[x];
            const int worst = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                        std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            if (worst > channelTolerance)
                ++result.differing;
        }
    }
    return result;
}

TEST(WindowPixelsTest, EveryPageLooksAsItsReferencePicture)
{
    QTemporaryDir output;
    output.setAutoRemove(false);  // kept for a look when a page differs; removed when all match
    ASSERT_TRUE(output.isValid());
    bool allMatch = true;
    // The Robot page is pictured with the demo's virtual bus, its table filled.
    struct Picture {
        const char* page;
        const char* language;
        bool demo = false;
    };
    const QList<Picture> pictures{{"basic", "en"}, {"parameters", "en"}, {"about", "en"}, {"motion", "en"}, {"motion", "zh-Hans"},
                                  {"motion", "zh-Hant"}, {"robot", "en", true}, {"robot", "zh-Hans", true}, {"robot", "zh-Hant", true},
                                  {"assign", "en"}, {"assign", "zh-Hans"}, {"assign", "zh-Hant"}};
    for (const auto& [page, language, demo] : pictures) {
        SCOPED_TRACE(std::string(page) + " " + language);
        const QString shot = output.filePath(QStringLiteral("window-%1-%2.png").arg(QLatin1String(page), QLatin1String(language)));
        QProcess program;
        QStringList arguments{"--screenshot", shot, "--page", QLatin1String(page), "--language", QLatin1String(language)};
        if (demo)
            arguments.append("--demo");
        program.start(QStringLiteral(SERVODESK_PROGRAM), arguments);
        ASSERT_TRUE(program.waitForFinished(60000)) << "the program did not finish";
        ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().constData();

        const QImage actual(shot);
        const QImage expected(QDir(QStringLiteral(SERVODESK_REFERENCE_DIR)).filePath(QFileInfo(shot).fileName()));
        ASSERT_FALSE(expected.isNull()) << "no reference picture for this page";
        ASSERT_EQ(actual.size(), expected.size());
        const Comparison difference = compare(actual, expected);
        EXPECT_LE(difference.share(), differingShareTolerance)
            << difference.differing << " of " << difference.total << " pixels differ; see " << qPrintable(shot);
        allMatch = allMatch && difference.share() <= differingShareTolerance;
    }
    if (allMatch)
        output.remove();
}

// A robot's 18 servos on the Motion page at the window's initial size, scanned over a virtual bus, with
// a sequence in the table and lines in the plots put at fixed times, so that the picture is the same
// at every run.
TEST(WindowPixelsTest, EighteenServosOnTheMotionPageLookAsTheirReferencePicture)
{
    QList<int> ids;
    for (int id = 1; id <= 18; ++id)
        ids.append(id);
    ControllerHarness harness{true, ids};
    for (int servo = 0; servo < ids.size(); ++servo) {
        harness.servo().setPosition(100 + 50 * servo, servo);
        harness.servo().setVoltageMillivolts(11800 + 20 * servo, servo);
        harness.servo().setTemperature(30 + servo, servo);
    }
    QWidget* view = harness.controller().view();
    view->resize(840, 680);
    MotionPage* page = harness.controller().viewMotion();
    ASSERT_TRUE(harness.choosePort());
    ASSERT_TRUE(harness.openPort());
    harness.controller().showMotionPage();
    page->buttonScan()->click();
    ASSERT_TRUE(waitForCondition([&] { return page->servoModel()->rowCount() == 18 && page->buttonScan()->isEnabled(); }, 30000))
        << qPrintable(page->statusLabel()->text());
    ASSERT_TRUE(harness.closePort());  // no more reads: nothing changes the picture from here on

    Motion motion;
    for (int step = 0; step < 4; ++step) {
        MotionStep made{QStringLiteral("step %1").arg(step + 1), 600 + 100 * step, 100, {}};
        for (int id : ids)
            made.positions.insert(id, 200 + ((step + id) % 4) * 200);
        motion.steps.append(made);
    }
    page->sequenceModel()->setMotion(motion);
    page->sequenceModel()->markSaved();
    constexpr double now = 20;
    for (LivePlot* plot : std::initializer_list<LivePlot*>{page->positionPlot(), page->healthPlot()})
        plot->setClock([] { return now; });
    page->positionPlot()->clear();
    page->healthPlot()->clear();
    for (int id : page->positionPlot()->servoIds()) {
        for (double t = 0; t <= now; t += 0.05)
            page->positionPlot()->addPosition(id, t, qRound(500 + 300 * std::sin(t + id)));
        for (int step = 0; step < 20; ++step)
            page->positionPlot()->addTarget(id, step, 500 + (step + id) % 2 * 300 - 150);
    }
    for (double t = 0; t <= now; t += 1)
        page->healthPlot()->addSample(t, 11800 + int(t) * 10, 30 + int(t) / 4);
    page->positionPlot()->redrawNow();
    page->healthPlot()->redrawNow();
    serveEventsFor(100);

    const QImage actual = view->grab().toImage();
    ASSERT_EQ(actual.size(), QSize(840, 680));
    const QImage expected(QDir(QStringLiteral(SERVODESK_REFERENCE_DIR)).filePath(QStringLiteral("window-motion-18-en.png")));
    QTemporaryDir output;
    output.setAutoRemove(false);
    const QString shot = output.filePath(QStringLiteral("window-motion-18-en.png"));
    ASSERT_FALSE(expected.isNull()) << "no reference picture; this run's is " << qPrintable(shot) << (actual.save(shot) ? "" : " (not saved)");
    const Comparison difference = compare(actual, expected);
    const bool matches = difference.share() <= differingShareTolerance;
    EXPECT_TRUE(matches) << difference.differing << " of " << difference.total << " pixels differ; see " << qPrintable(shot)
                         << (actual.save(shot) ? "" : " (not saved)");
    if (matches)
        output.remove();
}

TEST(WindowPixelsTest, ComparisonCatchesAChangedControlButNotAntiAliasing)
{
    QImage reference(200, 100, QImage::Format_ARGB32);
    reference.fill(QColor(240, 240, 240));
    QImage shaded = reference;
    shaded.setPixelColor(10, 10, QColor(250, 230, 240));  // an edge pixel a few levels off
    EXPECT_EQ(compare(shaded, reference).differing, 0);

    QImage moved = reference;
    for (int x = 50; x < 60; ++x)
        for (int y = 40; y < 44; ++y)
            moved.setPixelColor(x, y, Qt::black);  // a needle drawn somewhere else
    EXPECT_GT(compare(moved, reference).share(), differingShareTolerance);
}

} // namespace
