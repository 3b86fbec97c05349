#include "Tools/SVInfoOptions.h"

#include <QFileInfo>

#include <cstdio>

std::optional<int> SVInfoOptions::handle(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return handle(arguments);
}

std::optional<int> SVInfoOptions::handle(const QStringList& arguments)
{
    const QString program = arguments.isEmpty() ? QStringLiteral("servodesk") : QFileInfo(arguments.first()).fileName();
    // The value of an option that takes one is never read as an option itself.
    static const QStringList optionsWithValue = {QStringLiteral("--port"), QStringLiteral("--screenshot"),
                                                 QStringLiteral("--page"), QStringLiteral("--language")};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsWithValue.contains(argument)) {
            ++i;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(qPrintable(helpText(program)), stdout);
            return 0;
        }
        if (argument == QLatin1String("--version")) {
            std::fputs(qPrintable(versionText()), stdout);
            return 0;
        }
    }
    return std::nullopt;
}

QString SVInfoOptions::helpText(const QString& programName)
{
    return QStringLiteral(
               "Usage: %1 [options]\n"
               "Sets up and exercises serial bus servos behind a USB serial adapter.\n"
               "\n"
               "Options:\n"
               "  --port PATH     also list the device node PATH as a port (a pseudo-terminal,\n"
               "                  a socat link); may be given more than once\n"
               "  --demo          add built-in virtual servos: the port \"virtual-servo\" holds one\n"
               "                  servo alone (ID 1), the port \"virtual-bus\" servos 1, 2 and 7\n"
               "  --demo-servos N with --demo: the port \"virtual-bus\" holds servos 1 to N\n"
               "  --demo-new N    like --demo, but the port \"virtual-bus\" starts empty: Assign IDs…\n"
               "                  on the Robot page connects a new servo at ID 1 each time it asks\n"
               "  --list-ports    print the serial ports found and exit\n"
               "  --language en|zh-Hans|zh-Hant\n"
               "                  show the window in English, Simplified or Traditional Chinese, and\n"
               "                  keep that language for later starts\n"
               "  --screenshot FILE [--page basic|parameters|about|motion|robot|assign] [--language en|zh-Hans|zh-Hant]\n"
               "                  render the window to the PNG file FILE after start-up and exit;\n"
               "                  the saved language is neither used nor changed\n"
               "  -h, --help      print this help and exit\n"
               "  --version       print the version and exit\n"
               "\n"
               "Qt's standard options, such as -platform, are accepted as well.\n")
        .arg(programName);
}

QString SVInfoOptions::versionText()
{
    return QStringLiteral("ServoDesk %1\n").arg(QStringLiteral(SERVODESK_VERSION));
}
