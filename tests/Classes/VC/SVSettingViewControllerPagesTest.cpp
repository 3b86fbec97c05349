// The window's pages as the user first sees them: which page shows, every control's starting value,
// tag and range, the places that are easy to get wrong, the mode switch, the range labels and the
// about page's links.
#include "support/ui/MainWindowHarness.h"

#include "Classes/View/Segmented/SVSegmentGeometry.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVTag.h"
#include "Tools/SVTools.h"

#include <QDesktopServices>
#include <QTest>
#include <QTextDocument>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

void clickSegment(SVSegmentedControl* sege, int index)
{
    const SVSegmentSpan span = sege->segmentSpans().at(index);
    QTest::mouseClick(sege, Qt::LeftButton, {}, QPoint(int(span.left + span.width / 2), sege->height() / 2));
}

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.start()) << "the window did not finish starting"; }
    MainWindowHarness h;
};

TEST_F(PagesTest, FreshStartShowsTheBasicPageWithEveryStartingValue)
{
    SVSettingViewController& c = h.c();
    EXPECT_TRUE(c.viewBasicOperation()->isVisible());
    EXPECT_FALSE(c.viewSetting()->isVisible());
    EXPECT_FALSE(c.viewAbout()->isVisible());

    EXPECT_EQ(c.textIDOperator()->text(), "1");
    EXPECT_EQ(c.textDebuggingtime()->text(), "0");
    EXPECT_EQ(c.textDebuggingPostion()->text(), "0");
    EXPECT_EQ(c.textSpeed()->text(), "0");
    EXPECT_TRUE(c.viewMotorSpeed()->isHidden());
    EXPECT_EQ(c.sege()->index(), 0);
    EXPECT_EQ(c.textCurrentVoltage()->text(), "0.0V");
    EXPECT_EQ(c.textCurrentPosition()->text(), "0");
    EXPECT_EQ(c.textCurrentTemperature()->text(), "0℃");

    EXPECT_EQ(c.textID()->text(), "1");
    EXPECT_EQ(c.textDeviation()->text(), "0");
    EXPECT_TRUE(c.switchLed()->checked());
    EXPECT_EQ(c.labelLED()->text(), "On");
    EXPECT_TRUE(c.switchOverTemperature()->checked());
    EXPECT_TRUE(c.switchOverpressure()->checked());
    EXPECT_TRUE(c.switchStall()->checked());
    EXPECT_EQ(c.lableAngleTop()->text(), "1000");
    EXPECT_EQ(c.lableAngleBottom()->text(), "0");
    EXPECT_EQ(c.lableVoltageRangeMin()->text(), "4.5");
    EXPECT_EQ(c.lableVoltageRangeMax()->text(), "14");
    EXPECT_EQ(c.lableTemperatureRange()->text(), "85 ℃");
    auto* placeholder = qobject_cast<QLabel*>(c.viewWithTag(SVSettingViewController::TagDeviationPlaceholder));
    ASSERT_NE(placeholder, nullptr);
    EXPECT_TRUE(placeholder->text().isEmpty());
}

TEST_F(PagesTest, RangeSlidersStartAtTheNumberInTheirLabel)
{
    SVSettingViewController& c = h.c();
    EXPECT_DOUBLE_EQ(c.sliderVoltageTwo()->value(), 14.0) << "the upper voltage slider follows its label, not its own 12";
    EXPECT_DOUBLE_EQ(c.sliderVoltageOne()->value(), 4.5);
    EXPECT_DOUBLE_EQ(c.sliderAngleOne()->value(), 1000);
    EXPECT_DOUBLE_EQ(c.sliderAngleTwo()->value(), 0);
    EXPECT_DOUBLE_EQ(c.sliderTemperature()->value(), 85);
}

