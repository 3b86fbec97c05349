#include "Api/Bus/ServoIdList.h"

#include "Api/Bus/Protocol.h"

#include <QRegularExpression>

namespace ServoIdList {

Result<QList<int>> parse(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    static const QRegularExpression part(QStringLiteral("^(\\d{1,3})(?:-(\\d{1,3}))?$"));
    const Failure notAList = Failure::usage(QStringLiteral("\"%1\" is not a list of IDs such as %2-%3 or 1,2,7")
                                                .arg(text).arg(SVProtocol::lowestServoId).arg(SVProtocol::highestServoId));
    const QStringList parts = text.split(separators, Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return notAList;
    QList<int> ids;
    for (const QString& written : parts) {
        const QRegularExpressionMatch match = part.match(written);
        if (!match.hasMatch())
            return notAList;
        const int first = match.captured(1).toInt();
        const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
        if (last < first)
            return notAList;
        if (last > SVProtocol::highestServoId)
            return Failure::usage(QStringLiteral("servo ID %1 is out of range %2-%3")
                                      .arg(last).arg(SVProtocol::lowestServoId).arg(SVProtocol::highestServoId));
        for (int id = first; id <= last; ++id)
            ids.append(id);
    }
    return ids;
}

}  // namespace ServoIdList
