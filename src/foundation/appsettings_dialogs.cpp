#include "foundation/appsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace AppSettings {

QString directoryKey(DirectoryKind kind)
{
    switch (kind) {
    case Geometry:
        return QStringLiteral("directories/geometry");
    case Netlist:
        return QStringLiteral("directories/netlist");
    case Project:
        return QStringLiteral("directories/project");
    case ExportStep:
        return QStringLiteral("directories/exportStep");
    case Footprints:
        return QStringLiteral("directories/footprints");
    case Report:
        return QStringLiteral("directories/report");
    }
    return QStringLiteral("directories/unknown");
}

QString lastDirectory(DirectoryKind kind)
{
    const QString directory = QSettings().value(directoryKey(kind)).toString();
    if (directory.isEmpty() || !QDir(directory).exists())
        return QString();
    return directory;
}

void setLastDirectory(DirectoryKind kind, const QString& directory)
{
    if (!directory.isEmpty())
        QSettings().setValue(directoryKey(kind), directory);
}

void rememberFileDirectory(DirectoryKind kind, const QString& filePath)
{
    if (!filePath.isEmpty())
        setLastDirectory(kind, QFileInfo(filePath).absolutePath());
}

QString ensureSuffix(const QString& fileName, const QStringList& suffixes)
{
    if (fileName.isEmpty() || suffixes.isEmpty())
        return fileName;
    for (const QString& suffix : suffixes) {
        if (fileName.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
            return fileName;
    }
    return fileName + QLatin1Char('.') + suffixes.first();
}

namespace {

QString startDirectory(DirectoryKind kind, const QString& fallbackDir)
{
    const QString remembered = lastDirectory(kind);
    return remembered.isEmpty() ? fallbackDir : remembered;
}

} // namespace

QString getOpenFileName(QWidget* parent, DirectoryKind kind, const QString& caption, const QString& filter,
                        const QString& fallbackDir)
{
    const QString chosen = QFileDialog::getOpenFileName(parent, caption, startDirectory(kind, fallbackDir), filter);
    if (!chosen.isEmpty())
        rememberFileDirectory(kind, chosen);
    return chosen;
}

QString getSaveFileName(QWidget* parent, DirectoryKind kind, const QString& caption, const QString& filter,
                        const QStringList& suffixes, const QString& defaultFileName)
{
    const QString directory = lastDirectory(kind);
    QString start;
    if (!directory.isEmpty() && !defaultFileName.isEmpty())
        start = QDir(directory).filePath(defaultFileName);
    else if (directory.isEmpty())
        start = defaultFileName;
    else
        start = directory;
    const QString chosen = QFileDialog::getSaveFileName(parent, caption, start, filter);
    if (chosen.isEmpty())
        return QString();
    rememberFileDirectory(kind, chosen);
    const QString path = ensureSuffix(chosen, suffixes);
    // The dialog only confirmed replacing the name as typed; the added suffix may name
    // another existing file, which must not be overwritten unasked.
    if (path != chosen && QFileInfo::exists(path)) {
        const QString question =
            QCoreApplication::translate("AppSettings", "%1 already exists.\nDo you want to replace it?")
                .arg(QDir::toNativeSeparators(path));
        if (QMessageBox::question(parent, caption, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            != QMessageBox::Yes)
            return QString();
    }
    return path;
}

QString getExistingDirectory(QWidget* parent, DirectoryKind kind, const QString& caption,
                             const QString& fallbackDir)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, caption, startDirectory(kind, fallbackDir),
                                                             QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!chosen.isEmpty())
        setLastDirectory(kind, chosen);
    return chosen;
}

} // namespace AppSettings