TEST_F(PagesTest, ControlsCarryTheirTagsRangesAndOrientation)
{
    SVSettingViewController& c = h.c();
    struct SliderCase {
        SVSlider* slider;
        int tag;
        double min, max, step;
        bool vertical;
    };
    const QList<SliderCase> sliders = {
        { c.sliderAngleOne(), 1001, 1, 1000, 1, false },
        { c.sliderAngleTwo(), 1002, 0, 999, 1, false },
        { c.sliderVoltageOne(), 1003, 4.5, 13.9, 0.1, true },
        { c.sliderVoltageTwo(), 1004, 4.6, 14, 0.1, true },
        { c.sliderTemperature(), 1005, 50, 100, 1, true },
        { c.sliderTime(), 1006, 0, 3000, 1, false },
        { c.sliderPostion(), 1007, 0, 1000, 1, false },
        { c.sliderSpeed(), 1008, -1000, 1000, 1, false },
        { c.sliderDeviation(), 1009, -125, 125, 1, false },
    };
    for (const SliderCase& s : sliders) {
        SCOPED_TRACE(s.tag);
        EXPECT_EQ(tagOf(s.slider), s.tag);
        EXPECT_DOUBLE_EQ(s.slider->minValue(), s.min);
        EXPECT_DOUBLE_EQ(s.slider->maxValue(), s.max);
        EXPECT_DOUBLE_EQ(s.slider->step(), s.step);
        EXPECT_EQ(s.slider->isVertical(), s.vertical);
        if (s.vertical) {
            // The upper end of a vertical slider is its maximum.
            EXPECT_DOUBLE_EQ(s.slider->valueAtPoint(QPointF(s.slider->width() / 2.0, 0)), s.max);
        }
    }
    struct FieldCase {
        BRNumberField* field;
        int tag;
        quint64 max;
    };
    const QList<FieldCase> fields = {
        { c.textSpeed(), 2001, 1000 }, { c.textDebuggingtime(), 2002, 3000 },
        { c.textDebuggingPostion(), 2003, 1000 }, { c.textDeviation(), 2004, 125 },
        { c.textIDOperator(), 0, 253 }, { c.textID(), 0, 253 },
    };
    for (const FieldCase& f : fields) {
        EXPECT_EQ(tagOf(f.field), f.tag);
        EXPECT_EQ(f.field->max(), f.max) << f.tag;
    }
    EXPECT_EQ(tagOf(c.switchLed()), 998);
    EXPECT_EQ(tagOf(c.buttonWireless()), 3000);
    EXPECT_EQ(tagOf(c.buttonMotor()), 4001);
    EXPECT_EQ(tagOf(c.buttonOperator()), 6001);
    EXPECT_EQ(tagOf(c.buttonSetting()), 6002);
    EXPECT_EQ(tagOf(c.buttonAbout()), 6003);
    EXPECT_EQ(tagOf(c.buttonLanguage()), 6004);
    for (int tag : { 5001, 5002, 5003, 9001, 9002 })
        EXPECT_NE(c.viewWithTag(tag), nullptr) << "no control with tag " << tag;
}

TEST_F(PagesTest, PanelsAreBuiltOnceAndKept)
{
    SVSettingViewController& c = h.c();
    EXPECT_EQ(c.viewGetState(), c.viewGetState());
    EXPECT_EQ(c.viewSetting()->findChildren<SVToolView*>(Qt::FindDirectChildrenOnly).size(), 7);
    EXPECT_EQ(c.viewBasicOperation()->findChildren<SVToolView*>(Qt::FindDirectChildrenOnly).size(), 4);
    EXPECT_EQ(c.viewBasicOperation()->findChildren<SVDashBoardView*>().size(), 1);
    EXPECT_EQ(c.view()->findChildren<SVImageTitleButton*>().size(), 3);
}

