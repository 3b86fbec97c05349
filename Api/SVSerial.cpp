#include "Api/SVSerial.h"

#include "Api/SVFrameTools.h"
#include "Api/Source/ThreadLatency.h"
#include "Api/Bus/Protocol.h"
#include "Api/SVTextValue.h"

#include <QMetaObject>
#include <QPointer>

namespace {

using namespace SVProtocol;

uint8_t lowByte(qint64 value) { return static_cast<uint8_t>(value & 0xFF); }
uint8_t highByte(qint64 value) { return static_cast<uint8_t>((value >> 8) & 0xFF); }
uint8_t byteOf(const QString& text) { return lowByte(SVTextValue::integerValue(text)); }

int hexDigitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// The value of the leading hexadecimal digits of text (0 when there are none).
uint8_t hexByte(QStringView text)
{
    int value = 0;
    for (QChar c : text) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    return static_cast<uint8_t>(value);
}

}  // namespace

SVSerial::SVSerial() = default;

SVSerial::~SVSerial()
{
    m_queue.reset();  // frames already submitted are written before the port is let go
}

ORSSerialPort::Ptr SVSerial::serialPort() const
{
    std::lock_guard lock(m_portMutex);
    return m_serialPort;
}

void SVSerial::setSerialPort(ORSSerialPort::Ptr port)
{
    ORSSerialPort::Ptr previous;
    {
        std::lock_guard lock(m_portMutex);
        previous = std::exchange(m_serialPort, std::move(port));
    }
    // previous is released here, outside the lock
}

SerialQueue& SVSerial::queue()
{
    std::call_once(m_queueCreated, [this] {
        m_queue = std::make_unique<SerialQueue>("org.servodesk.serial-encoder");
        // Frames leave on time on a busy machine, and a servo woken by a frame does not cut in
        // before the queue has gone back to sleep.
        m_queue->async([] { ThreadLatency::requestShortSlice(); });
    });
    return *m_queue;
}

void SVSerial::sendOneSteering(int servoId, int angle, int time)
{
    sendDataNotDelay(frameBody(lowByte(servoId), Move,
                           {lowByte(angle), highByte(angle), lowByte(time), highByte(time)}),
                     0);
}

void SVSerial::sendWriteId(const QString& newId)
{
    sendData(frameBody(broadcastId, WriteId, {byteOf(newId)}), 0);
}

void SVSerial::sendReadId()
{
    sendData(frameBody(broadcastId, ReadId), 0);
}

void SVSerial::sendWriteDeviationId(const QString& servoId, const QString& angel)
{
    sendDataNotDelay(frameBody(byteOf(servoId), AdjustDeviation, {byteOf(angel)}), 0);
}

void SVSerial::sendWriteSaveDeviationWithId(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), SaveDeviation), 0);
}

void SVSerial::sendReadDeviationWithId(int servoId)
{
    sendData(frameBody(lowByte(servoId), ReadDeviation), 0);
}

void SVSerial::sendWriteAngle(const QString& servoId, const QString& minAngle, const QString& maxAngle)
{
    const qint64 minimum = SVTextValue::integerValue(minAngle);
    const qint64 maximum = SVTextValue::integerValue(maxAngle);
    sendData(frameBody(byteOf(servoId), WriteAngleLimit,
                   {lowByte(minimum), highByte(minimum), lowByte(maximum), highByte(maximum)}),
             0);
}

void SVSerial::sendReadAngleLimit(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), ReadAngleLimit), 0);
}

void SVSerial::sendWriteVoltage(const QString& servoId, const QString& minAngle, const QString& maxAngle)
{
    const qint32 minimum = SVFrameTools::millivoltsFromVoltText(minAngle);
    const qint32 maximum = SVFrameTools::millivoltsFromVoltText(maxAngle);
    sendData(frameBody(byteOf(servoId), WriteVoltageLimit,
                   {lowByte(minimum), highByte(minimum), lowByte(maximum), highByte(maximum)}),
             0);
}

void SVSerial::sendReadVoltageLimit(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), ReadVoltageLimit), 0);
}

void SVSerial::sendWriteMaxTemp(const QString& servoId, const QString& state)
{
    sendData(frameBody(byteOf(servoId), WriteMaxTemperature, {byteOf(state)}), 0);
}

void SVSerial::sendReadTempLimit(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), ReadMaxTemperature), 0);
}

void SVSerial::sendReadTemp(int servoId)
{
    sendData(frameBody(lowByte(servoId), ReadTemperature), 0);
}

void SVSerial::sendReadVoltage(int servoId)
{
    sendData(frameBody(lowByte(servoId), ReadVoltage), 0);
}

