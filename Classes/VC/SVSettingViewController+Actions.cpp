// Dispatch of the window's control actions by the sender's tag.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Tools/SVTag.h"

void SVSettingViewController::buttonClick(QObject* sender)
{
    if (!checkState(sender))
        return;
    switch (tagOf(sender)) {
    case TagLedSwitch:
        sendLedSwitch();
        break;
    case TagTextSpeed:
    case TagTextDebuggingTime:
    case TagTextDebuggingPostion:
    case TagTextDeviation:
        enterValue(tagOf(sender));
        break;
    case TagButtonWireless:
        openOrCloseSerialPort();
        break;
    case TagButtonMotor:
        toggleMotorLoad();
        break;
    case TagButtonDefault:
        reSet();
        break;
    case TagButtonSet:
        writeServo(sender);
        break;
    case TagButtonRead:
        readServo();
        break;
    case TagButtonOperator:
        showBasicOperationPage();
        break;
    case TagButtonSetting:
        showSettingPage();
        break;
    case TagButtonAbout:
        showAboutPage();
        break;
    case TagButtonMotion:
        showMotionPage();
        break;
    case TagButtonRobot:
        showRobotPage();
        break;
    case TagButtonStopMotion:
        viewMotion()->stop();
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
