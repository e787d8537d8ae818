// Automatic save to a side file, recovery of that file, and the closing prompt.
#include "app/mainwindow.h"

#include "app/autosavesettingsdialog.h"
#include "app/autosaveslot.h"
#include "foundation/appsettings.h"
#include "foundation/logging.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTime>
#include <QTimer>
#include <QUndoStack>

namespace {

constexpr int kDefaultIntervalMinutes = 5;

QDateTime modificationTime(const QString& path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

// One per running copy of the program, held while its untitled design has work to keep.
AutoSaveSlot& untitledSlot()
{
    static AutoSaveSlot slot;
    return slot;
}

// One per running copy, held while it has a named project open.
AutoSaveSlot& projectSlot()
{
    static AutoSaveSlot slot;
    return slot;
}

} // namespace

QString MainWindow::autoSavePathFor(const QString& projectPath)
{
    if (!projectPath.isEmpty()) {
        if (projectSlot().holdsProject(projectPath))
            return projectSlot().heldPath();
        return AutoSaveSlot::sideFilePath(projectPath, 1);
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    return untitledSlot().pathIn(folder);
}

void MainWindow::removeAutoSaveFile(const QString& projectPath)
{
    // Only what this copy holds: any other side file is a running copy's, or work that a copy
    // which died left and that the user has not given up.
    if (projectPath.isEmpty()) {
        untitledSlot().discard();
        return;
    }
    if (projectSlot().holdsProject(projectPath) && QFile::exists(projectSlot().heldPath()))
        QFile::remove(projectSlot().heldPath());
}

void MainWindow::leaveAutoSave(const QString& projectPath)
{
    removeAutoSaveFile(projectPath);
    leaveAutoSaveClaim(projectPath);
}

void MainWindow::leaveAutoSaveClaim(const QString& projectPath)
{
    if (projectSlot().holdsProject(projectPath))
        projectSlot().release();
}

QString MainWindow::ownAutoSavePath()
{
    if (m_currentProjectPath.isEmpty())
        return autoSavePathFor(QString());
    return projectSlot().claimFor(m_currentProjectPath);
}

bool MainWindow::confirmOpenElsewhere(const QString& projectPath)
{
    if (projectSlot().holdsProject(projectPath))
        return true;
    QList<AutoSaveSlot::Holder> others = projectSlot().otherHolders(projectPath);
    // A copy on another machine of a shared folder can have our process id: only the same id
    // on the same machine is this process.
    others.removeIf([](const AutoSaveSlot::Holder& holder) { return holder.isThisProcess(); });
    if (others.isEmpty())
        return true;
    const auto answer = QMessageBox::warning(
        this, tr("Project already open"),
        tr("This project is open in another running copy of Vantorquelle (process %1 on %2):\n%3\n\n"
           "If both copies change it, the one that saves last overwrites the other's work. Each copy "
           "keeps its own automatic save.\n\nOpen it here anyway?")
            .arg(others.first().pid)
            .arg(others.first().host, QDir::toNativeSeparators(projectPath)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

bool MainWindow::claimAutoSave(const QString& projectPath, const QString& preferred)
{
    if (!projectSlot().claimFor(projectPath, preferred).isEmpty())
        return true;
    qWarning() << "Automatic save: no side file could be claimed beside" << projectPath;
    return false;
}

void MainWindow::applyAutoSaveSettings()
{
    if (!m_autoSaveTimer) {
        m_autoSaveTimer = new QTimer(this);
        connect(m_autoSaveTimer, &QTimer::timeout, this, &MainWindow::onAutoSaveTimeout);
    }
    if (!AppSettings::autoSaveEnabled(true)) {
        m_autoSaveTimer->stop();
        qCDebug(lcUi) << "Automatic save disabled";
        return;
    }
    const int minutes = AppSettings::autoSaveIntervalMinutes(kDefaultIntervalMinutes);
    m_autoSaveTimer->start(minutes * 60000);
    qCDebug(lcUi) << "Automatic save every" << minutes << "min";
}

void MainWindow::onAutoSaveTimeout()
{
    performAutoSave();
}

void MainWindow::performAutoSave()
{
    if (m_autoSaveInProgress || !isViewerReady() || !isProjectModified())
        return;
    if (m_project.routingManager().isRouting() || m_componentDragActive)
        return;

    const QString path = ownAutoSavePath();
    if (path.isEmpty()) {
        const QString folder = m_currentProjectPath.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
            : QFileInfo(AutoSaveSlot::projectKey(m_currentProjectPath)).absolutePath();
        qWarning() << "Automatic save skipped: no side file can be held in" << folder;
        setStatusText(tr("Automatic save impossible: nothing can be written in %1 — save manually (Ctrl+S)")
                          .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    m_autoSaveInProgress = true;
    const bool saved = saveProjectToPath(path, true);
    m_autoSaveInProgress = false;

    if (saved) {
        setStatusText(tr("Automatic save at %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm"))));
    } else {
        qWarning() << "Automatic save failed:" << m_project.lastError();
        setStatusText(tr("Automatic save failed — save manually (Ctrl+S)"));
    }
}

QString MainWindow::chooseRecoveryFile(const QString& projectPath)
{
    // This copy's own side file when it reopens its project, then those that copies which died
    // (or an earlier version) left beside the project, newest first; a running copy's is not ours.
    QStringList candidates;
    if (projectSlot().holdsProject(projectPath) && QFileInfo::exists(projectSlot().heldPath()))
        candidates << projectSlot().heldPath();
    candidates << AutoSaveSlot::unclaimedSideFiles(projectPath);

    const QDateTime projectTime = modificationTime(projectPath);
    for (const QString& side : std::as_const(candidates)) {
        const QDateTime sideTime = modificationTime(side);
        const QString times = tr("• Project: %1\n• Automatic save: %2")
                                  .arg(projectTime.toString(Qt::TextDate), sideTime.toString(Qt::TextDate));

        if (sideTime > projectTime) {
            const auto answer = QMessageBox::question(
                this, tr("Recover automatic save"),
                tr("An automatic save of this project is more recent than the project file itself:\n\n"
                   "%1\n\nThis usually means the previous session ended without saving.\n\n"
                   "Open the automatic save instead?\n\nYes opens the automatic save; No opens the "
                   "project file and keeps the automatic save, to be offered again the next time the "
                   "project is opened.")
                    .arg(times),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer == QMessageBox::Yes)
                return side;
            // Declined work is never this copy's to write over or delete: the next claim takes
            // another name, and the file stays unheld for the next opening to offer.
            if (side == projectSlot().heldPath())
                projectSlot().release();
            continue;
        }

        // Not newer by its time, which a copy, a sync or a restore can move: it may still hold
        // work that the project lacks, so the user decides, and No keeps the project as it is.
        const auto answer = QMessageBox::question(
            this, tr("Recover automatic save"),
            tr("An automatic save of this project exists, but it is not more recent than the project "
               "file:\n\n%1\n\nIt is probably out of date. Open the automatic save instead?\n\n"
               "Yes opens the automatic save; No opens the project file and deletes the automatic "
               "save.")
                .arg(times),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer == QMessageBox::Yes)
            return side;
        QFile::remove(side);
    }
    return projectPath;
}

void MainWindow::offerOrphanAutoSaveRecovery()
{
    const QString own = autoSavePathFor(QString());
    if (own.isEmpty())
        return;
    // Ours first when a copy that died left it under our name, then those of other dead copies.
    QStringList candidates;
    if (QFileInfo::exists(own))
        candidates << own;
    candidates << AutoSaveSlot::unclaimedFiles(QFileInfo(own).absolutePath());

    for (const QString& side : std::as_const(candidates)) {
        const auto answer = QMessageBox::question(
            this, tr("Recover automatic save"),
            tr("A project that had never been saved was automatically saved on %1, and the session "
               "that produced it did not end normally.\n\nRecover it?\n\nYes opens it as an untitled "
               "project; No deletes it.")
                .arg(modificationTime(side).toString(Qt::TextDate)),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes) {
            QFile::remove(side);
            continue;
        }
        if (!loadProjectFile(side, true))
            return; // the file stays for another try
        // Another copy's file: the work now lives in this copy, so it moves to our own side file.
        if (side != own && saveProjectToPath(own, true))
            QFile::remove(side);
        setStatusText(tr("Automatic save recovered — save it (Ctrl+S)"));
        return;
    }
}

bool MainWindow::confirmClose()
{
    if (!isProjectModified())
        return true;
    const auto answer = QMessageBox::warning(
        this, tr("Changes not saved"),
        tr("The project has been modified since the last save.\nDo you want to save before exiting?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard)
        return true;
    if (answer != QMessageBox::Save)
        return false;
    saveProject();
    return !isProjectModified();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // An export or the analysis ends, or is cancelled, first.
    if (isLongOperationRunning()) {
        event->ignore();
        return;
    }
    if (!m_closeConfirmed && !confirmClose()) {
        event->ignore();
        return;
    }
    m_closeConfirmed = false;
    if (m_autoSaveTimer)
        m_autoSaveTimer->stop();
    leaveAutoSave(m_currentProjectPath);

    AppSettings::setMainWindowGeometry(saveGeometry());
    AppSettings::setMainWindowDockState(saveState(0));
    if (m_splitter)
        AppSettings::setMainWindowSplitterState(m_splitter->saveState());
    QMainWindow::closeEvent(event);
}

void MainWindow::manageAutoSaveSettings()
{
    AutoSaveSettingsDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    AppSettings::setAutoSaveEnabled(dialog.autoSaveEnabled());
    AppSettings::setAutoSaveIntervalMinutes(dialog.intervalMinutes());
    AppSettings::setKeepPreviousVersion(dialog.keepPreviousVersion());
    applyAutoSaveSettings();

    if (dialog.autoSaveEnabled())
        setStatusText(tr("Automatic save: every %n minute(s)", nullptr,
                         AppSettings::autoSaveIntervalMinutes(kDefaultIntervalMinutes)));
    else
        setStatusText(tr("Automatic save disabled"));
}
