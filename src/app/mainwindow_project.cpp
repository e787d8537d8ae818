// Project lifecycle: new, open, save, save as, recent projects and the load sequence.
#include "app/mainwindow.h"

#include "app/autosaveslot.h"
#include "app/boardexplorerpanel.h"
#include "app/progresswindow.h"
#include "app/propertiespanel.h"
#include "app/reportdialog.h"
#include "components/componentmanager.h"
#include "components/padcachemanager.h"
#include "foundation/jobs.h"
#include "interaction/routingcontroller.h"

#include "foundation/appsettings.h"
#include "foundation/logging.h"
#include "foundation/naturalorder.h"
#include "foundation/occutils.h"
#include "foundation/outofmemory.h"
#include "model/footprintdata.h"
#include "model/missingfootprintinfo.h"
#include "model/savedcomponent.h"
#include "view/occwidget.h"
#include "view/partlook.h"

#include <algorithm>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QUndoStack>

#include <AIS_InteractiveContext.hxx>
#include <Message_ProgressRange.hxx>
#include <Message_ProgressScope.hxx>
#include <StdPrs_ToolTriangulatedShape.hxx>

#include <memory>
#include <optional>

namespace {

const QString kProjectFilter = QStringLiteral("Vantorquelle Projects (*.vtq);;All Files (*)");

} // namespace

bool MainWindow::projectAtStake() const
{
    return !m_project.mainShape().IsNull() || !m_project.shapes().isEmpty()
        || !m_project.netlist().components.isEmpty() || hasPlacedComponents()
        || m_project.routingManager().hasAnyRoute();
}