void SVSerial::sendReadPostion(int servoId)
{
    sendData(frameBody(lowByte(servoId), ReadPosition), 0);
}

SVSerial::SpeedBytes SVSerial::speedBytesFromText(const QString& speed)
{
    // A negative speed arrives either as decimal text ("-100") or, from the speed slider, as its
    // 32-bit two's complement in eight hexadecimal digits ("ffffff9c"). A text beginning with a
    // sign is always decimal, so that "-1000" is not taken for the hexadecimal form.
    const QString trimmed = speed.trimmed();
    const bool signedDecimal = trimmed.startsWith(u'-') || trimmed.startsWith(u'+');
    if (trimmed.size() > 4 && !signedDecimal) {
        const QStringView lastFour = QStringView(trimmed).right(4);
        return {hexByte(lastFour.mid(2, 2)), hexByte(lastFour.mid(0, 2))};
    }
    const qint64 value = SVTextValue::integerValue(speed);
    return {lowByte(value), highByte(value)};
}

void SVSerial::sendSpeed(const QString& servoId, const QString& speed, int tip)
{
    const SpeedBytes bytes = speedBytesFromText(speed);
    sendDataNotDelay(frameBody(byteOf(servoId), ModeAndSpeed, {lowByte(tip), 0xFF, bytes.low, bytes.high}), 0);
}

void SVSerial::sendMotorLoadOrUload(int servoId, bool load)
{
    sendData(frameBody(lowByte(servoId), WriteMotorLoad, {uint8_t(load ? 0 : 1)}), 0);
}

void SVSerial::sendReadMotorLoadOrUload(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), ReadMotorLoad), 0);
}

void SVSerial::sendWriteLed(const QString& servoId, bool on)
{
    sendData(frameBody(byteOf(servoId), WriteLed, {uint8_t(on ? 0 : 1)}), 0);
}

void SVSerial::sendLedRead(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), ReadLed), 0);
}

void SVSerial::sendWriteLedError(const QString& servoId, const QString& state)
{
    sendData(frameBody(byteOf(servoId), WriteLedAlarm, {byteOf(state)}), 0);
}

void SVSerial::sendLedErrorRead(const QString& servoId)
{
    sendData(frameBody(byteOf(servoId), ReadLedAlarm), 0);
}

void SVSerial::sendReadServoInfoWithId(const QString& servoId)
{
    sendReadAngleLimit(servoId);
    sendReadVoltageLimit(servoId);
    sendReadTempLimit(servoId);
    sendLedRead(servoId);
    sendLedErrorRead(servoId);
    sendReadDeviationWithId(SVTextValue::intValue(servoId));
}

void SVSerial::sendByte(const uint8_t* bytes, int length)
{
    sendData(QByteArray(reinterpret_cast<const char*>(bytes), length), 0);
}

void SVSerial::sendData(const QByteArray& data, double /*delayTime*/)
{
    enqueueFrame(data, true);
}

void SVSerial::sendDataNotDelay(const QByteArray& data, double /*delayTime*/)
{
    enqueueFrame(data, false);
}

void SVSerial::beginWriteGroup()
{
    m_openGroup = std::make_shared<WriteGroup>();
}

void SVSerial::endWriteGroup(QObject* context, std::function<void(WriteReport)> done)
{
    std::shared_ptr<WriteGroup> group = std::exchange(m_openGroup, nullptr);
    if (!group)
        group = std::make_shared<WriteGroup>();
    queue().async([group, receiver = QPointer<QObject>(context), done = std::move(done)] {
        const WriteReport report{group->queued, group->written};
        if (receiver)
            QMetaObject::invokeMethod(receiver, [done, report] { done(report); }, Qt::QueuedConnection);
    });
}

void SVSerial::enqueueFrame(const QByteArray& frame, bool logAndPause)
{
    std::shared_ptr<WriteGroup> group = m_openGroup;
    if (group)
        ++group->queued;
    queue().async([this, frame, logAndPause, group] {
        if (group && group->broken)
            return;  // an earlier frame of the group did not go out: the rest would leave it half done
        const QByteArray bytes = SVFrameTools::frameWithChecksum(frame);
        if (logAndPause)
            SVFrameTools::logData(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                  static_cast<int>(bytes.size()));
        // The port is taken at the moment of writing: frames queued before a close are dropped.
        const ORSSerialPort::Ptr port = serialPort();
        const bool open = port && port->isOpen();
        const bool written = open && port->sendData(bytes);
        if (group) {
            group->written += written ? 1 : 0;
            group->broken = !written;
        }
        if (open && logAndPause)
            queue().holdNextTask(queuedFramePause);
    });
}
