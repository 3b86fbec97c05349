// A virtual bus on a pseudo-terminal, paced like a real line at 115200 bit/s, in a process of its own:
//   virtual_bus_server [IDS]      IDS: a count N (servos 1 to N) or a list such as 1,2,7 (the default)
// prints the pseudo-terminal's path on a line, then serves until its standard input closes.
#include "VirtualServo/VirtualServo.h"
#include "Api/Bus/Protocol.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

#include <unistd.h>

namespace {

QList<int> idsFrom(const QString& text)
{
    bool isCount = false;
    const int count = text.toInt(&isCount);
    QList<int> ids;
    if (isCount) {
        for (int id = 1; id <= count && count <= SVProtocol::highestServoId; ++id)
            ids.append(id);
        return ids;
    }
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool isId = false;
        const int id = part.toInt(&isId);
        if (!isId || id < 0 || id > SVProtocol::highestServoId)
            return {};
        ids.append(id);
    }
    return ids;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QList<int> ids = idsFrom(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1,2,7"));
    if (ids.isEmpty()) {
        std::fprintf(stderr, "usage: virtual_bus_server [N | ID,ID,...]\n");
        return 2;
    }
    VirtualServo bus(VirtualServo::servosWithIds(ids));
    if (!bus.isValid()) {
        std::fprintf(stderr, "virtual_bus_server: %s\n", qPrintable(bus.errorString()));
        return 1;
    }
    bus.setLinePacing(true);
    std::printf("%s\n", qPrintable(bus.slavePath()));
    std::fflush(stdout);
    // The bus answers from its own thread; this one only waits for the end of its input.
    char ignored[64];
    while (::read(STDIN_FILENO, ignored, sizeof ignored) > 0) {
    }
    return 0;
}
