// Language switching: the display name in force, the toggle between English and Simplified Chinese,
// and re-setting every text of the window in the language in force.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/Source/NotificationCenter.h"
#include "Classes/View/Background/SVBackGroundView.h"
#include "Classes/View/Segmented/SVSegmentedControl.h"
#include "Classes/View/ToolView/SVToolView.h"
#include "Tools/BundleLanguage.h"
#include "Tools/SVButton.h"
#include "Tools/SVImageTitleButton.h"
#include "Tools/SVTools.h"
#include "Tools/SettingsStore.h"

#include <QLabel>

namespace {

const QString english = QStringLiteral("English");
const QString simplifiedChinese = QStringLiteral("中文");

}  // namespace

void SVSettingViewController::loadSavedLanguage()
{
    const QString saved = SettingsStore::standard().value(BundleLanguage::displayNameKey).toString();
    m_language = saved.isEmpty() ? english : saved;
}

void SVSettingViewController::setLanguage(const QString& language)
{
    if (language == m_language)
        return;
    m_language = language;
    const QString code = BundleLanguage::codeForDisplayName(language);
    if (!code.isEmpty())
        BundleLanguage::setLanguage(code);
    SettingsStore& settings = SettingsStore::standard();
    settings.setValue(BundleLanguage::displayNameKey, language);
    settings.sync();
    NotificationCenter::defaultCenter()->post(SVChangeLanguageNotification, this);
    reSetLanguage();
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
    auto text = [](const char* key) { return localized(QString::fromUtf8(key)); };
    auto retitle = [this](int tag, const char* key) {
        if (auto* button = qobject_cast<SVImageTitleButton*>(viewWithTag(tag)))
            button->setMyTitle(QString::fromUtf8(key));
    };

    viewGetState()->lableTitle()->setText(text("real_time_status"));
    lableCurrentVoltage()->setText(text("current_voltage"));
    lableCurrentPostion()->setText(text("current_position"));
    lableCurrentTemperature()->setText(text("current_temperature"));
    viewLEDControl()->lableTitle()->setText(text("led_control"));
    viewLEDAlert()->lableTitle()->setText(text("led_warning"));
    labelOverTemperature()->setText(text("over_heat"));
    labelOverpressure()->setText(text("over_voltage"));
    labelStall()->setText(text("locked_rotor"));
    viewTemperatureAdjustment()->lableTitle()->setText(text("temperature_range_modify"));
    viewVoltageAdjustment()->lableTitle()->setText(text("voltage_range_modify"));
    viewSteeringDebugging()->lableTitle()->setText(text("servo_adjust"));
    debuggingtime()->setText(text("time"));
    debuggingPostion()->setText(text("position"));
    viewAngleAdjustment()->lableTitle()->setText(text("angle_range_modify"));
    retitle(TagButtonDefault, "default");
    retitle(TagButtonSet, "set");
    retitle(TagButtonRead, "read");
    viewAngleDeviation()->lableTitle()->setText(text("deviation_modify"));
    lableSpeed()->setText(text("speed"));
    buttonOperator()->setTitle(text("basic_operation"));
    buttonSetting()->setTitle(text("args_set"));
    buttonAbout()->setTitle(text("about_us"));
    const bool open = m_serialPort && m_serialPort->isOpen();
    buttonWireless()->setTitle(text(open ? "close_com" : "open_com"));
    labelBps()->setText(text("baudrate"));
    labelRange()->setText(text("ID_range"));
    labelVersion()->setText(versionText());
    labelCopyright()->setText(text("company"));
    for (const AboutLink& link : aboutLinks())
        SVTools::returnWebLabel(this->*link.property, localized(link.key), link.address, viewAbout());
    viewMotorOperator()->lableTitle()->setText(text("motor_power_control"));
}
