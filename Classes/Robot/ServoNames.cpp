#include "Classes/Robot/ServoNames.h"

ServoNames& ServoNames::shared()
{
    static ServoNames names;
    return names;
}

QString ServoNames::label(int id) const
{
    const QString name = m_names.value(id);
    return name.isEmpty() ? QString::number(id) : QStringLiteral("%1 %2").arg(id).arg(name);
}

void ServoNames::setNames(const QMap<int, QString>& names)
{
    if (names == m_names)
        return;
    m_names = names;
    emit changed();
}
