// Atomic writing of user files: the target is replaced by a complete file or left as it was.
#pragma once

#include <QIODevice>
#include <QString>

class QByteArray;

struct FileWriteResult
{
    enum Status { Ok = 0, OpenFailed = 1, ShortWrite = 2, CommitFailed = 3 };

    int status = Ok;
    QString errorString;     // device text for OpenFailed/CommitFailed (and ShortWrite when the device has one)
    qint64 bytesWritten = 0; // ShortWrite only: what the write returned (may be -1)
    qint64 bytesExpected = 0; // ShortWrite only: the size of the data

    bool ok() const { return status == Ok; }
};

namespace FileUtils {

using ::FileWriteResult;

// Writes data to a temporary file beside path and replaces path only when every byte
// was written. extraFlags are added to the write-only mode (e.g. QIODevice::Text).
FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data,
                                    QIODevice::OpenMode extraFlags = QIODevice::NotOpen);

// Empty for Ok; "%1/%2 bytes written" (plus " — " and the device text) for a short write;
// the device text otherwise.
QString describeWriteResult(const FileWriteResult& result);

} // namespace FileUtils
