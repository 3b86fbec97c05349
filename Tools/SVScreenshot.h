// The screenshot option: "--screenshot FILE [--page basic|parameters|about|motion|robot|assign]
// [--language en|zh-Hans|zh-Hant]" renders the window after start-up to a PNG file and exits.
// "--language" without a screenshot chooses the language of the window and saves it.
#pragma once

#include "Api/Bus/Result.h"

#include <QString>
#include <QStringList>

class QWidget;

struct SVScreenshotOptions {
    enum class Page { Basic, Parameters, About, Motion, Robot, Assign };

    QString file;      // empty when no screenshot is asked for
    Page page = Page::Basic;
    QString language;  // a language code, or empty for the language saved in the user's settings
    QStringList errors;

    bool requested() const { return !file.isEmpty(); }

    // Reads the screenshot options among arguments (program name first); other arguments are left.
    static SVScreenshotOptions fromArguments(const QStringList& arguments);

    // Why file cannot be written (the system's reason), or empty when it can.
    static QString whyNotWritable(const QString& file);

    // Renders window, as it is now, into file as PNG, written whole or not at all: a regular file
    // is replaced only once the whole picture is on disk, so a file already there stays as it was
    // when writing fails; a device or pipe is written to directly.
    static Result<void> save(QWidget* window, const QString& file);
};
