// Servo workflows: reading and writing the parameter page, restoring its defaults, the motor power and
// LED commands, the state poll's reads and the reset of the live gauges.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/SVTextValue.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Progress/SVProgressView.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Tools/SVButton.h"
#include "Tools/SVTag.h"
#include "Tools/SVTools.h"

#include <QLabel>
#include <QTimer>

namespace {

// The object the read time-out is scheduled with; it is not read.
const QString timeOutObject = QStringLiteral("kNotificationTimeOutCancel");

}  // namespace

bool SVSettingViewController::checkState(QObject* sender)
{
    const int tag = tagOf(sender);
    if (tag != TagButtonSet && tag != TagButtonRead)
        return true;
    if (m_serialPort && m_serialPort->isOpen())
        return true;
    SVTools::showTipWithMessage(localized(QStringLiteral("connect_tips")));
    return false;
}

// ---- Read ----

void SVSettingViewController::readServo()
{
    serialApi().sendReadId();
    performAfterDelay(readTimeoutMs, [this] { timeoutMethod(timeOutObject); });
}

void SVSettingViewController::timeoutMethod(const QString&)
{
    SVTools::showTipWithMessage(localized(QStringLiteral("read_fail")));
}

// ---- Write ----

void SVSettingViewController::writeServo(QObject* writeButton)
{
    sendWriteServoInfo();
    myprogress()->setPro(0.1);
    auto* button = qobject_cast<QWidget*>(writeButton);
    if (!button)
        return;
    button->setEnabled(false);
    // Not a cancellable delayed call: a read's success must not leave the button disabled.
    QTimer::singleShot(writeButtonPauseMs, button, [button] { button->setEnabled(true); });
}

void SVSettingViewController::sendWriteServoInfo()
{
    const QString servoId = textID()->text();
    SVSerial& api = serialApi();
    api.sendWriteId(servoId);
    api.sendWriteDeviationId(servoId, textDeviation()->text());
    api.sendWriteSaveDeviationWithId(servoId);
    api.sendWriteAngle(servoId, lableAngleBottom()->text(), lableAngleTop()->text());
    api.sendWriteLed(servoId, switchLed()->checked());
    api.sendWriteVoltage(servoId, lableVoltageRangeMin()->text(), lableVoltageRangeMax()->text());
    const QString alarmDigits = SVTools::alarmDigitsFromFlags(
        {switchStall()->checked(), switchOverpressure()->checked(), switchOverTemperature()->checked()});
    api.sendWriteLedError(servoId, SVTools::convertDecimalSystemFromBinarySystem(alarmDigits));
    api.sendWriteMaxTemp(servoId, lableTemperatureRange()->text());
}

// ---- Restore defaults ----

void SVSettingViewController::reSet()
{
    textID()->setText(QStringLiteral("1"));
    lableAngleTop()->setText(QStringLiteral("1000"));
    lableAngleBottom()->setText(QStringLiteral("0"));
    lableVoltageRangeMin()->setText(QStringLiteral("4.5"));
    lableVoltageRangeMax()->setText(QStringLiteral("12"));
    lableTemperatureRange()->setText(QStringLiteral("85 ℃"));
    switchStall()->setChecked(true);
    switchOverpressure()->setChecked(true);
    switchOverTemperature()->setChecked(true);
    if (auto* placeholder = qobject_cast<QLabel*>(viewWithTag(TagDeviationPlaceholder)))
        placeholder->setText(QString());
    switchLed()->setChecked(true);
    sliderDeviation()->setStringValue(QStringLiteral("0"));
    textDeviation()->setText(QStringLiteral("0"));
}

// ---- Single commands ----

void SVSettingViewController::toggleMotorLoad()
{
    setMotorLoad(!motorLoad());
    serialApi().sendMotorLoadOrUload(SVTextValue::intValue(textIDOperator()->text()), motorLoad());
    serialApi().sendReadMotorLoadOrUload(textIDOperator()->text());
}

void SVSettingViewController::sendLedSwitch()
{
    serialApi().sendWriteLed(textID()->text(), switchLed()->checked());
}

// ---- State poll and gauges ----

// One pass of the state poll, on the main thread: the live values of the operation page's servo.
void SVSettingViewController::sendStateReads()
{
    SVSerial& api = serialApi();
    api.sendReadTemp(SVTextValue::intValue(textIDOperator()->text()));
    api.sendReadVoltage(SVTextValue::intValue(textIDOperator()->text()));
    api.sendReadPostion(SVTextValue::intValue(textIDOperator()->text()));
    api.sendReadMotorLoadOrUload(textIDOperator()->text());
}

// Three made-up replies that put temperature, voltage and position back to zero.
void SVSettingViewController::reSetDash()
{
    const QString zero = QStringLiteral("0");
    solveDidRecvData({QString(), QString(), QString(), QString(), QString(), zero}, 26);
    solveDidRecvData({QString(), QString(), QString(), QString(), QString(), zero, zero}, 27);
    solveDidRecvData({QString(), QString(), QString(), QString(), QString(), zero, zero}, 28);
}
