// Language of the window: the language at start from the saved settings, the toggle, the order of
// saving, notifying and re-setting, and every re-set text in the language in force.
#include "support/ui/MainWindowHarness.h"

#include "Api/Source/NotificationCenter.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SettingsStore.h"
#include "support/core/MessageCapture.h"
#include "support/ui/ControllerHarness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

// Each target that re-setting the language writes, with the text it shows and the key of that text.
struct Target {
    QString name;
    std::function<QString(SVSettingViewController&)> shown;
    QString key;
};

QString titleOf(SVToolView* panel)
{
    return panel->lableTitle()->text();
}

QString imageButtonTitle(SVSettingViewController& c, int tag)
{
    auto* button = qobject_cast<SVImageTitleButton*>(c.viewWithTag(tag));
    // The button draws its title key through the text lookup.
    return button ? SVLocalized::text(button->myTitle()) : QString();
}

// Visible text of a label that may hold a link.
QString plainText(QLabel* label)
{
    QTextDocument document;
    document.setHtml(label->text());
    return label->textFormat() == Qt::RichText ? document.toPlainText() : label->text();
}

QList<Target> reSetTargets()
{
    using C = SVSettingViewController;
    return {
        { "status title", [](C& c) { return titleOf(c.viewGetState()); }, "real_time_status" },
        { "voltage caption", [](C& c) { return c.lableCurrentVoltage()->text(); }, "current_voltage" },
        { "position caption", [](C& c) { return c.lableCurrentPostion()->text(); }, "current_position" },
        { "temperature caption", [](C& c) { return c.lableCurrentTemperature()->text(); }, "current_temperature" },
        { "LED title", [](C& c) { return titleOf(c.viewLEDControl()); }, "led_control" },
        { "LED alarm title", [](C& c) { return titleOf(c.viewLEDAlert()); }, "led_warning" },
        { "over-temperature", [](C& c) { return c.labelOverTemperature()->text(); }, "over_heat" },
        { "over-voltage", [](C& c) { return c.labelOverpressure()->text(); }, "over_voltage" },
        { "stall", [](C& c) { return c.labelStall()->text(); }, "locked_rotor" },
        { "temperature title", [](C& c) { return titleOf(c.viewTemperatureAdjustment()); }, "temperature_range_modify" },
        { "voltage title", [](C& c) { return titleOf(c.viewVoltageAdjustment()); }, "voltage_range_modify" },
        { "debugging title", [](C& c) { return titleOf(c.viewSteeringDebugging()); }, "servo_adjust" },
        { "time caption", [](C& c) { return c.debuggingtime()->text(); }, "time" },
        { "position field caption", [](C& c) { return c.debuggingPostion()->text(); }, "position" },
        { "angle title", [](C& c) { return titleOf(c.viewAngleAdjustment()); }, "angle_range_modify" },
        { "default button", [](C& c) { return imageButtonTitle(c, 5001); }, "default" },
        { "set button", [](C& c) { return imageButtonTitle(c, 5002); }, "set" },
        { "read button", [](C& c) { return imageButtonTitle(c, 5003); }, "read" },
        { "deviation title", [](C& c) { return titleOf(c.viewAngleDeviation()); }, "deviation_modify" },
        { "speed caption", [](C& c) { return c.lableSpeed()->text(); }, "speed" },
        { "basic tab", [](C& c) { return c.buttonOperator()->title(); }, "basic_operation" },
        { "parameter tab", [](C& c) { return c.buttonSetting()->title(); }, "args_set" },
        { "about tab", [](C& c) { return c.buttonAbout()->title(); }, "about_us" },
        { "open button", [](C& c) { return c.buttonWireless()->title(); }, "open_com" },
        { "baud caption", [](C& c) { return c.labelBps()->text(); }, "baudrate" },
        { "ID range", [](C& c) { return c.labelRange()->text(); }, "ID_range" },
        { "website link", [](C& c) { return plainText(c.labelOfficialWebsite()); }, "visit_official_website" },
        { "course link", [](C& c) { return plainText(c.labelCourse()); }, "visit_learn_website" },
        { "store link", [](C& c) { return plainText(c.labelOnlineShoppingMall()); }, "visit_online_store" },
        { "motor power title", [](C& c) { return titleOf(c.viewMotorOperator()); }, "motor_power_control" },
    };
}

