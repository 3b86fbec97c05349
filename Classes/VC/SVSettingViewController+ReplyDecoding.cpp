// Reply decoding: cuts the bytes read from the port into whole, valid frames and writes each servo
// reply into the controls that show its value.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/SVFrameReader.h"
#include "Api/Bus/Protocol.h"
#include "Api/SVReplyDecoder.h"
#include "Api/SVTextValue.h"
#include "Classes/View/Dashboard/SVDashBoardPostionView.h"
#include "Classes/View/Dashboard/SVDashBoardTemperatureView.h"
#include "Classes/View/Dashboard/SVDashBoardView.h"
#include "Classes/View/EditBox/BRNumberField.h"
#include "Classes/View/ITSwitch/ITSwitch.h"
#include "Classes/View/Slider/SVSlider.h"
#include "Classes/View/Text/SVBaseTextField.h"
#include "Tools/SVButton.h"
#include "Tools/SVTools.h"

#include <QLabel>

#include <algorithm>

namespace {

constexpr int commandOffset = SVReplyDecoder::commandOffset;
constexpr float highestVoltage = 15.0f;
constexpr qint64 highestPosition = 1000;

// The byte each text stands for, at its offset (an empty text reads as 0).
QByteArray bytesOf(const QStringList& data)
{
    QByteArray bytes;
    for (const QString& text : data)
        bytes.append(char(SVTextValue::integerValue(text) & 0xFF));
    return bytes;
}

}  // namespace

void SVSettingViewController::serialPortDidReceiveData(ORSSerialPort* port, const QByteArray& data)
{
    serialPortDidReceiveDataReadAt(port, data, SVFrameReader::Clock::now());
}

void SVSettingViewController::serialPortDidReceiveDataReadAt(ORSSerialPort*, const QByteArray& data,
                                                             std::chrono::steady_clock::time_point readTime)
{
    // The replies to the Motion and Robot pages' jobs never come here: the port hands them to the bus.
    // Every frame of the read is decoded before any tip: a tip runs an event loop, and frames decoded
    // after it would overwrite the newer values that arrived meanwhile.
    QStringList tipKeys;
    for (const QByteArray& frame : m_frameReader.append(data, readTime)) {
        if (!SVReplyDecoder::decode(frame))
            continue;
        analysisDidRecvData(reinterpret_cast<const uint8_t*>(frame.constData()), int(frame.size()));
        if (const QString tipKey = blockReadReplyArrived(quint8(frame.at(commandOffset))); !tipKey.isEmpty())
            tipKeys.append(tipKey);
    }
    for (const QString& tipKey : tipKeys)
        SVTools::showTipWithMessage(localized(tipKey));
}

void SVSettingViewController::analysisDidRecvData(const uint8_t* bytes, int length)
{
    m_dataReturns.clear();
    for (int i = 0; i < length; ++i)
        m_dataReturns.append(QString::number(bytes[i]));
    const int command = length > commandOffset ? bytes[commandOffset] : 0;
    solveDidRecvData(m_dataReturns, command);
}

// The value comes from the reply decoder; data too short for its command changes nothing.
// data is a copy, so that dataReturns may change while it is read.
void SVSettingViewController::solveDidRecvData(QStringList data, int cmd)
{
    using namespace SVReplyValue;
    const std::optional<Value> value = SVReplyDecoder::valueOf(cmd, bytesOf(data));
    if (!value)
        return;

    switch (cmd) {
    case SVProtocol::ReadId:
        textID()->setText(QString::number(std::get<Id>(*value).id));
        serialApi().sendReadServoInfoWithId(textID()->text());
        break;
    case SVProtocol::ReadDeviation: {
        const QString deviation = QString::number(std::get<Deviation>(*value).deviation);
        qInfo("Deviation = %s", qPrintable(deviation));
        textDeviation()->setText(deviation);
        sliderDeviation()->setStringValue(deviation);
        break;
    }
    case SVProtocol::ReadAngleLimit: {
        const auto limits = std::get<AngleLimits>(*value);
        lableAngleBottom()->setText(QString::number(limits.minimum));
        lableAngleTop()->setText(QString::number(limits.maximum));
        break;
    }
    case SVProtocol::ReadVoltageLimit: {
        const auto limits = std::get<VoltageLimits>(*value);
        lableVoltageRangeMin()->setText(QString::asprintf("%.1f", SVTools::voltsFromMillivolts(limits.minimumMillivolts)));
        lableVoltageRangeMax()->setText(QString::asprintf("%.1f", SVTools::voltsFromMillivolts(limits.maximumMillivolts)));
        break;
    }
    case SVProtocol::ReadMaxTemperature:
        lableTemperatureRange()->setText(QString::number(std::get<MaxTemperature>(*value).celsius) + QStringLiteral(" ℃"));
        break;
    case SVProtocol::ReadTemperature: {
        const qint64 temperature = std::get<Temperature>(*value).celsius;
        setCurrentTemperature(temperature);
        dashTemperature()->setPro(double(temperature + 10));
        textCurrentTemperature()->setText(QString::number(temperature) + QStringLiteral("℃"));
        break;
    }
    case SVProtocol::ReadVoltage: {
        const float voltage = std::min(float(SVTools::voltsFromMillivolts(std::get<Voltage>(*value).millivolts)), highestVoltage);
        setCurrentVoltage(voltage);
        dash()->progress(voltage);
        textCurrentVoltage()->setText(QString::asprintf("%.1fV", double(voltage)));
        break;
    }
    case SVProtocol::ReadPosition: {
        const qint64 position = std::get<Position>(*value).position;
        setCurrentPosition(std::clamp<qint64>(position, 0, highestPosition));
        dashPostion()->progress(double(currentPosition() / 10));
        textCurrentPosition()->setText(QString::number(position));
        break;
    }
    case SVProtocol::ReadMotorLoad:
        setMotorLoad(std::get<MotorPower>(*value).loaded);
        buttonMotor()->setImage(imageNamed(motorLoad() ? QStringLiteral("motoroff") : QStringLiteral("motoron")));
        break;
    case SVProtocol::ReadLed:
        switchLed()->setChecked(std::get<Led>(*value).on);
        break;
    case SVProtocol::ReadLedAlarm: {
        const auto alarm = std::get<LedAlarm>(*value);
        qInfo("state = %d", alarm.byte);
        switchStall()->setChecked(alarm.flags.stall);
        switchOverpressure()->setChecked(alarm.flags.overVoltage);
        switchOverTemperature()->setChecked(alarm.flags.overTemperature);
        break;
    }
    default:
        break;
    }
}
