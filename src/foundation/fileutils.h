// Atomic writing of user files: the target is replaced by a complete file or left as it was.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

class QFile;

struct FileWriteResult
{
    enum Status { Ok = 0, OpenFailed = 1, ShortWrite = 2, CommitFailed = 3, SourceReadFailed = 4 };

    int status = Ok;
    QString errorString;     // device text for OpenFailed/CommitFailed/SourceReadFailed (and ShortWrite when the device has one)
    qint64 bytesWritten = 0; // ShortWrite only: what the write returned (may be -1)
    qint64 bytesExpected = 0; // ShortWrite only: the size of the data

    bool ok() const { return status == Ok; }
};

struct FileReadResult
{
    enum Status { Ok = 0, OpenFailed = 1, NotRegularFile = 2, TooLarge = 3, ReadFailed = 4 };

    int status = Ok;
    QByteArray data;     // the whole content for Ok; empty otherwise
    QString errorString; // translated reason for every failure

    bool ok() const { return status == Ok; }
};

// A file opened for reading, and what was opened.
struct OpenedFile
{
    enum Status { Ok = 0, Missing = 1, NotRegularFile = 2, OpenFailed = 3 };

    int status = Ok;
    qint64 size = 0;     // Ok: the size of what was opened, at the time it was opened
    QString errorString; // OpenFailed: the system's text

    bool ok() const { return status == Ok; }
};

namespace FileUtils {

using ::FileReadResult;
using ::FileWriteResult;
using ::OpenedFile;

// Opens path for reading once and checks what was opened, not what the path names a moment
// later: a pipe or a device swapped in is refused without a read, and its open never blocks.
// On Ok, file reads the opened regular file and closes it with itself.
OpenedFile openRegularFile(const QString& path, QFile& file);
// A path that names the file open in file, for readers that take a path: the same file even
// when the path it was opened by has since been given to another.
QString pathOfOpenFile(const QFile& file, const QString& openedPath);

// Reads a whole file only when it is a regular file (after following links) of at most
// maxBytes: a link to a device or a pipe would otherwise be read forever. Never reads more
// than maxBytes + 1 bytes, whatever size the file claims, and the memory taken follows what
// the file holds, not the cap.
FileReadResult readRegularFile(const QString& path, qint64 maxBytes);

// Writes data to a temporary file beside path and replaces path only when every byte
// was written. extraFlags are added to the write-only mode (e.g. QIODevice::Text).
FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data,
                                    QIODevice::OpenMode extraFlags = QIODevice::NotOpen);
// The same with what source (open for reading) holds from its position to its end, copied by
// blocks: a file of any size is replaced without being held in memory. A read error of source
// leaves path as it was.
FileWriteResult writeFileAtomically(const QString& path, QIODevice& source,
                                    QIODevice::OpenMode extraFlags = QIODevice::NotOpen);

// A write past the process's file-size limit (ulimit -f) then fails like a full disk, with
// the writer's own message, instead of ending the program with SIGXFSZ. Called at start-up.
void ignoreFileSizeSignal();

// Empty for Ok; "%1/%2 bytes written" (plus " — " and the device text) for a short write;
// the source's text after a sentence for a source that could not be read; the device text otherwise.
QString describeWriteResult(const FileWriteResult& result);

} // namespace FileUtils