// Every target, the version line and the mode segments show the texts of the table of code.
void expectEveryTextIn(SVSettingViewController& c, const QString& code)
{
    const StringsTable table = MainWindowHarness::table(code);
    ASSERT_FALSE(table.entries().isEmpty()) << "no table for " << qPrintable(code);
    for (const Target& target : reSetTargets()) {
        ASSERT_TRUE(table.contains(target.key)) << qPrintable(target.key);
        EXPECT_EQ(target.shown(c), table.value(target.key))
            << qPrintable(target.name) << " is not in " << qPrintable(code);
    }
    EXPECT_EQ(c.labelVersion()->text(), table.value("version") + QStringLiteral(SERVODESK_VERSION));
    EXPECT_EQ(c.labelCopyright()->text(),
        QString(table.value("company")).replace(QStringLiteral("%@"), QStringLiteral(SERVODESK_PUBLISHER)));
    EXPECT_TRUE(c.labelCopyright()->text().contains(QStringLiteral(SERVODESK_PUBLISHER)));
    EXPECT_EQ(c.sege()->displayedTitles(), QStringList({ table.value("servo_mode"), table.value("motor_mode") }));
}

class LanguageTest : public ::testing::Test {
protected:
    MainWindowHarness h;
};

TEST_F(LanguageTest, FreshStartIsInEnglishWithTheToggleOfferingChinese)
{
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.c().language(), "English");
    EXPECT_EQ(h.c().buttonLanguage()->title(), "中文");
    expectEveryTextIn(h.c(), "en");
    EXPECT_FALSE(h.settings.value("language").isValid()) << "starting saved a language";
}

TEST_F(LanguageTest, TogglePressSavesNotifiesThenReSetsEveryTextInSimplifiedChinese)
{
    ASSERT_TRUE(h.start());
    SVSettingViewController& c = h.c();
    const StringsTable english = MainWindowHarness::table("en");
    QList<QString> captionsAtNotification;
    QObject observer;
    NotificationCenter::defaultCenter()->addObserver(&observer, SVChangeLanguageNotification, nullptr,
        [&](const Notification& note) {
            EXPECT_EQ(note.object, &c);
            EXPECT_EQ(h.settings.value("AppLanguagesKey").toString(), BundleLanguage::codeForDisplayName(c.language()))
                << "saved after notifying";
            EXPECT_EQ(h.settings.value("language").toString(), c.language()) << "saved after notifying";
            captionsAtNotification.append(c.debuggingtime()->text());
        });
    const int syncsBefore = h.settings.syncCount();

    QTest::mouseClick(c.buttonLanguage(), Qt::LeftButton);

    EXPECT_EQ(h.settings.value("AppLanguagesKey").toString(), "zh-Hans");
    EXPECT_EQ(h.settings.value("language").toString(), "中文");
    EXPECT_GE(h.settings.syncCount(), syncsBefore + 2) << "both settings are flushed at once";
    EXPECT_EQ(c.language(), "中文");
    EXPECT_EQ(c.buttonLanguage()->title(), "English");
    ASSERT_EQ(captionsAtNotification.size(), 1);
    EXPECT_EQ(captionsAtNotification.first(), english.value("time")) << "texts were re-set before the notification";
    expectEveryTextIn(c, "zh-Hans");

    QTest::mouseClick(c.buttonLanguage(), Qt::LeftButton);
    EXPECT_EQ(h.settings.value("AppLanguagesKey").toString(), "en");
    EXPECT_EQ(h.settings.value("language").toString(), "English");
    EXPECT_EQ(c.buttonLanguage()->title(), "中文");
    expectEveryTextIn(c, "en");
}

TEST_F(LanguageTest, SavedTraditionalChineseStartsInItAndThePressGoesToSimplified)
{
    h.settings.setValue("language", "繁體");
    h.settings.setValue("AppLanguagesKey", "zh-Hant");
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.c().language(), "繁體");
    EXPECT_EQ(h.c().buttonLanguage()->title(), "中文");
    expectEveryTextIn(h.c(), "zh-Hant");

    QTest::mouseClick(h.c().buttonLanguage(), Qt::LeftButton);
    EXPECT_EQ(h.settings.value("AppLanguagesKey").toString(), "zh-Hans");
    expectEveryTextIn(h.c(), "zh-Hans");
}

