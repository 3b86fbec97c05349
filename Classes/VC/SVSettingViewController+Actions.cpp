// Dispatch of the window's control actions by the sender's tag.
#include "Classes/VC/SVSettingViewController.h"

#include "Classes/Motion/MotionPage.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Tools/SVTag.h"

namespace {

// The controls whose action sends a frame to the servo.
bool sendsToServo(int tag)
{
    using C = SVSettingViewController;
    switch (tag) {
    case C::TagLedSwitch:
    case C::TagTextSpeed:
    case C::TagTextDebuggingPostion:
    case C::TagTextDeviation:
    case C::TagButtonMotor:
    case C::TagButtonSet:
    case C::TagButtonRead:
        return true;
    default:
        return false;
    }
}

}  // namespace

void SVSettingViewController::buttonClick(QObject* sender)
{
    if (!checkState(sender))
        return;
    if (sendsToServo(tagOf(sender)) && refusedWhileBusTaken()) {
        if (tagOf(sender) == TagLedSwitch)
            switchLed()->setChecked(!switchLed()->checked());  // the switch shows what the servo has
        return;
    }
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
