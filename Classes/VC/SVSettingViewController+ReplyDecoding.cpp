// Reply decoding: cuts the bytes read from the port into whole, valid frames and writes each servo
// reply into the controls that show its value.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/SVFrameReader.h"
#include "Api/SVProtocol.h"
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

constexpr int commandOffset = 4;
constexpr float highestVoltage = 15.0f;
constexpr qint64 highestPosition = 1000;

// A reply is a frame whose length byte is the one its command's reply carries; anything else with
// the same command code (above all the echo of the read command itself) is not.
bool isReply(const QByteArray& frame)
{
    if (frame.size() <= commandOffset)
        return false;
    const int length = quint8(frame.at(3));
    return length == SVFrameReader::replyLength(quint8(frame.at(commandOffset)));
}

}  // namespace

void SVSettingViewController::serialPortDidReceiveData(ORSSerialPort* port, const QByteArray& data)
{
    serialPortDidReceiveDataReadAt(port, data, SVFrameReader::Clock::now());
}

void SVSettingViewController::serialPortDidReceiveDataReadAt(ORSSerialPort*, const QByteArray& data,
                                                             std::chrono::steady_clock::time_point readTime)
{
    for (const QByteArray& frame : m_frameReader.append(data, readTime)) {
        if (isReply(frame))
            analysisDidRecvData(reinterpret_cast<const uint8_t*>(frame.constData()), int(frame.size()));
    }
}

void SVSettingViewController::analysisDidRecvData(const uint8_t* bytes, int length)
{
    m_dataReturns.clear();
    for (int i = 0; i < length; ++i)
        m_dataReturns.append(QString::number(bytes[i]));
    const int command = length > commandOffset ? bytes[commandOffset] : 0;
    solveDidRecvData(m_dataReturns, command);
}

// Offsets past the end of data read as empty texts, whose value is 0: nothing is read beyond it.
// data is a copy: the tip of a deviation reply runs an event loop in which later replies replace
// dataReturns, and the value shown must still be this reply's.
void SVSettingViewController::solveDidRecvData(QStringList data, int cmd)
{
    const auto byteText = [&data](int offset) { return data.value(offset); };
    const auto byteValue = [&data](int offset) { return SVTextValue::integerValue(data.value(offset)); };
    const auto wordValue = [&data](int lowOffset) {
        return SVTools::returnNum16ToNum10WithLow(data.value(lowOffset), data.value(lowOffset + 1));
    };

    switch (cmd) {
    case SVProtocol::ReadId:
        textID()->setText(byteText(2));
        serialApi().sendReadServoInfoWithId(textID()->text());
        break;
    case SVProtocol::ReadDeviation: {
        const QString deviation = SVTools::deviationTextFromByteText(byteText(5));
        cancelPreviousPerformRequests();  // the read has succeeded: no time-out
        SVTools::showTipWithMessage(localized(QStringLiteral("connect_success")));
        qInfo("Deviation = %s", qPrintable(deviation));
        textDeviation()->setText(deviation);
        sliderDeviation()->setStringValue(deviation);
        break;
    }
    case SVProtocol::ReadAngleLimit:
        lableAngleBottom()->setText(QString::number(wordValue(5)));
        lableAngleTop()->setText(QString::number(wordValue(7)));
        break;
    case SVProtocol::ReadVoltageLimit:
        lableVoltageRangeMin()->setText(QString::asprintf("%.1f", SVTools::voltsFromMillivolts(wordValue(5))));
        lableVoltageRangeMax()->setText(QString::asprintf("%.1f", SVTools::voltsFromMillivolts(wordValue(7))));
        break;
    case SVProtocol::ReadMaxTemperature:
        lableTemperatureRange()->setText(byteText(5) + QStringLiteral(" ℃"));
        break;
    case SVProtocol::ReadTemperature: {
        const qint64 temperature = byteValue(5);
        setCurrentTemperature(temperature);
        dashTemperature()->setPro(double(temperature + 10));
        textCurrentTemperature()->setText(QString::number(temperature) + QStringLiteral("℃"));
        break;
    }
    case SVProtocol::ReadVoltage: {
        const float voltage = std::min(float(SVTools::voltsFromMillivolts(wordValue(5))), highestVoltage);
        setCurrentVoltage(voltage);
        dash()->progress(voltage);
        textCurrentVoltage()->setText(QString::asprintf("%.1fV", double(voltage)));
        break;
    }
    case SVProtocol::ReadPosition: {
        const qint64 position = wordValue(5);
        setCurrentPosition(std::clamp<qint64>(position, 0, highestPosition));
        dashPostion()->progress(double(currentPosition() / 10));
        textCurrentPosition()->setText(QString::number(position));
        break;
    }
    case SVProtocol::ReadMotorLoad:
        setMotorLoad(byteValue(5) == 0);
        buttonMotor()->setImage(imageNamed(motorLoad() ? QStringLiteral("motoroff") : QStringLiteral("motoron")));
        break;
    case SVProtocol::ReadLed:
        switchLed()->setChecked(byteValue(5) == 0);
        break;
    case SVProtocol::ReadLedAlarm: {
        qInfo("state = %s", qPrintable(byteText(5)));
        const SVFrameTools::AlarmFlags flags = SVTools::alarmFlagsFromDigits(SVTools::alarmDigitsFromByteText(byteText(5)));
        switchStall()->setChecked(flags.stall);
        switchOverpressure()->setChecked(flags.overVoltage);
        switchOverTemperature()->setChecked(flags.overTemperature);
        break;
    }
    default:
        break;
    }
}
