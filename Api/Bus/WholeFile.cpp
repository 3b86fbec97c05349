#include "Api/Bus/WholeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Failure writeFailure(const QString& path, const QString& what)
{
    return Failure::failed(QStringLiteral("cannot write %1: %2").arg(path, what));
}

// The file a link points to, so that the file is replaced and the link kept.
QByteArray followLink(const QString& path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.isSymLink() && info.exists() ? info.canonicalFilePath() : path);
}

// Writes every byte, resuming after interruptions and partial writes; the errno of a failure.
int writeAll(int descriptor, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        data += written;
        size -= written;
    }
    return 0;
}

bool isRegularOrMissing(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) != 0 ? errno == ENOENT : S_ISREG(info.st_mode);
}

// The mode a new file at path gets: that of the file it replaces, or what the umask leaves of rw-rw-rw-.
mode_t modeFor(const QByteArray& path)
{
    struct stat info {};
    if (::stat(path.constData(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A temporary file beside path: its descriptor (or -1 with errno) and its name in temporaryPath.
int openTemporaryBeside(const QByteArray& path, QByteArray* temporaryPath)
{
    const QFileInfo info(QFile::decodeName(path));
    *temporaryPath = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
    const int descriptor = ::mkostemp(temporaryPath->data(), O_CLOEXEC);
    if (descriptor >= 0)
        ::fchmod(descriptor, modeFor(path));
    return descriptor;
}

// Flushes and closes the temporary file, checks the size it holds and gives it path's name.
int commitTemporary(int descriptor, const QByteArray& temporaryPath, const QByteArray& path, qint64 size)
{
    int error = ::fsync(descriptor) != 0 ? errno : 0;
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    struct stat info {};
    if (error == 0 && ::stat(temporaryPath.constData(), &info) != 0)
        error = errno;
    if (error == 0 && info.st_size != size)
        error = ENOSPC;
    if (error == 0 && ::rename(temporaryPath.constData(), path.constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporaryPath.constData());
    return error;
}

bool isNamedPipe(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

// Opens a file that is not a regular one for writing, or -1 with errno. A named pipe opens only once
// a process reads it; the wait for one asks stopWaiting and ends with EINTR when it says to stop.
int openInPlace(const QByteArray& path, const std::function<bool()>& stopWaiting)
{
    for (;;) {
        const int descriptor = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (descriptor >= 0) {
            ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
            return descriptor;
        }
        if (errno != ENXIO || !isNamedPipe(path))
            return -1;
        if (stopWaiting && stopWaiting()) {
            errno = EINTR;
            return -1;
        }
        ::poll(nullptr, 0, 20);
    }
}

int writeInPlace(const QByteArray& path, const QByteArray& bytes, const std::function<bool()>& stopWaiting)
{
    const int descriptor = openInPlace(path, stopWaiting);
    if (descriptor < 0)
        return errno;
    int error = writeAll(descriptor, bytes.constData(), bytes.size());
    if (::close(descriptor) != 0 && error == 0)
        error = errno;
    return error;
}

}  // namespace

namespace WholeFile {

Result<void> write(const QString& path, const QByteArray& bytes, const std::function<bool()>& stopWaiting)
{
    if (path.isEmpty())
        return Failure::usage(QStringLiteral("an empty file name"));
    const QByteArray target = followLink(path);
    int error = 0;
    if (!isRegularOrMissing(target)) {
        error = writeInPlace(target, bytes, stopWaiting);
        if (error == EINTR)
            return Failure::interrupted(QStringLiteral("cannot write %1: no process reads it").arg(path));
    } else {
        QByteArray temporaryPath;
        const int descriptor = openTemporaryBeside(target, &temporaryPath);
        if (descriptor < 0)
            return writeFailure(path, reason(errno));
        error = writeAll(descriptor, bytes.constData(), bytes.size());
        if (error != 0) {
            ::close(descriptor);
            ::unlink(temporaryPath.constData());
        } else {
            error = commitTemporary(descriptor, temporaryPath, target, bytes.size());
        }
    }
    if (error != 0)
        return writeFailure(path, reason(error));
    return {};
}

Result<QByteArray> read(const QString& path, qint64 limit)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return Failure::usage(QStringLiteral("%1: %2").arg(path, reason(errno)));
    struct stat info {};
    QString refusal;
    if (::fstat(descriptor, &info) != 0)
        refusal = reason(errno);
    else if (!S_ISREG(info.st_mode))
        refusal = QStringLiteral("not a regular file");
    else if (info.st_size > limit)
        refusal = QStringLiteral("larger than %1 bytes, too large for a file of this kind").arg(limit);
    QByteArray bytes;
    while (refusal.isEmpty()) {
        char chunk[65536];
        const ssize_t got = ::read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            refusal = reason(errno);
        else if (got == 0)
            break;
        else if (bytes.size() + got > limit)
            refusal = QStringLiteral("larger than %1 bytes, too large for a file of this kind").arg(limit);
        else
            bytes.append(chunk, got);
    }
    ::close(descriptor);
    if (!refusal.isEmpty())
        return Failure::usage(QStringLiteral("%1: %2").arg(path, refusal));
    return bytes;
}

}  // namespace WholeFile

GrowingFile::~GrowingFile()
{
    discard();
}

void GrowingFile::discard()
{
    if (m_descriptor < 0)
        return;
    ::close(m_descriptor);
    m_descriptor = -1;
    if (!m_inPlace)
        ::unlink(m_temporaryPath.constData());
}

Result<void> GrowingFile::failure(int error)
{
    discard();
    return writeFailure(m_path, reason(error));
}

Result<void> GrowingFile::open(const QString& path)
{
    discard();
    m_path = path;
    m_buffer.clear();
    m_written = 0;
    if (path.isEmpty())
        return Failure::usage(QStringLiteral("an empty file name"));
    const QByteArray target = followLink(path);
    m_target = target;
    m_inPlace = !isRegularOrMissing(target);
    m_descriptor = m_inPlace ? ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY)
                             : openTemporaryBeside(target, &m_temporaryPath);
    if (m_descriptor < 0)
        return writeFailure(path, reason(errno));
    return {};
}

Result<void> GrowingFile::append(const QByteArray& bytes)
{
    if (m_descriptor < 0)
        return writeFailure(m_path, QStringLiteral("not open"));
    m_buffer.append(bytes);
    if (m_buffer.size() >= 65536)
        return flush();
    return {};
}

Result<void> GrowingFile::flush()
{
    if (m_descriptor < 0)
        return writeFailure(m_path, QStringLiteral("not open"));
    if (const int error = writeAll(m_descriptor, m_buffer.constData(), m_buffer.size()); error != 0)
        return failure(error);
    m_written += m_buffer.size();
    m_buffer.clear();
    return {};
}

Result<void> GrowingFile::finish()
{
    if (Result<void> flushed = flush(); !flushed)
        return flushed;
    const int descriptor = std::exchange(m_descriptor, -1);
    int error = 0;
    if (m_inPlace)
        error = ::close(descriptor) != 0 ? errno : 0;
    else
        error = commitTemporary(descriptor, m_temporaryPath, m_target, m_written);
    if (error != 0)
        return writeFailure(m_path, reason(error));
    return {};
}
