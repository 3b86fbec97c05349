// Language switching: the display name in force, the toggle between English and Simplified Chinese,
// and re-setting every text of the window in the language in force.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/Robot/RobotPage.h"

#include "Api/Source/NotificationCenter.h"
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVLayout.h"
#include "Tools/SVTools.h"
#include "Tools/SettingsStore.h"

#include <QLabel>

namespace {

const QString& english = BundleLanguage::englishName;
const QString& simplifiedChinese = BundleLanguage::simplifiedChineseName;

}  // namespace

void SVSettingViewController::loadSavedLanguage()
{
    const QString saved = SettingsStore::standard().text(BundleLanguage::displayNameKey);
    m_language = saved.isEmpty() ? english : saved;
}

void SVSettingViewController::setLanguage(const QString& language)
{
    if (language == m_language)
        return;
    m_language = language;
    const QString code = BundleLanguage::codeForDisplayName(language);
    const bool codeSaved = code.isEmpty() || BundleLanguage::setLanguage(code);
    SettingsStore& settings = SettingsStore::standard();
    settings.setValue(BundleLanguage::displayNameKey, language);
    const bool nameSaved = settings.sync();
    NotificationCenter::defaultCenter()->post(SVChangeLanguageNotification, this);
    reSetLanguage();
    if (!codeSaved || !nameSaved)
        reportLanguageNotSaved();
}

// The switch holds for this run only. Logged every time; the tip once a run is enough.
void SVSettingViewController::reportLanguageNotSaved()
{
    const SettingsStore& settings = SettingsStore::standard();
    qInfo("The language could not be saved to %s: %s", qPrintable(settings.fileName()),
          qPrintable(settings.syncFailureReason()));
    if (m_languageNotSavedShown)
        return;
    m_languageNotSavedShown = true;
    SVTools::showTipWithMessage(
        localized(QStringLiteral("language_not_saved")).replace(QStringLiteral("%@"), settings.fileName()));
}

void SVSettingViewController::toggleLanguage()
{
    if (m_language == simplifiedChinese) {
        setLanguage(english);
        buttonLanguage()->setTitle(simplifiedChinese);
    } else {
        setLanguage(simplifiedChinese);
        buttonLanguage()->setTitle(english);
    }
}

void SVSettingViewController::reSetLanguage()
{
    auto retitle = [this](int tag, const QString& key) {
        if (auto* button = qobject_cast<SVImageTitleButton*>(viewWithTag(tag)))
            button->setMyTitle(key);
    };

    viewGetState()->lableTitle()->setText(localized(QStringLiteral("real_time_status")));
    lableCurrentVoltage()->setText(localized(QStringLiteral("current_voltage")));
    lableCurrentPostion()->setText(localized(QStringLiteral("current_position")));
    lableCurrentTemperature()->setText(localized(QStringLiteral("current_temperature")));
    viewLEDControl()->lableTitle()->setText(localized(QStringLiteral("led_control")));
    viewLEDAlert()->lableTitle()->setText(localized(QStringLiteral("led_warning")));
    labelOverTemperature()->setText(localized(QStringLiteral("over_heat")));
    labelOverpressure()->setText(localized(QStringLiteral("over_voltage")));
    labelStall()->setText(localized(QStringLiteral("locked_rotor")));
    viewTemperatureAdjustment()->lableTitle()->setText(localized(QStringLiteral("temperature_range_modify")));
    viewVoltageAdjustment()->lableTitle()->setText(localized(QStringLiteral("voltage_range_modify")));
    viewSteeringDebugging()->lableTitle()->setText(localized(QStringLiteral("servo_adjust")));
    debuggingtime()->setText(localized(QStringLiteral("time")));
    debuggingPostion()->setText(localized(QStringLiteral("position")));
    viewAngleAdjustment()->lableTitle()->setText(localized(QStringLiteral("angle_range_modify")));
    retitle(TagButtonDefault, QStringLiteral("default"));
    retitle(TagButtonSet, QStringLiteral("set"));
    retitle(TagButtonRead, QStringLiteral("read"));
    viewAngleDeviation()->lableTitle()->setText(localized(QStringLiteral("deviation_modify")));
    lableSpeed()->setText(localized(QStringLiteral("speed")));
    buttonOperator()->setTitle(localized(QStringLiteral("basic_operation")));
    buttonSetting()->setTitle(localized(QStringLiteral("args_set")));
    buttonAbout()->setTitle(localized(QStringLiteral("about_us")));
    buttonMotion()->setTitle(localized(QStringLiteral("motion_tab")));
    buttonStopMotion()->setTitle(localized(QStringLiteral("motion_stop_sequence")));
    viewMotion()->retranslate();
    buttonRobot()->setTitle(localized(QStringLiteral("robot_tab")));
    viewRobot()->retranslate();
    refreshConnectionPanelTexts();
    labelRange()->setText(localized(QStringLiteral("ID_range")));
    labelVersion()->setText(versionText());
    labelCopyright()->setText(copyrightText());
    for (const AboutLink& link : aboutLinks())
        SVTools::returnWebLabel(this->*link.property, localized(link.key), link.address, viewAbout());
    viewMotorOperator()->lableTitle()->setText(localized(QStringLiteral("motor_power_control")));
    // The new texts have new widths; hidden pages are laid out for them too.
    if (m_view)
        SVLayout::relayoutTree(m_view);
}
