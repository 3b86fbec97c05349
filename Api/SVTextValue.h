// The number at the start of a text, read the way every entry field and label of the window is read:
// leading white space skipped, an optional sign, then the leading digits ("85 ℃" reads as 85).
// A text without a leading number reads as 0; a number beyond the type's range saturates.
#pragma once

#include <QString>
#include <QtGlobal>

namespace SVTextValue {

qint64 integerValue(const QString& text);  // 64-bit
int intValue(const QString& text);         // 32-bit
float floatValue(const QString& text);     // digits, optional fraction and exponent
double doubleValue(const QString& text);

}  // namespace SVTextValue
