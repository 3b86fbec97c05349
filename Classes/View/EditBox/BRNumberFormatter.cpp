#include "Classes/View/EditBox/BRNumberFormatter.h"

BRNumberFormatter::BRNumberFormatter(QObject* parent)
    : QValidator(parent)
{
}

void BRNumberFormatter::setMax(quint64 max)
{
    m_max = max;
    emit changed();
}

bool BRNumberFormatter::isPartialStringValid(const QString& proposed) const
{
    if (proposed.isEmpty())
        return true;
    for (QChar character : proposed) {
        if (character < QLatin1Char('0') || character > QLatin1Char('9'))
            return false;
    }
    bool parsed = false;
    const quint64 number = proposed.toULongLong(&parsed);  // fails on numbers beyond 64 bits
    return parsed && number <= m_max;
}

QValidator::State BRNumberFormatter::validate(QString& input, int&) const
{
    return isPartialStringValid(input) ? Acceptable : Invalid;
}
