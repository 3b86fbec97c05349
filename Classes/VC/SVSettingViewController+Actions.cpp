// Dispatch of the window's control actions by the sender's tag.
#include "Classes/VC/SVSettingViewController.h"

#include "Tools/SVTag.h"

void SVSettingViewController::buttonClick(QObject* sender)
{
    switch (tagOf(sender)) {
    case TagButtonOperator:
        showBasicOperationPage();
        break;
    case TagButtonSetting:
        showSettingPage();
        break;
    case TagButtonAbout:
        showAboutPage();
        break;
    case TagButtonLanguage:
        toggleLanguage();
        break;
    case TagButtonExit:
        exitWindow();
        break;
    case TagButtonMinimize:
        minimizeWindow();
        break;
    default:
        break;
    }
}

void SVSettingViewController::sliderClick(QObject*)
{
}

void SVSettingViewController::setSerialPort(ORSSerialPort::Ptr port)
{
    m_serialPort = std::move(port);
}

void SVSettingViewController::initPortManager()
{
}

// The links of the window; the range sliders and the saved language are set up by the pages.
void SVSettingViewController::initBind()
{
    loadSavedLanguage();
    bindRangeSliders();
}

void SVSettingViewController::reSetDash()
{
}

void SVSettingViewController::serialPortWasOpened(ORSSerialPort*)
{
}

void SVSettingViewController::serialPortWasClosed(ORSSerialPort*)
{
}

void SVSettingViewController::serialPortWasRemovedFromSystem(ORSSerialPort*)
{
}

void SVSettingViewController::serialPortDidReceiveData(ORSSerialPort*, const QByteArray&)
{
}

void SVSettingViewController::serialPortDidEncounterError(ORSSerialPort*, const ORSSerialPortError&)
{
}
