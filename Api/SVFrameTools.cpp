#include "Api/SVFrameTools.h"

#include "Api/SVTextValue.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>
#include <utility>

namespace {

// The frame log kept back while held; frames beyond the cap are dropped, not the first ones.
constexpr qsizetype heldLogCap = 4 << 20;
struct HeldFrames {
    std::mutex mutex;
    bool held = false;
    QByteArray text;
};

HeldFrames& heldFrames()
{
    static HeldFrames frames;
    return frames;
}

template <typename Int>
Int saturatingCast(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    if (value <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    return static_cast<Int>(value);
}

}  // namespace

QByteArray SVFrameTools::frameLogText(const uint8_t* bytes, int length)
{
    QByteArray text = "10进制\n[";
    for (int i = 0; i < length; ++i)
        text += QByteArray::number(bytes[i]) + ' ';
    text += "]\n16进制\n[";
    for (int i = 0; i < length; ++i)
        text += QByteArray::number(bytes[i], 16) + ' ';
    text += "]\n";
    return text;
}

void SVFrameTools::logData(const uint8_t* bytes, int length)
{
    const QByteArray text = frameLogText(bytes, length);
    {
        HeldFrames& frames = heldFrames();
        std::lock_guard lock(frames.mutex);
        if (frames.held) {
            if (frames.text.size() + text.size() <= heldLogCap)
                frames.text += text;
            return;
        }
    }
    // The frame log on standard output is part of the program's log: keep it.
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    std::fflush(stdout);
}

void SVFrameTools::setLogHeld(bool held)
{
    HeldFrames& frames = heldFrames();
    std::lock_guard lock(frames.mutex);
    frames.held = held;
}

QByteArray SVFrameTools::takeHeldLog()
{
    HeldFrames& frames = heldFrames();
    std::lock_guard lock(frames.mutex);
    return std::exchange(frames.text, {});
}

uint8_t SVFrameTools::checksum(const uint8_t* frame, int length)
{
    return SVProtocol::checksum(QByteArrayView(frame, length));
}

QByteArray SVFrameTools::frameWithChecksum(const QByteArray& frame)
{
    return frame + char(SVProtocol::checksum(frame));
}

qint64 SVFrameTools::returnNum16ToNum10WithLow(const QString& low, const QString& hight)
{
    const auto byteOf = [](const QString& text) { return uint8_t(SVTextValue::integerValue(text) & 0xFF); };
    return SVProtocol::settingsPageWord(SVProtocol::wordFrom(byteOf(low), byteOf(hight)));
}

qint32 SVFrameTools::millivoltsFromVoltText(const QString& volts)
{
    const float millivolts = SVTextValue::floatValue(volts) * 1000.0f;
    return saturatingCast<qint32>(static_cast<double>(std::trunc(millivolts)));
}

QString SVFrameTools::convertBinarySystemFromDecimalSystem(const QString& decimal)
{
    auto value = static_cast<uint32_t>(SVTextValue::intValue(decimal));
    if (value == 0)
        return QStringLiteral("0");
    QString digits;
    for (; value != 0; value >>= 1)
        digits.prepend(value & 1 ? u'1' : u'0');
    return digits;
}

QString SVFrameTools::convertDecimalSystemFromBinarySystem(const QString& binary)
{
    const qsizetype length = binary.size();
    double sum = 0;
    for (qsizetype position = 0; position < length; ++position) {
        const int digit = SVTextValue::intValue(QString(binary.at(position)));
        const float power = std::pow(2.0f, static_cast<float>(length - 1 - position));
        sum += static_cast<double>(static_cast<float>(digit) * power);
    }
    return QString::number(saturatingCast<qint64>(sum));
}

QString SVFrameTools::alarmDigitsFromFlags(const AlarmFlags& flags)
{
    return QString::asprintf("%d%d%d", flags.stall ? 1 : 0, flags.overVoltage ? 1 : 0,
                             flags.overTemperature ? 1 : 0);
}