TEST_F(PagesTest, TabRowReadsBasicParametersMotionAboutLanguageFortyApartAtTheBarsBottom)
{
    SVSettingViewController& c = h.c();
    QWidget* bar = c.viewTop();
    EXPECT_EQ(bar->geometry(), QRect(0, 0, c.view()->width(), 94));
    QWidget* exit = c.viewWithTag(9001);
    QWidget* minimize = c.viewWithTag(9002);
    EXPECT_EQ(exit->size(), QSize(22, 22));
    EXPECT_EQ(bar->width() - exit->geometry().right() - 1, 60);
    EXPECT_EQ(bar->height() - exit->geometry().bottom() - 1, 38);
    EXPECT_EQ(exit->x() - (minimize->geometry().right() + 1), 40);
    EXPECT_EQ(minimize->geometry().center().y(), exit->geometry().center().y());

    const QList<QWidget*> row = { c.buttonOperator(), c.buttonSetting(), c.buttonRobot(), c.buttonMotion(), c.buttonAbout(), c.buttonLanguage() };
    for (qsizetype i = 0; i < row.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(row[i]->height(), 20);
        EXPECT_EQ(bar->height() - row[i]->geometry().bottom() - 1, 5);
        if (i + 1 < row.size()) {
            EXPECT_EQ(row[i + 1]->x() - (row[i]->geometry().right() + 1), 40);
        }
    }
    EXPECT_EQ(c.buttonLanguage()->geometry().right(), exit->geometry().right());
}

TEST_F(PagesTest, ParameterButtonsReadSetDefaultUnderTheirPanels)
{
    SVSettingViewController& c = h.c();
    c.showSettingPage();
    QWidget* read = c.viewWithTag(5003);
    QWidget* write = c.viewWithTag(5002);
    QWidget* restore = c.viewWithTag(5001);
    ASSERT_TRUE(read && write && restore);
    EXPECT_LT(read->x(), write->x());
    EXPECT_LT(write->x(), restore->x());
    const QList<std::pair<QWidget*, QWidget*>> pairs = {
        { read, c.viewAngleAdjustment() }, { write, c.viewVoltageAdjustment() }, { restore, c.viewTemperatureAdjustment() } };
    for (const auto& [button, panel] : pairs) {
        SCOPED_TRACE(tagOf(button));
        EXPECT_EQ(button->size(), SVSettingViewController::settingButtonSize);
        EXPECT_LE(qAbs(button->geometry().center().x() - panel->geometry().center().x()), 1);
        EXPECT_GT(button->y(), panel->geometry().bottom()) << "the button is not below its panel";
        EXPECT_EQ(c.viewSetting()->height() - button->geometry().bottom() - 1, 10);
    }
}

TEST_F(PagesTest, TemperatureGaugeKeepsItsSizeWhateverThePanelsSize)
{
    SVSettingViewController& c = h.c();
    const double expectedHeight = 50 * 621 / 139.0;  // about 223.4; the edges are rounded one by one
    for (const QSize& size : { AppDelegate::initialWindowSize, QSize(1000, 800), AppDelegate::minimumWindowSize }) {
        SCOPED_TRACE(size.width());
        h.window()->resize(size);
        EXPECT_TRUE(QTest::qWaitFor([&] { return c.view()->size() == size; })) << "the view did not follow the window";
        SVDashBoardTemperatureView* gauge = c.dashTemperature();
        EXPECT_EQ(gauge->width(), 50);
        EXPECT_NEAR(gauge->height(), expectedHeight, 1.0);
        EXPECT_EQ(c.viewGetState()->width() - gauge->geometry().right() - 1, 30);
        EXPECT_LE(qAbs(gauge->geometry().center().y() - c.viewGetState()->height() / 2), 1);
    }
}

// At the smallest window size every panel still lies inside its page, and on the status panel the
// temperature read-out clears the position gauge.
TEST_F(PagesTest, SmallestWindowHoldsEveryPanel)
{
    SVSettingViewController& c = h.c();
    h.window()->resize(AppDelegate::minimumWindowSize);
    ASSERT_TRUE(QTest::qWaitFor([&] { return c.view()->size() == AppDelegate::minimumWindowSize; }));
    for (QWidget* page : std::initializer_list<QWidget*> { c.viewBasicOperation(), c.viewSetting(), c.viewAbout() }) {
        EXPECT_TRUE(c.view()->rect().contains(page->geometry())) << qPrintable(page->objectName());
        for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow() || child->inherits("SVPanelShadow") || child->inherits("SVLayout"))
                continue;
            EXPECT_TRUE(page->rect().contains(child->geometry()))
                << child->metaObject()->className() << " at " << child->x() << "," << child->y() << " "
                << child->width() << "x" << child->height() << " leaves its page";
        }
    }
    // Nothing on the parameter page lies under the buttons' row.
    const int buttonsTop = c.viewWithTag(5002)->y();
    EXPECT_LT(c.viewAngleAdjustment()->geometry().bottom(), buttonsTop);

    QWidget* status = c.viewGetState();
    EXPECT_FALSE(c.lableCurrentTemperature()->geometry().intersects(c.dashPostion()->geometry()));
    EXPECT_LE(c.textCurrentTemperature()->geometry().right(), status->width());
    EXPECT_LE(c.textCurrentPosition()->geometry().bottom(), status->height());
    EXPECT_TRUE(c.view()->rect().contains(c.viewNotline()->geometry()));
}

