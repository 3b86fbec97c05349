// Files that are written whole or not at all, and read only when they are what they claim to be.
// A write goes to a temporary file beside its target (the file a link points to); every write, the flush to the disk and the
// close are checked, and so is the size the disk holds, before it takes the target's name. Until
// then the previous file stays as it was. A target that is not a regular file (/dev/null, a pipe,
// a terminal) is written in place, every write checked; a named pipe once a process reads it.
#pragma once

#include "Api/Bus/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace WholeFile {

// Larger than any settings or motion file a bus of 254 servos makes.
constexpr qint64 readLimit = 4 * 1024 * 1024;

// Waits for a reader of a named pipe until stopWaiting, asked every few milliseconds, says to stop:
// then an interrupted failure.
Result<void> write(const QString& path, const QByteArray& bytes, const std::function<bool()>& stopWaiting = {});
// The bytes of a regular file of at most limit bytes; opening never blocks (a FIFO is refused).
Result<QByteArray> read(const QString& path, qint64 limit = readLimit);

}  // namespace WholeFile

// A file that grows while work goes on (rows of a live recording): appended to under a temporary
// name and flushed as it goes, so that what was recorded survives an abrupt end; finish() gives it
// its name. When anything fails, or it is destroyed unfinished, the temporary file goes and the
// previous file at the path stays whole.
class GrowingFile {
public:
    GrowingFile() = default;
    ~GrowingFile();
    GrowingFile(const GrowingFile&) = delete;
    GrowingFile& operator=(const GrowingFile&) = delete;

    Result<void> open(const QString& path);
    bool isOpen() const { return m_descriptor >= 0; }
    QString path() const { return m_path; }
    // Buffered; flush() hands the buffer to the file.
    Result<void> append(const QByteArray& bytes);
    Result<void> flush();
    Result<void> finish();

private:
    void discard();
    Result<void> failure(int error);

    QString m_path;
    QByteArray m_target;  // the file itself, a link followed
    QByteArray m_temporaryPath;
    QByteArray m_buffer;
    qint64 m_written = 0;
    int m_descriptor = -1;
    bool m_inPlace = false;
};
