#include "foundation/fileutils.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileUtils {

OpenedFile openRegularFile(const QString& path, QFile& file)
{
    OpenedFile opened;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        opened.status = errno == ENOENT ? OpenedFile::Missing : OpenedFile::OpenFailed;
        opened.errorString = QString::fromLocal8Bit(std::strerror(errno));
        return opened;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        opened.status = OpenedFile::NotRegularFile;
        ::close(fd);
        return opened;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        opened.status = OpenedFile::OpenFailed;
        opened.errorString = file.errorString();
        ::close(fd);
        return opened;
    }
    opened.size = qint64(status.st_size);
    return opened;
}

QString pathOfOpenFile(const QFile& file, const QString& openedPath)
{
#if defined(Q_OS_LINUX)
    if (file.handle() >= 0)
        return QStringLiteral("/proc/self/fd/%1").arg(file.handle());
#else
    Q_UNUSED(file);
#endif
    return openedPath;
}

FileReadResult readRegularFile(const QString& path, qint64 maxBytes)
{
    FileReadResult result;
    QFile file;
    const OpenedFile opened = openRegularFile(path, file);
    if (opened.status == OpenedFile::NotRegularFile) {
        result.status = FileReadResult::NotRegularFile;
        result.errorString = QCoreApplication::translate("FileUtils", "%1 is not a regular file.")
                                 .arg(QDir::toNativeSeparators(path));
        return result;
    }
    if (!opened.ok()) {
        result.status = FileReadResult::OpenFailed;
        result.errorString = opened.errorString;
        return result;
    }
    // The size a file claims is not trusted either way: the buffer starts at that size (plus
    // the byte that shows growth) and grows with what is actually read, never past one byte
    // beyond the cap. Reserving the cap itself would take its whole address space per read.
    const qint64 limit = maxBytes + 1;
    constexpr qint64 kMinChunk = 64 * 1024;
    QByteArray data;
    qint64 filled = 0;
    qint64 capacity = qBound<qint64>(1, file.size() + 1, limit);
    for (;;) {
        if (filled == capacity) {
            if (capacity == limit)
                break;
            capacity = qMin(limit, qMax(capacity * 2, kMinChunk));
        }
        if (data.size() < capacity)
            data.resize(capacity);
        const qint64 n = file.read(data.data() + filled, capacity - filled);
        if (n < 0) {
            result.status = FileReadResult::ReadFailed;
            result.errorString = file.errorString();
            return result;
        }
        if (n == 0)
            break;
        filled += n;
    }
    data.truncate(filled);
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
    QBuffer source;
    source.setData(data);
    source.open(QIODevice::ReadOnly);
    return writeFileAtomically(path, source, extraFlags);
}

FileWriteResult writeFileAtomically(const QString& path, QIODevice& source, QIODevice::OpenMode extraFlags)
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

    constexpr qint64 kBlock = 1024 * 1024;
    const qint64 expected = source.isSequential() ? -1 : source.size() - source.pos();
    QByteArray block(int(qMin(kBlock, qMax<qint64>(expected, 1))), Qt::Uninitialized);
    qint64 copied = 0;
    for (;;) {
        const qint64 got = source.read(block.data(), block.size());
        if (got < 0) {
            result.status = FileWriteResult::SourceReadFailed;
            result.errorString = source.errorString();
            file.cancelWriting();
            return result;
        }
        if (got == 0)
            break;
        const qint64 written = file.write(block.constData(), got);
        if (written != got) {
            result.status = FileWriteResult::ShortWrite;
            result.bytesWritten = written < 0 && copied == 0 ? -1 : copied + qMax<qint64>(written, 0);
            result.bytesExpected = expected >= 0 ? expected : copied + got;
            if (file.error() != QFileDevice::NoError)
                result.errorString = file.errorString();
            file.cancelWriting();
            return result;
        }
        copied += got;
    }

    if (!file.commit()) {
        result.status = FileWriteResult::CommitFailed;
        result.errorString = file.errorString();
        return result;
    }
    result.status = FileWriteResult::Ok;
    return result;
}

void ignoreFileSizeSignal()
{
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGXFSZ, &action, nullptr);
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
    case FileWriteResult::SourceReadFailed:
        return QCoreApplication::translate("FileUtils", "The data to write could not be read: %1").arg(result.errorString);
    default:
        return result.errorString;
    }
}

} // namespace FileUtils
