#include "Api/Source/NodePath.h"

namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at index, or 0 when the byte there does not start one.
qsizetype sequenceLength(const QByteArray& bytes, qsizetype index)
{
    const uchar lead = uchar(bytes[index]);
    qsizetype length = 0;
    uchar secondLow = 0x80;
    uchar secondHigh = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        secondHigh = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (index + length > bytes.size())
        return 0;
    const uchar second = uchar(bytes[index + 1]);
    if (second < secondLow || second > secondHigh)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if (!isContinuation(uchar(bytes[index + i])))
            return 0;
    }
    return length;
}

bool isEscapedByte(const QString& path, qsizetype index)
{
    const char16_t unit = path[index].unicode();
    const bool pairedWithHigh = index > 0 && path[index - 1].isHighSurrogate();
    return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF && !pairedWithHigh;
}

}  // namespace

QString NodePath::fromBytes(const QByteArray& bytes)
{
    QString path;
    qsizetype index = 0;
    while (index < bytes.size()) {
        if (const qsizetype length = sequenceLength(bytes, index)) {
            path += QString::fromUtf8(bytes.constData() + index, length);
            index += length;
        } else {
            path += QChar(char16_t(escapeBase + uchar(bytes[index])));
            ++index;
        }
    }
    return path;
}

QByteArray NodePath::toBytes(const QString& path)
{
    QByteArray bytes;
    for (qsizetype index = 0; index < path.size(); ++index) {
        if (isEscapedByte(path, index)) {
            bytes += char(path[index].unicode() - escapeBase);
        } else if (path[index].isHighSurrogate() && index + 1 < path.size() && path[index + 1].isLowSurrogate()) {
            bytes += path.mid(index, 2).toUtf8();
            ++index;
        } else {
            bytes += QString(path[index]).toUtf8();
        }
    }
    return bytes;
}