TEST_F(PagesTest, ProgressBarSitsAboveTheSetButtonAndFollowsIt)
{
    SVSettingViewController& c = h.c();
    c.showSettingPage();
    SVProgressView* progress = c.myprogress();
    EXPECT_EQ(c.myprogress(), progress);
    EXPECT_EQ(progress->parentWidget(), c.view());
    EXPECT_TRUE(progress->isHidden());
    QWidget* write = c.viewWithTag(5002);
    for (const QSize& size : { AppDelegate::initialWindowSize, QSize(1000, 760) }) {
        h.window()->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.view()->size() == size; }));
        const QRect button(write->mapTo(c.view(), QPoint(0, 0)), write->size());
        EXPECT_EQ(progress->size(), SVSettingViewController::progressSize);
        EXPECT_EQ(button.top() - (progress->geometry().bottom() + 1), 5) << size.width();
        EXPECT_LE(qAbs(progress->geometry().center().x() - button.center().x()), 1) << size.width();
    }
}

TEST_F(PagesTest, StatusPanelIsAddedAfterTheRestOfTheWindow)
{
    // A second controller, observed before its delayed step.
    SVSettingViewController later;
    std::unique_ptr<QWidget> view(later.view());
    EXPECT_EQ(later.viewBasicOperation()->findChild<SVDashBoardView*>(), nullptr)
        << "the gauges exist before the delayed step";
    EXPECT_TRUE(QTest::qWaitFor([&] { return later.viewBasicOperation()->findChild<SVDashBoardView*>() != nullptr; }))
        << "the status panel never arrived";
    EXPECT_EQ(later.viewGetState()->parentWidget(), later.viewBasicOperation());
    view.release();  // the controller deletes its view
}

TEST_F(PagesTest, MotorModeCoversTimeAndPositionAndServoModeResetsTheSpeed)
{
    SVSettingViewController& c = h.c();
    clickSegment(c.sege(), 1);
    EXPECT_EQ(c.sege()->index(), 1);
    EXPECT_TRUE(c.viewMotorSpeed()->isVisible());
    QWidget* debugging = c.viewSteeringDebugging();
    for (QWidget* covered : std::initializer_list<QWidget*> { c.textDebuggingtime(), c.sliderPostion() }) {
        const QPoint centre = covered->geometry().center();
        QWidget* hit = debugging->childAt(centre);
        ASSERT_NE(hit, nullptr);
        EXPECT_TRUE(hit == c.viewMotorSpeed() || c.viewMotorSpeed()->isAncestorOf(hit))
            << "a control under the motor-speed panel can still be reached";
    }

    c.textSpeed()->setText(QStringLiteral("300"));
    c.sliderSpeed()->setValue(300);
    clickSegment(c.sege(), 0);
    EXPECT_EQ(c.sege()->index(), 0);
    EXPECT_FALSE(c.viewMotorSpeed()->isVisible());
    EXPECT_EQ(c.textSpeed()->text(), "0");
    EXPECT_DOUBLE_EQ(c.sliderSpeed()->value(), 0);
}

