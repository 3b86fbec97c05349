#include "Tools/SVScreenshot.h"

#include "Tools/BundleLanguage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QRandomGenerator>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString screenshotOption = QStringLiteral("--screenshot");
const QString pageOption = QStringLiteral("--page");
const QString languageOption = QStringLiteral("--language");

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of data to fd. Returns 0, or the error that stopped it.
int writeAll(int fd, const QByteArray& data)
{
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        written += n;
    }
    return 0;
}

// Closes fd; returns the first of `error` and the close's own error.
int closeKeepingError(int fd, int error)
{
    if (::close(fd) != 0 && error == 0)
        return errno;
    return error;
}

// A device or pipe (/dev/stdout, /dev/full) cannot be replaced, only written to.
QString writeInPlace(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return systemReason(errno);
    const int error = closeKeepingError(fd, writeAll(fd, data));
    return error == 0 ? QString() : systemReason(error);
}

// Writes data to a new file beside path, checks that all of it reached the disk, and only then
// renames it over path. On any failure the new file is removed and path is left as it was.
QString replaceWhole(const QByteArray& path, const QByteArray& data, const struct stat* previous)
{
    const QFileInfo target(QFile::decodeName(path));
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = QFile::encodeName(QStringLiteral("%1/.%2.%3.tmp")
                                          .arg(target.absolutePath(), target.fileName())
                                          .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return systemReason(errno);
    }
    if (fd < 0)
        return systemReason(EEXIST);
    int error = writeAll(fd, data);
    if (error == 0 && previous && ::fchmod(fd, previous->st_mode & 0777) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    struct stat written {};
    if (error == 0 && ::fstat(fd, &written) != 0)
        error = errno;
    error = closeKeepingError(fd, error);
    QString reason = error != 0 ? systemReason(error)
        : written.st_size != data.size()
        ? QStringLiteral("only %1 of %2 bytes were written").arg(written.st_size).arg(data.size())
        : QString();
    if (reason.isEmpty() && ::rename(temporary.constData(), path.constData()) != 0)
        reason = systemReason(errno);
    if (!reason.isEmpty())
        ::unlink(temporary.constData());
    return reason;
}

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
            else
                options.errors.append(QStringLiteral("--page must be basic, parameters or about, not \"%1\"").arg(value));
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

QString SVScreenshotOptions::save(QWidget* window, const QString& file)
{
    // Encoded in memory first: the encoder never meets a failing write, and the file is written
    // in one piece by code that checks every step.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !window->grab().save(&buffer, "PNG"))
        return QStringLiteral("the window could not be encoded as PNG");
    // A link is followed, so that the file it points to is the one replaced.
    const QFileInfo target(file);
    const QByteArray path =
        QFile::encodeName(target.isSymLink() && target.exists() ? target.canonicalFilePath() : file);
    struct stat existing {};
    if (::stat(path.constData(), &existing) != 0)
        return errno == ENOENT ? replaceWhole(path, png, nullptr) : systemReason(errno);
    if (S_ISDIR(existing.st_mode))
        return QStringLiteral("it is a folder");
    return S_ISREG(existing.st_mode) ? replaceWhole(path, png, &existing) : writeInPlace(path, png);
}
