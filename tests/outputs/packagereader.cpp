#include "packagereader.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

bool pythonAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
}

bool readPackage(const QString& path, PackageEntries& entries, QString* error)
{
    const QString script = QStringLiteral(
        "import base64, sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "if z.testzip() is not None: sys.exit('bad CRC')\n"
        "for i in z.infolist():\n"
        "    if i.compress_type != 0 or i.date_time != (1980, 1, 1, 0, 0, 0): sys.exit('entry ' + i.filename)\n"
        "    print(base64.b64encode(i.filename.encode()).decode(), base64.b64encode(z.read(i)).decode())\n");
    QProcess process;
    process.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path});
    entries.clear();
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2)
            entries.append({QString::fromUtf8(QByteArray::fromBase64(fields[0])), QByteArray::fromBase64(fields[1])});
    }
    return true;
}

QStringList entryNames(const PackageEntries& entries)
{
    QStringList names;
    for (const auto& entry : entries)
        names.append(entry.first);
    return names;
}

QByteArray entryData(const PackageEntries& entries, const QString& name)
{
    for (const auto& entry : entries)
        if (entry.first == name)
            return entry.second;
    return QByteArray();
}