TEST_F(LanguageTest, SavedSimplifiedChineseStartsWithTheToggleOfferingEnglish)
{
    h.settings.setValue("language", "中文");
    h.settings.setValue("AppLanguagesKey", "zh-Hans");
    ASSERT_TRUE(h.start());
    EXPECT_EQ(h.c().buttonLanguage()->title(), "English");
    expectEveryTextIn(h.c(), "zh-Hans");
}

TEST_F(LanguageTest, UnknownSavedCodeFallsBackToATableOfTheProgram)
{
    h.settings.setValue("AppLanguagesKey", "xx-Nowhere");
    ASSERT_TRUE(h.start());
    const QString inForce = BundleLanguage::languageInForce();
    EXPECT_TRUE(BundleLanguage::availableCodes().contains(inForce)) << qPrintable(inForce);
    expectEveryTextIn(h.c(), inForce);
}

TEST_F(LanguageTest, KeyMissingFromTheTableShowsAsItself)
{
    ASSERT_TRUE(h.start());
    EXPECT_EQ(SVSettingViewController::localized("no_such_text_anywhere"), "no_such_text_anywhere");
    h.settings.setValue("AppLanguagesKey", "zh-Hant");
    EXPECT_EQ(SVSettingViewController::localized("no_such_text_anywhere"), "no_such_text_anywhere");
}

TEST_F(LanguageTest, LanguageChangesKeepExactlyThreeLinksEachWithItsAddress)
{
    ASSERT_TRUE(h.start());
    SVSettingViewController& c = h.c();
    QLabel* website = c.labelOfficialWebsite();
    for (int press = 0; press < 3; ++press)
        QTest::mouseClick(c.buttonLanguage(), Qt::LeftButton);

    QList<QLabel*> links;
    for (QLabel* label : c.viewAbout()->findChildren<QLabel*>()) {
        if (label->text().contains(QStringLiteral("href=")))
            links.append(label);
    }
    EXPECT_EQ(links.size(), 3);
    EXPECT_EQ(c.labelOfficialWebsite(), website) << "the link label was replaced instead of rebuilt";
    EXPECT_TRUE(c.labelOfficialWebsite()->text().contains(QStringLiteral("href=\"" SERVODESK_WEBSITE_URL "\"")));
    EXPECT_TRUE(c.labelCourse()->text().contains(QStringLiteral("href=\"" SERVODESK_DOCS_URL "\"")));
    EXPECT_TRUE(c.labelOnlineShoppingMall()->text().contains(QStringLiteral("href=\"" SERVODESK_SUPPORT_URL "\"")));
    expectEveryTextIn(c, "zh-Hans");
}

// Labels whose text is wider than the label, by name or text, each with the width it has and needs.
QStringList labelsTooNarrow(QWidget* root)
{
    QStringList narrow;
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->wordWrap())  // a wrapping label takes more lines instead
            continue;
        const int needed = label->sizeHint().width();
        if (label->width() < needed)
            narrow << QStringLiteral("\"%1\" %2 < %3").arg(plainText(label)).arg(label->width()).arg(needed);
    }
    return narrow;
}

// A page that was shown, then hidden while the language changes, is laid out for the new texts at
// once: no label is narrower than its text and the mode control stays centred in its panel.
TEST_F(LanguageTest, HiddenPagesAreLaidOutAgainForEveryLanguage)
{
    ASSERT_TRUE(h.start());
    SVSettingViewController& c = h.c();
    const QList<std::function<void()>> showPage = {
        [&] { c.showBasicOperationPage(); },
        [&] { c.showSettingPage(); },
        [&] { c.showAboutPage(); },
    };
    QStringList names;
    for (const BundleLanguage::Language& language : BundleLanguage::languages())
        names << language.displayName;
    for (int page = 0; page < showPage.size(); ++page) {
        showPage[page]();
        QCoreApplication::processEvents();
        showPage[(page + 1) % showPage.size()]();
        for (const QString& name : names + names.mid(0, 1)) {
            c.setLanguage(name);
            EXPECT_EQ(labelsTooNarrow(c.view()), QStringList()) << "page " << page << " hidden, " << qPrintable(name);
            const QWidget* panel = c.sege()->parentWidget();
            EXPECT_NEAR(c.sege()->geometry().center().x(), panel->width() / 2, 1)
                << "mode control off-centre, page " << page << " hidden, " << qPrintable(name);
        }
    }
}