TEST_F(PagesTest, RangeLabelsAndSlidersFollowEachOther)
{
    SVSettingViewController& c = h.c();
    c.lableVoltageRangeMax()->setText(QStringLiteral("9.5"));
    EXPECT_DOUBLE_EQ(c.sliderVoltageTwo()->value(), 9.5);
    c.lableTemperatureRange()->setText(QStringLiteral("70 ℃"));
    EXPECT_DOUBLE_EQ(c.sliderTemperature()->value(), 70);
    EXPECT_EQ(c.lableTemperatureRange()->text(), "70 ℃") << "the label lost its unit when the slider followed it";

    c.sliderVoltageOne()->setValue(6.3);
    EXPECT_EQ(c.lableVoltageRangeMin()->text(), "6.3");
    c.sliderAngleTwo()->setValue(250);
    EXPECT_EQ(c.lableAngleBottom()->text(), "250");
    c.sliderTemperature()->setValue(90);
    EXPECT_EQ(c.lableTemperatureRange()->text(), "90 ℃");

    // Writing the text the label already shows brings a slider that moved away back to it.
    c.lableAngleTop()->setText(QStringLiteral("800"));
    c.sliderAngleOne()->setValue(900);
    c.lableAngleTop()->setText(QStringLiteral("800"));
    EXPECT_DOUBLE_EQ(c.sliderAngleOne()->value(), 800);
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

TEST_F(PagesTest, AboutPageHasThreeRedLinksThatOpenTheirOwnAddress)
{
    SVSettingViewController& c = h.c();
    c.showAboutPage();
    const QList<QLabel*> links = { c.labelOfficialWebsite(), c.labelCourse(), c.labelOnlineShoppingMall() };
    const QStringList addresses = { QStringLiteral(SERVODESK_WEBSITE_URL), QStringLiteral(SERVODESK_DOCS_URL),
        QStringLiteral(SERVODESK_SUPPORT_URL) };
    EXPECT_EQ(c.labelVersion()->text(), QStringLiteral("Version " SERVODESK_VERSION));

    UrlRecorder recorder;
    const QString scheme = QUrl(addresses.first()).scheme();
    QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    for (qsizetype i = 0; i < links.size(); ++i) {
        SCOPED_TRACE(i);
        QLabel* link = links[i];
        EXPECT_TRUE(link->isVisible());
        EXPECT_EQ(link->font().pixelSize(), SVTools::webLabelFontSize);
        EXPECT_EQ(link->cursor().shape(), Qt::OpenHandCursor);
        QTest::mouseMove(link, link->rect().center());
        EXPECT_EQ(link->cursor().shape(), Qt::OpenHandCursor) << "over the link text";
        EXPECT_TRUE(link->text().contains(QStringLiteral("color:#ff0000")));
        EXPECT_TRUE(link->text().contains(QStringLiteral("text-decoration:none")));
        // A click on the middle of the text opens the address in the browser.
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        EXPECT_TRUE(QTest::qWaitFor([&] { return recorder.opened.size() == i + 1; })) << "the click opened nothing";
        if (recorder.opened.size() == i + 1) {
            EXPECT_EQ(recorder.opened.last(), QUrl(addresses[i]));
        }
        if (i > 0) {
            EXPECT_GT(link->y(), links[i - 1]->geometry().bottom());
        }
    }
    QDesktopServices::unsetUrlHandler(scheme);
}

TEST(WebLabelTest, TitleIsShownAsTextNotMarkup)
{
    QWidget parent;
    QLabel* label = SVTools::returnWebLabel(nullptr, QStringLiteral("<b>A & B</b>"),
        QStringLiteral("https://example.org/?a=1&b=\"2\""), &parent);
    EXPECT_EQ(label->parentWidget(), &parent);
    parent.show();
    // What is shown is the title itself, linked to the address as given.
    QTextDocument shown;
    shown.setHtml(label->text());
    EXPECT_EQ(shown.toPlainText(), "<b>A & B</b>");
    EXPECT_TRUE(label->text().contains(QStringLiteral("href=\"https://example.org/?a=1&amp;b=&quot;2&quot;\"")));
    EXPECT_EQ(SVTools::returnWebLabel(label, QStringLiteral("again"), QStringLiteral("https://x.org"), &parent), label);
    EXPECT_EQ(parent.findChildren<QLabel*>().size(), 1);
}

} // namespace

#include "SVSettingViewControllerPagesTest.moc"
