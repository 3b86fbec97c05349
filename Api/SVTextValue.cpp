#include "Api/SVTextValue.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

qsizetype skipSpace(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return i;
}

// The leading "[sign]digits[.digits][e[sign]digits]" of text, after white space; empty if none.
QString leadingDecimal(const QString& text)
{
    qsizetype i = skipSpace(text);
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    qsizetype digits = 0;
    for (; i < text.size() && isAsciiDigit(text.at(i)); ++i)
        ++digits;
    if (i < text.size() && text.at(i) == u'.') {
        qsizetype j = i + 1;
        for (; j < text.size() && isAsciiDigit(text.at(j)); ++j)
            ++digits;
        i = j;
    }
    if (digits == 0)
        return {};
    if (i < text.size() && (text.at(i) == u'e' || text.at(i) == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text.at(j) == u'+' || text.at(j) == u'-'))
            ++j;
        if (j < text.size() && isAsciiDigit(text.at(j))) {
            while (j < text.size() && isAsciiDigit(text.at(j)))
                ++j;
            i = j;
        }
    }
    return text.mid(start, i - start);
}

}  // namespace

namespace SVTextValue {

qint64 integerValue(const QString& text)
{
    qsizetype i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        negative = text.at(i++) == u'-';
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();
    qint64 value = 0;  // accumulated with the sign applied, so that the minimum is reachable
    for (; i < text.size() && isAsciiDigit(text.at(i)); ++i) {
        const int digit = text.at(i).unicode() - u'0';
        if (negative) {
            if (value < (min + digit) / 10)
                return min;
            value = value * 10 - digit;
        } else {
            if (value > (max - digit) / 10)
                return max;
            value = value * 10 + digit;
        }
    }
    return value;
}

int intValue(const QString& text)
{
    const qint64 value = integerValue(text);
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double doubleValue(const QString& text)
{
    const QString number = leadingDecimal(text);
    if (number.isEmpty())
        return 0.0;
    const double value = number.toDouble();  // C locale; infinite on overflow
    if (std::isinf(value))
        return value > 0 ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
    return value;
}

float floatValue(const QString& text)
{
    const double value = doubleValue(text);
    return float(std::clamp<double>(value, std::numeric_limits<float>::lowest(), std::numeric_limits<float>::max()));
}

}  // namespace SVTextValue
