// Reply decoding: the line's reply router cuts the bytes read from the port into whole, valid frames
// and decodes each reply once; the replies no bus job awaits come here, and their values go into the
// controls that show them.
#include "Classes/VC/SVSettingViewController.h"

#include "Api/Bus/Protocol.h"
#include "Api/Bus/SVReplyDecoder.h"
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
#include <variant>

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

// Each byte, taken unsigned, as decimal text.
QStringList byteTexts(QByteArrayView bytes)
{
    QStringList texts;
    texts.reserve(bytes.size());
    for (char byte : bytes)
        texts.append(QString::number(quint8(byte)));
    return texts;
}

template <typename... Shows>
struct Overloaded : Shows... {
    using Shows::operator()...;
};

}  // namespace

void SVSettingViewController::serialPortDidReceiveData(ORSSerialPort* port, const QByteArray& data)
{
    serialPortDidReceiveDataReadAt(port, data, ReplyRouter::Clock::now());
}

void SVSettingViewController::serialPortDidReceiveDataReadAt(ORSSerialPort*, const QByteArray& data,
                                                             std::chrono::steady_clock::time_point readTime)
{
    m_replies.feed(data, readTime);  // on this thread: the router hands the replies back at once
}

void SVSettingViewController::showReplies(const QList<ReplyRouter::Heard>& heard)
{
    // Every reply is shown before any tip: a tip runs an event loop, and replies shown after it would
    // overwrite the newer values that arrived meanwhile.
    QStringList tipKeys;
    for (const ReplyRouter::Heard& one : heard) {
        m_dataReturns = byteTexts(one.frame);
        showReplyValue(one.reply.value);
        if (const QString tipKey = blockReadReplyArrived(one.reply.command); !tipKey.isEmpty())
            tipKeys.append(tipKey);
    }
    for (const QString& tipKey : tipKeys)
        SVTools::showTipWithMessage(localized(tipKey));
}

void SVSettingViewController::analysisDidRecvData(const uint8_t* bytes, int length)
{
    m_dataReturns = byteTexts(QByteArrayView(bytes, length));
    const int command = length > commandOffset ? bytes[commandOffset] : 0;
    solveDidRecvData(m_dataReturns, command);
}

// Data too short for its command changes nothing.
void SVSettingViewController::solveDidRecvData(QStringList data, int cmd)
{
    if (const std::optional<SVReplyValue::Value> value = SVReplyDecoder::valueOf(cmd, bytesOf(data)))
        showReplyValue(*value);
}

// The page shows 16-bit values and the alarm byte its own way (settingsPageWord,
// settingsPageAlarmFlags); every other value as decoded.
void SVSettingViewController::showReplyValue(const SVReplyValue::Value& value)
{
    using namespace SVReplyValue;
    using SVProtocol::settingsPageWord;
    const auto voltsText = [](int millivolts) {
        return QString::asprintf("%.1f", SVProtocol::voltsFromMillivolts(settingsPageWord(millivolts)));
    };
    std::visit(Overloaded{
        [&](const Id& reply) {
            textID()->setText(QString::number(reply.id));
            serialApi().sendReadServoInfoWithId(textID()->text());
        },
        [&](const Deviation& reply) {
            const QString deviation = QString::number(reply.deviation);
            qInfo("Deviation = %s", qPrintable(deviation));
            textDeviation()->setText(deviation);
            sliderDeviation()->setStringValue(deviation);
        },
        [&](const AngleLimits& reply) {
            lableAngleBottom()->setText(QString::number(settingsPageWord(reply.minimum)));
            lableAngleTop()->setText(QString::number(settingsPageWord(reply.maximum)));
        },
        [&](const VoltageLimits& reply) {
            lableVoltageRangeMin()->setText(voltsText(reply.minimumMillivolts));
            lableVoltageRangeMax()->setText(voltsText(reply.maximumMillivolts));
        },
        [&](const MaxTemperature& reply) { lableTemperatureRange()->setText(QString::number(reply.celsius) + QStringLiteral(" ℃")); },
        [&](const Temperature& reply) {
            setCurrentTemperature(reply.celsius);
            dashTemperature()->setPro(double(reply.celsius + 10));
            textCurrentTemperature()->setText(QString::number(reply.celsius) + QStringLiteral("℃"));
        },
        [&](const Voltage& reply) {
            const float volts = std::min(float(SVProtocol::voltsFromMillivolts(settingsPageWord(reply.millivolts))), highestVoltage);
            setCurrentVoltage(volts);
            dash()->progress(volts);
            textCurrentVoltage()->setText(QString::asprintf("%.1fV", double(volts)));
        },
        [&](const Position& reply) {
            const qint64 position = settingsPageWord(reply.position);
            setCurrentPosition(std::clamp<qint64>(position, 0, highestPosition));
            dashPostion()->progress(double(currentPosition() / 10));
            textCurrentPosition()->setText(QString::number(position));
        },
        [&](const MotorPower& reply) {
            setMotorLoad(reply.loaded);
            buttonMotor()->setImage(imageNamed(motorLoad() ? QStringLiteral("motoroff") : QStringLiteral("motoron")));
        },
        [&](const Led& reply) { switchLed()->setChecked(reply.on); },
        [&](const LedAlarm& reply) {
            qInfo("state = %d", reply.byte);
            const SVProtocol::AlarmFlags flags = SVProtocol::settingsPageAlarmFlags(uint8_t(reply.byte));
            switchStall()->setChecked(flags.stall);
            switchOverpressure()->setChecked(flags.overVoltage);
            switchOverTemperature()->setChecked(flags.overTemperature);
        },
    }, value);
}