bool MainWindow::confirmProjectReset(const QString& title, const QString& question)
{
    if (!projectAtStake())
        return true;
    const auto answer = QMessageBox::warning(this, title, question, QMessageBox::Yes | QMessageBox::No,
                                             QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void MainWindow::markSaved()
{
    m_modifiedOutsideUndo = false;
    if (m_undoStack)
        m_undoStack->setClean();
    updateWindowTitle();
}

void MainWindow::newProject()
{
    if (!confirmProjectReset(tr("New project"),
                             tr("Creating a new project will reset everything:\n\n• the imported STEP part\n"
                                "• the netlist\n• the placed components\n• the routed tracks\n"
                                "• the undo history\n\nThis action is irreversible. Continue?"))) {
        setStatusText(tr("New project canceled"));
        return;
    }

    withOneDesignSignal([this] {
        resetInteractionState();
        if (m_componentManager)
            m_componentManager->clearAll(true);
        if (m_occWidget)
            m_occWidget->clearAll();
        m_project.clear();
        m_project.routingManager().setRoutingRules(AppSettings::routingRules());
        m_footprintManager.clearSearchPaths();
        loadFootprintFolders(m_footprintManager);

        m_undoStack->clear();
        if (m_boardExplorer)
            m_boardExplorer->clearFilter();
        markSaved();
        leaveAutoSave(m_currentProjectPath);
        m_currentProjectPath.clear();
        updateWindowTitle();
    });
    if (m_propertiesPanel)
        m_propertiesPanel->clearSelection();
    setStatusText(tr("New project - Build plate displayed"));
}

void MainWindow::loadProject()
{
    if (!ensureViewerReady()) {
        setStatusText(tr("Loading impossible: 3D viewer not initialized"));
        return;
    }
    const QString path = m_openFileChooser
        ? m_openFileChooser(this, AppSettings::Project, tr("Load a project"), kProjectFilter, QString())
        : QString();
    if (path.isEmpty()) {
        qCDebug(lcUi) << "Loading cancelled by the user";
        return;
    }
    loadProjectFile(path, false);
}

void MainWindow::saveProject()
{
    if (m_currentProjectPath.isEmpty()) {
        saveProjectAs();
        return;
    }
    if (!saveProjectToPath(m_currentProjectPath, false)) {
        reportSaveFailure();
        return;
    }
    markSaved();
    removeAutoSaveFile(m_currentProjectPath);
    AppSettings::addRecentProject(m_currentProjectPath);
    rebuildRecentProjectsMenu();
    setStatusText(tr("Project saved: %1").arg(QFileInfo(m_currentProjectPath).fileName()));
}

void MainWindow::saveProjectAs()
{
    // No suffix list: the name is kept exactly as typed.
    const QString path = chooseSaveFile(AppSettings::Project, tr("Save Project"), kProjectFilter, QStringList());
    if (path.isEmpty())
        return;
    if (!saveProjectToPath(path, false)) {
        reportSaveFailure();
        return;
    }

    const bool sameProject = AutoSaveSlot::sameProject(m_currentProjectPath, path);
    if (!sameProject)
        leaveAutoSave(m_currentProjectPath);
    m_currentProjectPath = path;
    markSaved();
    // The file now holds this design: what was left beside it belonged to the one it replaced.
    // Work of this very project declined on opening stays, to be offered again.
    if (!sameProject) {
        for (const QString& left : AutoSaveSlot::unclaimedSideFiles(path))
            QFile::remove(left);
    }
    claimAutoSave(path, QString());
    removeAutoSaveFile(path);
    AppSettings::addRecentProject(path);
    rebuildRecentProjectsMenu();
    setStatusText(tr("Project saved successfully"));

    QList<SavedComponent> placed;
    QList<FootprintData> footprints;
    collectPlacedComponents(placed, footprints);
    ReportDialog::inform(this, QMessageBox::Information, tr("Success"),
                         {tr("✓ Project saved:\n\n") + tr("• %n component(s) placed\n", nullptr, int(placed.size()))
                              + tr("• %n route(s)\n", nullptr, int(m_project.routingManager().routes().size()))
                              + tr("• File: %1").arg(QFileInfo(path).fileName()),
                          {},
                          QString()});
}

void MainWindow::collectPlacedComponents(QList<SavedComponent>& placed,
                                         QList<FootprintData>& footprints) const
{
    if (!m_componentManager)
        return;
    placed = m_componentManager->componentsForSave();
    footprints = m_componentManager->usedFootprints();
}

void MainWindow::displayRestoredTracks()
{
    if (m_routingController)
        m_routingController->displayRoutedTracks();
}

void MainWindow::verifyRestoredPadIndex()
{
    if (!m_padCache)
        return;
    if (m_padCache->verifyIntegrity())
        qCDebug(lcUi) << "✓ Cache integrity OK — total pads:" << m_padCache->size();
    else
        qWarning() << "⚠ Cache integrity problem";
}

void MainWindow::reportSaveFailure()
{
    // A save refused before writing has already said why.
    if (!isViewerReady())
        return;
    QMessageBox::warning(this, tr("Error"), tr("❌ Project save failed:\n\n%1").arg(m_project.lastError()));
}

bool MainWindow::saveProjectToPath(const QString& path, bool isAutoSave)
{
    if (path.isEmpty())
        return false;
    if (!isViewerReady()) {
        if (!isAutoSave)
            QMessageBox::warning(this, tr("Error"), tr("The project is not yet initialized."));
        return false;
    }
    const bool keepPrevious = !isAutoSave && AppSettings::keepPreviousVersion(false);
    QList<SavedComponent> placed;
    QList<FootprintData> footprints;
    collectPlacedComponents(placed, footprints);
    return m_project.saveProject(path, placed, footprints, keepPrevious);
}

void MainWindow::rebuildRecentProjectsMenu()
{
    if (!m_recentProjectsMenu)
        return;
    m_recentProjectsMenu->clear();
    const QStringList recent = AppSettings::recentProjects();
    m_recentProjectsMenu->setEnabled(!recent.isEmpty());

    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent.at(i);
        auto* action = m_recentProjectsMenu->addAction(
            QStringLiteral("&%1  %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        action->setToolTip(path);
        action->setStatusTip(path);
        // After the menu has closed: the load may rebuild this very menu.
        connect(action, &QAction::triggered, this, [this, path] {
            QMetaObject::invokeMethod(
                this, [this, path] { loadProjectFile(path, false); }, Qt::QueuedConnection);
        });
    }
    if (recent.isEmpty())
        return;
    m_recentProjectsMenu->addSeparator();
    auto* clearAction = m_recentProjectsMenu->addAction(tr("Clear the list"));
    connect(clearAction, &QAction::triggered, this, [this] {
        AppSettings::clearRecentProjects();
        QMetaObject::invokeMethod(this, [this] { rebuildRecentProjectsMenu(); }, Qt::QueuedConnection);
    });
}

bool MainWindow::loadProjectFile(const QString& path, bool untitledRecovery)
{
    qCDebug(lcUi) << "PROJECT LOADING";
    if (!ensureViewerReady()) {
        setStatusText(tr("Loading impossible: 3D viewer not initialized"));
        return false;
    }
    return openProjectPath(path, untitledRecovery);
}

bool MainWindow::openProjectPath(const QString& path, bool untitledRecovery)
{
    if (!QFileInfo::exists(path)) {
        AppSettings::removeRecentProject(path);
        rebuildRecentProjectsMenu();
        QMessageBox::warning(this, tr("File not found"),
                             tr("The project file no longer exists:\n%1\n\n"
                                "It has been removed from recent projects.")
                                 .arg(path));
        return false;
    }
    if (!untitledRecovery && !confirmOpenElsewhere(path)) {
        setStatusText(tr("Opening canceled"));
        return false;
    }
    if (!confirmProjectReset(tr("Open a project"),
                             tr("Opening a project will replace everything:\n\n• the imported STEP part\n"
                                "• the netlist\n• the placed components\n• the routed tracks\n"
                                "• the undo history\n\nThis action is irreversible. Continue?"))) {
        setStatusText(tr("Opening canceled"));
        return false;
    }
    qCDebug(lcUi) << "Selected file:" << path;

    QString fileToRead = path;
    if (!untitledRecovery) {
        fileToRead = chooseRecoveryFile(path);
        if (fileToRead != path)
            qCDebug(lcUi) << "Recovering from" << fileToRead;
    }
    const bool recovery = untitledRecovery || fileToRead != path;
    // The recovered side file goes on as this copy's.
    return openProjectFile(path, fileToRead, recovery, untitledRecovery,
                           recovery && !untitledRecovery ? fileToRead : QString());
}

bool MainWindow::openProjectFile(const QString& path, const QString& fileToRead, bool recovery,
                                 bool untitledRecovery, const QString& recoveredSideFile)
{
    if (isLongOperationRunning())
        return false;
    // The new design is read and built aside (its part, its library, its components on a
    // context no view shows): a file that cannot be loaded, or Cancel until the swap at the very
    // end, leaves the design, its path and its undo history exactly as they were.
    ProjectManager loaded;
    QList<QJsonObject> placed;
    QList<FootprintData> footprints;
    QList<PartLook> looks;
    bool read = false;
    bool cancelled = false;
    QList<MissingFootprintInfo> missing;
    bool outOfMemory = false;
    bool shortOfMemory = false;
    bool autoSaveHeld = false;
    int loadedCount = 0;
    // One list for everything that opening repaired or left out: the file's sections, then the components.
    QStringList loadNotes;
    const bool ran = runLongOperation(tr("Opening the project..."), [&](const Message_ProgressRange& progress) {
        Message_ProgressScope scope(progress, nullptr, 10.0);
        const auto say = [this](const QString& text) {
            if (m_progressWindow)
                m_progressWindow->setLabel(text);
        };
        say(tr("Reading the project file..."));
        // The window paints over the file dialog before the read starts.
        scope.Show();
        if (scope.More()) {
            // The part's reader reports from the helper thread; this thread paints meanwhile.
            Message_ProgressScope reading(scope.Next(3.0), nullptr, 4.0);
            const Message_ProgressRange readerRange = reading.Next(3.0);
            const Message_ProgressRange waiting = reading.Next(1.0);
            if (!OutOfMemory::survive([&] {
                    read = Jobs::succeeded(
                        waiting, "openProject", Jobs::Reads::Shared,
                        [&](const Jobs::Stop&) { return loaded.loadProject(fileToRead, placed, footprints, readerRange); },
                        true);
                })) {
                shortOfMemory = true;
                return;
            }
        }
        if (!scope.More()) {
            cancelled = true;
            return;
        }
        if (!read)
            return;
        // The part's look too: showing it at the swap neither meshes nor walks a face.
        say(tr("Preparing the part for display..."));
        if (!prepareLooks(loaded.shapes(), scope.Next(1.0), looks)) {
            cancelled = true;
            return;
        }

        // Everything built aside runs out of memory as a whole: the design stays as it was.
        std::optional<FootprintManager> library;
        std::unique_ptr<ComponentManager> built;
        const bool builtAside = OutOfMemory::survive([&] {
            library.emplace();
            loadFootprintFolders(*library);
            // The library's hashes end the program when an insertion cannot allocate: a shortage
            // must show before each footprint goes in.
            for (const FootprintData& footprint : std::as_const(footprints)) {
                OutOfMemory::ensureHeadroom();
                library->registerEmbeddedFootprint(footprint);
            }
            loadNotes = loaded.loadNotes();
            const opencascade::handle<AIS_InteractiveContext> staging =
                m_componentManager && m_occWidget ? OccUtils::stagingContext(m_occWidget->context())
                                                  : opencascade::handle<AIS_InteractiveContext>();
            if (!staging.IsNull()) {
                built = std::make_unique<ComponentManager>(*library, staging, loaded);
                const ComponentManager::GenerateResult result =
                    built->loadFromJson(placed, scope.Next(4.0), [&](int position, int count) {
                        say(tr("Placing the components: %1 of %2...").arg(position).arg(count));
                    });
                if (result.cancelled || !scope.More()) {
                    cancelled = true;
                    return;
                }
                if (result.outOfMemory) {
                    outOfMemory = true;
                    return;
                }
                missing = result.missingFootprints;
                loadNotes += result.skipped;
                loadedCount = result.loaded;
            } else if (!placed.isEmpty()) {
                qWarning() << "openProjectFile: no viewer;" << placed.size() << "component(s) not recreated";
            }
            // The tracks' solids too, meshed as the view will show them: the swap below only displays.
            const QList<Route>& routes = loaded.routingManager().routes();
            Message_ProgressScope tracks(scope.Next(1.0), nullptr, double(qMax<qsizetype>(routes.size(), 1)));
            for (int i = 0; i < routes.size(); ++i) {
                const Route& route = routes.at(i);
                say(tr("Building the tracks: %1 of %2...").arg(i + 1).arg(routes.size()));
                // Cancel is heard inside one track's build too: a long one can take minutes.
                const TopoDS_Shape solid = loaded.routingManager().routeShape(route, tracks.Next());
                if (!tracks.More()) {
                    cancelled = true;
                    return;
                }
                const QString fault = solid.IsNull() ? QString() : loaded.routingManager().routeFault(route);
                if (!fault.isEmpty())
                    loadNotes << tr("track %1 (net %2) is not built as drawn: %3").arg(route.label(), route.netName, fault);
                if (!staging.IsNull() && !solid.IsNull())
                    OccUtils::guardedCall(false, "openProjectFile: track mesh", [&] {
                        return StdPrs_ToolTriangulatedShape::Tessellate(solid, staging->DefaultDrawer());
                    });
                if (!tracks.More()) {
                    cancelled = true;
                    return;
                }
            }
        });
        if (!builtAside) {
            built.reset();
            library.reset();
            shortOfMemory = true;
            return;
        }
        if (cancelled || outOfMemory)
            return;

        // The open design goes now, whole: nothing below may be broken off. A Cancel pressed
        // until now wins.
        if (!scope.More() || (m_progressWindow && !m_progressWindow->holdCancel())) {
            cancelled = true;
            return;
        }
        // The window's state follows the swapped design once, at its end; the view draws it whole.
        std::optional<OccUtils::RedrawHold> drawnWhole(std::in_place);
        withOneDesignSignal([&] {
            resetInteractionState();
            if (m_componentManager)
                m_componentManager->clearAll(true);
            if (m_occWidget)
                m_occWidget->clearAll();
            // After the reset, whose own texts (the mode left) are not this operation's.
            say(tr("Replacing the open design..."));
            qCDebug(lcUi) << "✓ Current state cleared";
            scope.Show();
            m_project.adoptLoaded(loaded);
            // The replaced design is thrown away: its automatic save must not come back as work to
            // recover. A recovered untitled design goes on under its side file, and reopening the same
            // project, under any spelling of its path, keeps the side file its recovery question left.
            if (!untitledRecovery && !AutoSaveSlot::sameProject(m_currentProjectPath, path))
                leaveAutoSave(m_currentProjectPath);
            // No longer open here; its side file is left for the next opening to offer.
            if (untitledRecovery)
                leaveAutoSaveClaim(m_currentProjectPath);

            m_undoStack->clear();
            m_undoStack->setClean();
            if (m_boardExplorer)
                m_boardExplorer->clearFilter();
            // A recovered state is not in the project file yet.
            m_modifiedOutsideUndo = recovery;
            m_currentProjectPath = untitledRecovery ? QString() : path;
            autoSaveHeld = untitledRecovery || claimAutoSave(path, recoveredSideFile);
            updateWindowTitle();
            qCDebug(lcUi) << "✓ Project file loaded";
            qCDebug(lcUi) << "  Components recreated:" << placed.size();

            const QList<TopoDS_Shape>& shapes = m_project.shapes();
            for (int i = 0; i < shapes.size(); ++i) {
                if (!shapes.at(i).IsNull() && m_occWidget)
                    m_occWidget->displayShape(shapes.at(i), looks.value(i));
            }

            if (built)
                m_componentManager->adoptComponents(*built, scope.Next(0.5));
            // The opened design brings its own footprints; the previous design's must not serve it.
            m_footprintManager = std::move(*library);
            qCDebug(lcUi) << "✓ Recreation finished";

            // Each step of the swap reports, so that the window paints in between.
            m_project.syncRoutingNetlist();
            displayRestoredTracks();
            qCDebug(lcUi) << "✓ Routes displayed:" << m_project.routingManager().routes().size();
            scope.Show();
        });
        verifyRestoredPadIndex();
        scope.Show();
        // The explorer's net figures were emptied with the previous design.
        refreshRatsnest();
        scope.Show();
        // Conflicts saved with the file are listed in the report below, not announced as new.
        const Message_ProgressRange conflicts = scope.Next(0.5);
        checkTrackConflicts(false, &conflicts);
        scope.Show();

        if (m_occWidget && !m_occWidget->context().IsNull())
            m_occWidget->fitAll(false);
        drawnWhole.reset();
    });
    if (!ran)
        return false;
    if (cancelled) {
        setStatusText(tr("Opening cancelled: the design is as it was"));
        return false;
    }
    if (!read) {
        qCDebug(lcUi) << "✗ Loading failed";
        QMessageBox::warning(this, tr("Error"),
                             tr("❌ Project load failed:\n\n%1\n\nThe current design has been kept.")
                                 .arg(loaded.lastError()));
        return false;
    }
    if (shortOfMemory) {
        QMessageBox::warning(this, tr("Error"),
                             tr("❌ Not enough memory to open this project.\n\nThe current design has been kept."));
        setStatusText(tr("Project not loaded: not enough memory"));
        return false;
    }
    if (outOfMemory) {
        QMessageBox::warning(this, tr("Error"),
                             tr("❌ Not enough memory to place the %n component(s) of this project: none was "
                                "placed, and the current design has been kept.",
                                nullptr, int(placed.size())));
        setStatusText(tr("Project not loaded: not enough memory"));
        return false;
    }

    const int placedCount = int(placed.size());
    const int missingCount = int(missing.size());
    QString status = tr("✓ Project loaded: %n component(s)", nullptr, placedCount);
    if (missingCount > 0)
        status += tr(", %n missing footprint(s)", nullptr, missingCount);
    setStatusText(status);

    QString summary = tr("✓ Project loaded successfully:\n\n• 3D shapes: %1\n• Components placed: %2\n"
                         "  - Loaded: %3\n  - Missing: %4\n• Routes: %5\n• File: %6")
                          .arg(m_project.shapes().size())
                          .arg(placedCount)
                          .arg(loadedCount)
                          .arg(missingCount)
                          .arg(m_project.routingManager().routes().size())
                          .arg(QFileInfo(untitledRecovery ? fileToRead : path).fileName());
    if (recovery)
        summary += tr("\n\n⚠ Recovered from the automatic save: this state is NOT yet in the project "
                      "file. Save it (Ctrl+S).");
    if (!autoSaveHeld && AppSettings::autoSaveEnabled(true))
        summary += tr("\n\n⚠ No automatic save for this project: no lock file can be written in its folder "
                      "%1 (read-only, or full). Only an explicit save keeps your changes.")
                       .arg(QDir::toNativeSeparators(QFileInfo(AutoSaveSlot::projectKey(path)).absolutePath()));
    // What needs looking at, one line each: it scrolls below the summary.
    QStringList details;
    if (!missing.isEmpty()) {
        details << tr("⚠ Components with missing footprint:");
        // A footprint that was found (in the project or a folder) but cannot be built says why;
        // one from the project is still saved back as it was read.
        QList<MissingFootprintInfo> ordered = missing;
        std::sort(ordered.begin(), ordered.end(), [](const MissingFootprintInfo& a, const MissingFootprintInfo& b) {
            return NaturalOrder::less(a.reference, b.reference);
        });
        for (const MissingFootprintInfo& info : std::as_const(ordered)) {
            details << (info.reason.isEmpty() ? QStringLiteral("  • %1").arg(info.reference)
                                              : tr("  • %1: footprint %2 cannot be used: %3")
                                                    .arg(info.reference, info.requestedFootprint, info.reason));
        }
    }
    const QString notesSection = loadNotesSection(loadNotes).trimmed();
    if (!notesSection.isEmpty()) {
        if (!details.isEmpty())
            details << QString();
        details << notesSection;
    }
    const QString routeIssues = restoredRouteIssues().trimmed();
    if (!routeIssues.isEmpty()) {
        if (!details.isEmpty())
            details << QString();
        details << routeIssues;
    }
    ReportDialog::inform(this, QMessageBox::Information, tr("Project loaded"), {summary, details, QString()});
    qCDebug(lcUi) << "✓ LOADING COMPLETED SUCCESSFULLY";

    if (!untitledRecovery) {
        AppSettings::addRecentProject(path);
        rebuildRecentProjectsMenu();
    }
    return true;
}

QString MainWindow::loadNotesSection(const QStringList& notes)
{
    if (notes.isEmpty())
        return QString();
    // Every line is in the log as well; a file damaged throughout must not bury the report.
    constexpr int kShown = 40;
    QString section = tr("\n\n⚠ Repaired or left out on opening:");
    for (int i = 0; i < notes.size() && i < kShown; ++i)
        section += QStringLiteral("\n  • ") + notes.at(i);
    if (notes.size() > kShown)
        section += QLatin1Char('\n') + tr("  … and %n more (see the log)", nullptr, int(notes.size()) - kShown);
    return section;
}

// A project file can hold tracks that no longer fit the board (edited by hand, or written before
// a component went): they are kept as they are, and the user is told which ones to look at.
QString MainWindow::restoredRouteIssues() const
{
    const RoutingManager& routing = m_project.routingManager();
    const QList<Route>& routes = routing.routes();
    if (routes.isEmpty())
        return QString();
    const PinTable pins = m_componentManager ? m_componentManager->pins() : PinTable();
    const auto onBoard = [&pins](const QString& ref, const QString& pad) { return pins.contains(PadId(ref, pad)); };

    QStringList lines;
    for (const Route& route : routes) {
        QStringList absent;
        if (!onBoard(route.startRef, route.startPad))
            absent << PadId(route.startRef, route.startPad).toString();
        if (!route.endsOnTrack && !onBoard(route.endRef, route.endPad))
            absent << PadId(route.endRef, route.endPad).toString();
        if (!absent.isEmpty())
            lines << tr("  • track %1 (%2) names pads that are not on the board: %3")
                         .arg(route.label(), route.netName, absent.join(QStringLiteral(", ")));
    }
    for (const QPair<int, int>& pair : routing.shortedRoutes()) {
        const Route& a = routes.at(pair.first);
        const Route& b = routes.at(pair.second);
        lines << tr("  • tracks %1 (%2) and %3 (%4) touch: a short between two nets")
                     .arg(a.label(), a.netName, b.label(), b.netName);
    }
    if (lines.isEmpty())
        return QString();
    return tr("\n\n⚠ Tracks to check (kept as they were saved):\n") + lines.join(QLatin1Char('\n'));
}
