// Protocol-level helpers shared by the encoder, the reply decoder and the write workflow:
// the frame log, the checksum, and the conversions between wire bytes, texts and numbers.
#pragma once

#include "Api/Bus/Protocol.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdint>

class SVFrameTools {
public:
    // The three LED alarm conditions, as the three flag switches of the window show them.
    using AlarmFlags = SVProtocol::AlarmFlags;

    // Writes a frame to standard output as four lines: a decimal title and list, then a
    // hexadecimal title and list. Flushed, so that the log keeps pace with the writes.
    static void logData(const uint8_t* bytes, int length);
    // The same four lines as text.
    static QByteArray frameLogText(const uint8_t* bytes, int length);
    // While held, the log is kept in memory (up to a few megabytes) instead of written: a run that
    // only renders the window keeps quiet unless it fails. takeHeldLog() hands over what was kept.
    static void setLogHeld(bool held);
    static QByteArray takeHeldLog();

    // One's complement of the 8-bit sum of every byte after the two header bytes.
    static uint8_t checksum(const uint8_t* frame, int length);
    // A copy of frame with its checksum appended.
    static QByteArray frameWithChecksum(const QByteArray& frame);

    // Two reply byte texts to a number: low + 256 x high, except that a high byte of 255 gives
    // low - 256 (FF FF is -1, 9C FF is -100).
    static qint64 returnNum16ToNum10WithLow(const QString& low, const QString& hight);
    // The same rule on two bytes (0-255 each).
    static qint64 wordFromBytes(int low, int high);

    // A deviation byte (0-255): above 125 it stands for byte - 256.
    static qint64 deviationFromByte(int byte);
    // The deviation reply rule on texts: a byte above 125 becomes byte - 256, otherwise the text
    // is kept as it is.
    static QString deviationTextFromByteText(const QString& byteText);

    static double voltsFromMillivolts(qint64 millivolts);
    // A voltage text in volts to millivolts: 32-bit float value x 1000, truncated toward zero
    // (saturated at the 32-bit range rather than overflowing).
    static qint32 millivoltsFromVoltText(const QString& volts);

    // Decimal text to its binary digits, most significant first, no leading zeros ("5" -> "101").
    static QString convertBinarySystemFromDecimalSystem(const QString& decimal);
    // Binary digit text to decimal text: sum of digit x 2^(length - 1 - position), the power in
    // single precision ("111" -> "7").
    static QString convertDecimalSystemFromBinarySystem(const QString& binary);

    // The alarm byte's text to its three-digit flag string: its binary digits read as a number
    // and formatted "%03d" (1 -> "001", 6 -> "110").
    static QString alarmDigitsFromByteText(const QString& byteText);
    // Characters 1, 2 and 3 of a flag string: stall, over-voltage, over-temperature.
    static AlarmFlags alarmFlagsFromDigits(const QString& digits);
    // The flag string "%d%d%d" that the write workflow builds from the three switches.
    static QString alarmDigitsFromFlags(const AlarmFlags& flags);
};
