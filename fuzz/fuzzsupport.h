// Shared by the fuzz targets and their replay: quiet logs and the input as a file for the
// readers that take a path.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace FuzzSupport {

// The readers' warnings would cost more than the reading itself.
inline void quietLogs()
{
    static const bool installed = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    Q_UNUSED(installed);
}

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// One file per process, rewritten for every input.
inline QString writeInput(const uint8_t* data, size_t size, const char* suffix)
{
    static const QString folder = [] {
        const QString path = QDir::temp().filePath(QStringLiteral("vtq-fuzz-%1").arg(QCoreApplication::applicationPid()));
        QDir().mkpath(path);
        return path;
    }();
    const QString path = folder + QStringLiteral("/input") + QLatin1String(suffix);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}

} // namespace FuzzSupport
