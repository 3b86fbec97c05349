// Servo workflows: reading and writing the parameter page, restoring its defaults, the motor power and
// LED commands, the state poll's reads and the reset of the live gauges.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/Bus/Protocol.h"
#include "Api/SVFrameTools.h"
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

#include <algorithm>
#include <memory>

namespace {

// The object the read time-out is scheduled with; it is not read.
const QString timeOutObject = QStringLiteral("kNotificationTimeOutCancel");

// The replies of a block read between the ID reply that starts it and the deviation reply that ends it.
const QSet<int> blockReadMiddleReplies = {SVProtocol::ReadAngleLimit, SVProtocol::ReadVoltageLimit,
                                          SVProtocol::ReadMaxTemperature, SVProtocol::ReadLed,
                                          SVProtocol::ReadLedAlarm};

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

bool SVSettingViewController::refusedWhileBusTaken()
{
    if (!m_busWorker || !m_busWorker->runsUntilStopped())
        return false;
    SVTools::showTipWithMessage(localized(QStringLiteral("bus_taken")));
    return true;
}

// ---- One servo alone ----

void SVSettingViewController::findLoneServo(std::function<void(LoneServo::Census)> then)
{
    BusWorker* worker = m_busWorker.get();
    if (!worker) {
        then(LoneServo::Census::None);
        return;
    }
    // What then sends is queued behind the look, so its replies come after the look has ended.
    worker->findLoneServo([then = std::move(then)](const LoneServo::Finding& finding) { then(finding.census); });
}

void SVSettingViewController::showSeveralServos()
{
    SVTools::showTipWithMessage(localized(QStringLiteral("several_servos")));
}

// ---- Read ----

void SVSettingViewController::readServo()
{
    findLoneServo([this](LoneServo::Census census) {
        if (census == LoneServo::Census::Several) {
            showSeveralServos();
            return;
        }
        serialApi().sendReadId();
        performAfterDelay(readTimeoutMs, [this] { timeoutMethod(timeOutObject); });
    });
}

void SVSettingViewController::timeoutMethod(const QString&)
{
    SVTools::showTipWithMessage(localized(QStringLiteral("read_fail")));
}

// The deviation reply ends a block read and its time-out. The read succeeded only when an ID reply
// started it and every other reply came too: a lost one leaves an old value on the page.
QString SVSettingViewController::blockReadReplyArrived(int command)
{
    if (command == SVProtocol::ReadId) {
        ++m_blockReadsStarted;
        return {};
    }
    if (command != SVProtocol::ReadDeviation) {
        if (blockReadMiddleReplies.contains(command))
            m_blockReadReplies.insert(command);
        return {};
    }
    cancelPreviousPerformRequests();
    const bool whole = m_blockReadsStarted > 0 && m_blockReadReplies == blockReadMiddleReplies;
    m_blockReadsStarted = std::max(0, m_blockReadsStarted - 1);
    m_blockReadReplies.clear();
    return whole ? QStringLiteral("connect_success") : QStringLiteral("read_fail");
}

void SVSettingViewController::forgetBlockReads()
{
    m_blockReadsStarted = 0;
    m_blockReadReplies.clear();
}

// ---- Write ----

// The new ID goes to the broadcast address: only with one servo alone on the bus is anything sent.
void SVSettingViewController::writeServo(QObject* writeButton)
{
    if (auto* button = qobject_cast<QWidget*>(writeButton)) {
        button->setEnabled(false);
        // Not a cancellable delayed call: a read's success must not leave the button disabled.
        QTimer::singleShot(writeButtonPauseMs, button, [button] { button->setEnabled(true); });
    }
    findLoneServo([this](LoneServo::Census census) {
        if (census == LoneServo::Census::Several)
            showSeveralServos();
        else if (census == LoneServo::Census::None)
            SVTools::showTipWithMessage(localized(QStringLiteral("read_fail")));
        else
            sendWriteGroup();
    });
}

void SVSettingViewController::sendWriteGroup()
{
    SVSerial& api = serialApi();
    api.beginWriteGroup();
    sendWriteServoInfo();
    api.endWriteGroup(this, [this](const SVSerial::WriteReport& report) { writeFinished(report); });
    myprogress()->awaitConfirmation();
    myprogress()->setPro(0.1);
}

// The bar says "set_complete" only once every frame has gone out. A write cut short (the port closed
// or a write failed) may have given the servo a new ID and only some of its settings.
void SVSettingViewController::writeFinished(const SVSerial::WriteReport& report)
{
    if (report.complete()) {
        myprogress()->confirm();
        return;
    }
    qInfo("Writing stopped after %d of %d frames", report.written, report.queued);
    myprogress()->stop();
    SVTools::showTipWithMessage(localized(QStringLiteral("write_fail")));
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
    namespace Factory = SVProtocol::FactoryDefaults;
    const SVProtocol::AlarmFlags alarms = SVProtocol::alarmFlags(Factory::alarmBits);
    textID()->setText(QString::number(Factory::id));
    lableAngleTop()->setText(QString::number(Factory::angleMax));
    lableAngleBottom()->setText(QString::number(Factory::angleMin));
    lableVoltageRangeMin()->setText(QString::number(SVProtocol::voltsFromMillivolts(Factory::voltageMinMillivolts)));
    lableVoltageRangeMax()->setText(QString::number(SVProtocol::voltsFromMillivolts(Factory::voltageMaxMillivolts)));
    lableTemperatureRange()->setText(QString::number(Factory::maxTemperature) + QStringLiteral(" ℃"));
    switchStall()->setChecked(alarms.stall);
    switchOverpressure()->setChecked(alarms.overVoltage);
    switchOverTemperature()->setChecked(alarms.overTemperature);
    if (auto* placeholder = qobject_cast<QLabel*>(viewWithTag(TagDeviationPlaceholder)))
        placeholder->setText(QString());
    switchLed()->setChecked(Factory::ledOn);
    sliderDeviation()->setStringValue(QString::number(Factory::deviation));
    textDeviation()->setText(QString::number(Factory::deviation));
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
// A pass is skipped while the last one's reads still wait on the bus's queue (behind a job of the
// Motion or Robot page, or a slow line), so that no backlog of reads gathers ahead of everything else.
void SVSettingViewController::sendStateReads()
{
    if (m_stateReadsQueued->load())
        return;
    SVSerial& api = serialApi();
    const QString servoId = textIDOperator()->text();
    m_stateReadsQueued->store(true);
    api.sendReadTemp(SVTextValue::intValue(servoId));
    api.sendReadVoltage(SVTextValue::intValue(servoId));
    api.sendReadPostion(SVTextValue::intValue(servoId));
    api.sendReadMotorLoadOrUload(servoId);
    api.queue().asyncUnpaced([queued = m_stateReadsQueued] { queued->store(false); });
}

// Three made-up replies that put temperature, voltage and position back to zero.
void SVSettingViewController::reSetDash()
{
    const QString zero = QStringLiteral("0");
    solveDidRecvData({QString(), QString(), QString(), QString(), QString(), zero}, SVProtocol::ReadTemperature);
    solveDidRecvData({QString(), QString(), QString(), QString(), QString(), zero, zero}, SVProtocol::ReadVoltage);
    solveDidRecvData({QString(), QString(), QString(), QString(), QString(), zero, zero}, SVProtocol::ReadPosition);
}