TEST_F(LanguageTest, ModeControlLooksItsTitlesUpOncePerChange)
{
    ASSERT_TRUE(h.start());
    SVSegmentedControl* sege = h.c().sege();
    int lookups = 0;
    sege->setTranslator([&](const QString& key) {
        ++lookups;
        return SVSettingViewController::localized(key);
    });
    lookups = 0;
    h.c().setLanguage("中文");
    EXPECT_EQ(lookups, sege->displayedTitles().size()) << "the titles were renewed more than once";
}

TEST_F(LanguageTest, SettingTheLanguageInForceChangesNothing)
{
    ASSERT_TRUE(h.start());
    int notifications = 0;
    QObject observer;
    NotificationCenter::defaultCenter()->addObserver(&observer, SVChangeLanguageNotification, nullptr,
        [&](const Notification&) { ++notifications; });
    h.c().setLanguage("English");
    EXPECT_EQ(notifications, 0);
    EXPECT_FALSE(h.settings.value("language").isValid());
}

} // namespace

// A language switch whose settings cannot be written holds for this run only: the user is told once,
// and the log names the file and the reason at every failed save.
struct SettingsPlace {
    const char* name;
    QByteArray fileAtStart;   // the settings file before the program reads it; empty: none
    bool blockedAfterRead;    // then a plain file takes the place of the settings folder
};

class LanguageSaving : public ::testing::TestWithParam<SettingsPlace> {};

TEST_P(LanguageSaving, AFailedSaveIsLoggedEachTimeAndToldOnce)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString fileName = home.filePath(QStringLiteral("config/ServoDesk/ServoDesk.conf"));
    if (!GetParam().fileAtStart.isEmpty()) {
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("config/ServoDesk")));
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().fileAtStart);
    }
    QSettingsStore store(fileName);
    store.value(BundleLanguage::languagesKey);  // read now, as at start
    if (GetParam().blockedAfterRead) {
        if (QFileInfo::exists(home.filePath(QStringLiteral("config")))) {
            ASSERT_TRUE(QDir(home.path()).rename(QStringLiteral("config"), QStringLiteral("config-moved")));
        }
        QFile plainFile(home.filePath(QStringLiteral("config")));
        ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    }
    ControllerHarness harness(false);
    SettingsStore::install(&store);  // the harness puts its own back when it goes
    SVSettingViewController& c = harness.controller();

    MessageCapture log;
    c.toggleLanguage();
    const QString tipInChinese = ControllerHarness::localized(QStringLiteral("language_not_saved"))
                                     .replace(QStringLiteral("%@"), fileName);
    c.toggleLanguage();

    QStringList failures;
    for (const QString& line : MessageCapture::messages()) {
        if (line.startsWith(QStringLiteral("The language could not be saved")))
            failures.append(line);
    }
    if (!GetParam().blockedAfterRead) {
        EXPECT_TRUE(harness.tips().messages.isEmpty());
        EXPECT_TRUE(failures.isEmpty()) << qPrintable(failures.join(u'\n'));
        QFile saved(fileName);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_TRUE(saved.readAll().contains("AppLanguagesKey=en\n")) << "the language is not in the file";
        return;
    }
    EXPECT_EQ(harness.tips().messages, QStringList{tipInChinese}) << "the failure was not told exactly once";
    ASSERT_EQ(failures.size(), 2) << "each failed switch logs one line";
    for (const QString& line : failures) {
        EXPECT_TRUE(line.contains(fileName)) << qPrintable(line);
        EXPECT_TRUE(line.contains(QStringLiteral("is not a folder"))) << qPrintable(line);
    }
}

INSTANTIATE_TEST_SUITE_P(Places, LanguageSaving,
                         ::testing::Values(SettingsPlace{"Writable", {}, false}, SettingsPlace{"Blocked", {}, true},
                                           // QSettings then keeps reporting the parse error, not the failed write
                                           SettingsPlace{"UnparsableThenBlocked", "[General\nlanguage=English\n", true},
                                           SettingsPlace{"UnparsableButWritable", "[General\nlanguage=English\n", false}),
                         [](const ::testing::TestParamInfo<SettingsPlace>& info) { return std::string(info.param.name); });
