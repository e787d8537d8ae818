#include "packagereader.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

QStringList PackageEntries::names() const
{
    QStringList out;
    for (const auto& entry : entries)
        out.append(entry.first);
    return out;
}

QByteArray PackageEntries::data(const QString& name) const
{
    for (const auto& entry : entries)
        if (entry.first == name)
            return entry.second;
    return QByteArray();
}

bool pythonAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty();
}

PackageEntries readPackage(const QString& path)
{
    PackageEntries result;
    const QString script = QStringLiteral(
        "import base64, sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "bad = z.testzip()\n"
        "if bad is not None: sys.exit('bad CRC: ' + bad)\n"
        "for i in z.infolist():\n"
        "    if i.compress_type != 0: sys.exit('compressed: ' + i.filename)\n"
        "    print(base64.b64encode(i.filename.encode()).decode(), base64.b64encode(z.read(i)).decode())\n");
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("python3")), {QStringLiteral("-c"), script, path});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        result.error = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2)
            result.entries.append({QString::fromUtf8(QByteArray::fromBase64(fields[0])),
                                   QByteArray::fromBase64(fields[1])});
    }
    result.ok = true;
    return result;
}
