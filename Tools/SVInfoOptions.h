// The command-line options that answer and exit without opening a window: "--help" and "--version".
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class SVInfoOptions {
public:
    // When the arguments (program name first) ask for help or the version, prints it on standard
    // output and returns the exit status; otherwise returns nothing and the program starts as usual.
    static std::optional<int> handle(int argc, char** argv);
    static std::optional<int> handle(const QStringList& arguments);

    static QString helpText(const QString& programName);
    static QString versionText();
};
