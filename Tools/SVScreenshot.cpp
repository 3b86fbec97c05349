#include "Tools/SVScreenshot.h"

#include "Tools/BundleLanguage.h"

#include "Api/Bus/WholeFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString screenshotOption = QStringLiteral("--screenshot");
const QString pageOption = QStringLiteral("--page");
const QString languageOption = QStringLiteral("--language");

}  // namespace

SVScreenshotOptions SVScreenshotOptions::fromArguments(const QStringList& arguments)
{
    SVScreenshotOptions options;
    bool pageGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument != screenshotOption && argument != pageOption && argument != languageOption)
            continue;
        if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QStringLiteral("--"))) {
            options.errors.append(QStringLiteral("%1 needs a value").arg(argument));
            continue;
        }
        const QString value = arguments.at(++i);
        if (argument == screenshotOption) {
            if (value.isEmpty())
                options.errors.append(QStringLiteral("--screenshot needs the name of a PNG file"));
            options.file = value;
        } else if (argument == pageOption) {
            pageGiven = true;
            if (value == QLatin1String("basic"))
                options.page = Page::Basic;
            else if (value == QLatin1String("parameters"))
                options.page = Page::Parameters;
            else if (value == QLatin1String("about"))
                options.page = Page::About;
            else if (value == QLatin1String("motion"))
                options.page = Page::Motion;
            else if (value == QLatin1String("robot"))
                options.page = Page::Robot;
            else if (value == QLatin1String("assign"))
                options.page = Page::Assign;  // the Robot page's Assign IDs… panel
            else
                options.errors.append(QStringLiteral("--page must be basic, parameters, about, motion, robot or assign, not \"%1\"").arg(value));
        } else {
            if (BundleLanguage::displayNameForCode(value).isEmpty())
                options.errors.append(QStringLiteral("--language must be en, zh-Hans or zh-Hant, not \"%1\"").arg(value));
            else
                options.language = value;
        }
    }
    if (!options.requested() && pageGiven)
        options.errors.append(QStringLiteral("--page only goes with --screenshot FILE"));
    return options;
}

QString SVScreenshotOptions::whyNotWritable(const QString& file)
{
    const QFileInfo target(file);
    if (target.isDir())
        return QStringLiteral("it is a folder");
    // A device or pipe is written in place, so its folder need not be writable.
    if (target.exists() && !target.isFile()) {
        if (::access(QFile::encodeName(file).constData(), W_OK) != 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    if (::access(folder.constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (target.exists() && ::access(QFile::encodeName(file).constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

Result<void> SVScreenshotOptions::save(QWidget* window, const QString& file)
{
    // Encoded in memory first: the encoder never meets a failing write (it would leak a row), and
    // the file is written whole or not at all.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !window->grab().save(&buffer, "PNG"))
        return Failure::failed(QStringLiteral("cannot write %1: the window could not be encoded as PNG").arg(file));
    return WholeFile::write(file, png);
}
