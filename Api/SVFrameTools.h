// Protocol-level helpers shared by the encoder and the write workflow: the frame log, the checksum,
// and the conversions between texts and numbers that the window's controls carry.
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

    // Two reply byte texts to a number as the settings page shows it: low + 256 x high, except that
    // a high byte of 255 gives low - 256 (FF FF is -1, 9C FF is -100).
    static qint64 returnNum16ToNum10WithLow(const QString& low, const QString& hight);

    // A voltage text in volts to millivolts: 32-bit float value x 1000, truncated toward zero
    // (saturated at the 32-bit range rather than overflowing).
    static qint32 millivoltsFromVoltText(const QString& volts);

    // Decimal text to its binary digits, most significant first, no leading zeros ("5" -> "101").
    static QString convertBinarySystemFromDecimalSystem(const QString& decimal);
    // Binary digit text to decimal text: sum of digit x 2^(length - 1 - position), the power in
    // single precision ("111" -> "7").
    static QString convertDecimalSystemFromBinarySystem(const QString& binary);

    // The flag string "%d%d%d" that the write workflow builds from the three switches.
    static QString alarmDigitsFromFlags(const AlarmFlags& flags);
};
