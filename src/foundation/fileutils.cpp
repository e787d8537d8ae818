#include "foundation/fileutils.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace FileUtils {

FileReadResult readRegularFile(const QString& path, qint64 maxBytes)
{
    FileReadResult result;
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        result.status = FileReadResult::NotRegularFile;
        result.errorString = QCoreApplication::translate("FileUtils", "%1 is not a regular file.")
                                 .arg(QDir::toNativeSeparators(path));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FileReadResult::OpenFailed;
        result.errorString = file.errorString();
        return result;
    }
    // The size a file claims is not trusted: read one byte past the cap at most.
    QByteArray data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.status = FileReadResult::ReadFailed;
        result.errorString = file.errorString();
        return result;
    }
    if (data.size() > maxBytes) {
        result.status = FileReadResult::TooLarge;
        result.errorString = QCoreApplication::translate("FileUtils", "The file is larger than %1 MB.")
                                 .arg(QString::number(double(maxBytes) / (1024.0 * 1024.0), 'g', 4));
        return result;
    }
    result.data = std::move(data);
    return result;
}

FileWriteResult writeFileAtomically(const QString& path, const QByteArray& data, QIODevice::OpenMode extraFlags)
{
    FileWriteResult result;
    QSaveFile file(path);
    // Never write the target in place: a failure must leave the old file intact.
    file.setDirectWriteFallback(false);

    // Unbuffered: with Qt's write buffer a disk-full error met while flushing can go
    // unnoticed by commit(), which then replaces the target with a cut-off copy.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | extraFlags)) {
        result.status = FileWriteResult::OpenFailed;
        result.errorString = file.errorString();
        return result;
    }

    const qint64 written = file.write(data);
    if (written != data.size()) {
        result.status = FileWriteResult::ShortWrite;
        result.bytesWritten = written;
        result.bytesExpected = data.size();
        if (file.error() != QFileDevice::NoError)
            result.errorString = file.errorString();
        file.cancelWriting();
        return result;
    }

    if (!file.commit()) {
        result.status = FileWriteResult::CommitFailed;
        result.errorString = file.errorString();
        return result;
    }
    result.status = FileWriteResult::Ok;
    return result;
}

QString describeWriteResult(const FileWriteResult& result)
{
    switch (result.status) {
    case FileWriteResult::Ok:
        return QString();
    case FileWriteResult::ShortWrite: {
        QString text = QCoreApplication::translate("FileUtils", "%1/%2 bytes written")
                           .arg(QString::number(qMax<qint64>(0, result.bytesWritten)),
                                QString::number(result.bytesExpected));
        if (!result.errorString.isEmpty())
            text += QStringLiteral(" — ") + result.errorString;
        return text;
    }
    default:
        return result.errorString;
    }
}

} // namespace FileUtils
