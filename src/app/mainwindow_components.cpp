// Main window: the objects that need the viewer (component manager, burial analyzer, and the
// interaction controllers' place), component generation, the burial switch and the footprint
// folders.
#include "app/mainwindow.h"

#include "app/busycursor.h"
#include "app/progresswindow.h"
#include "app/missingfootprintsdialog.h"
#include "app/propertiespanel.h"
#include "components/burialanalyzer.h"
#include "components/componentmanager.h"
#include "components/footprintfoldersdialog.h"
#include "components/padcachemanager.h"
#include "foundation/logging.h"
#include "foundation/naturalorder.h"
#include "foundation/occutils.h"
#include "foundation/scopeguard.h"
#include "model/footprintdata.h"
#include "view/occwidget.h"

#include <QSignalBlocker>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <AIS_InteractiveContext.hxx>
#include <Message_ProgressScope.hxx>

#include <algorithm>

void MainWindow::createComponentManager(const opencascade::handle<AIS_InteractiveContext>& context)
{
    ComponentManager* previous = m_componentManager;
    m_componentManager = new ComponentManager(m_footprintManager, context, m_project, this);
    delete previous;

    connect(m_componentManager, &ComponentManager::padCacheUpdateNeeded, this,
            [this](const opencascade::handle<AIS_Shape>& shape, const PadId& pad) {
                if (!m_padCache)
                    return;
                if (pad.pad.isEmpty())
                    m_padCache->removePad(shape);
                else
                    m_padCache->addPad(shape, pad);
            });
    connect(m_componentManager, &ComponentManager::padCacheClearComponentNeeded, this, [this](const QString& ref) {
        if (m_padCache)
            m_padCache->removeComponentPads(ref);
    });
    connect(m_componentManager, &ComponentManager::componentChanged, this, &MainWindow::onComponentChanged);
    connect(m_componentManager, &ComponentManager::populationChanged, this, &MainWindow::onPopulationChanged);
    connect(m_componentManager, &ComponentManager::missingFootprintsDetected, this, &MainWindow::reportMissingFootprints);
    connect(m_componentManager, &ComponentManager::statusMessage, this, &MainWindow::setStatusText);
    qCDebug(lcUi) << "✓ ComponentManager initialized";

    if (m_padCache)
        m_padCache->setComponentManager(m_componentManager);
}

void MainWindow::reportMissingFootprints(const QList<MissingFootprintInfo>& missing)
{
    const BusyCursor::Pause pause;
    MissingFootprintsDialog dialog(missing, m_footprintManager.searchPaths(), this);
    // Opened once the operation that found the missing footprints has ended.
    if (dialog.exec() == MissingFootprintsDialog::ChooseFootprintFolders)
        QTimer::singleShot(0, this, &MainWindow::manageFootprintFolders);
}

void MainWindow::createBurialAnalyzer(const opencascade::handle<AIS_InteractiveContext>& context)
{
    BurialAnalyzer* previous = m_burialAnalyzer;
    m_burialAnalyzer = new BurialAnalyzer(context, this);
    delete previous;

    connect(m_burialAnalyzer, &BurialAnalyzer::statusChanged, this, &MainWindow::setStatusText);
    connect(m_burialAnalyzer, &BurialAnalyzer::computationStarted, this, [this](const QString& ref) {
        if (!isViewerReady())
            return;
        setStatusText(tr("Computing burial for %1...").arg(ref));
    });
    qCDebug(lcUi) << "✓ BurialAnalyzer initialized";
}

void MainWindow::onComponentChanged(const QString& ref)
{
    if (!isViewerReady())
        return;
    withOneExplorerRefresh([&] {
        // A footprint found or lost changes what can be analysed, routed and probed.
        onDesignModelChanged();
        showComponentProperties(ref);
        refreshRatsnest();
    });
    const PlacedComponentData* component = m_componentManager->findComponent(ref);
    if (m_burialAnalyzer->isEnabled() && component) {
        m_burialAnalyzer->clearResult(ref);
        // On a part of B-spline solids one component takes seconds: under the progress window,
        // unless the change comes from within another long operation or a step of a drag.
        const PlacedComponentData changed = *component;
        const auto analyse = [&](const Message_ProgressRange& progress) {
            m_burialAnalyzer->analyzeComponent(ref, changed, m_project.mainShape(), progress);
        };
        if (isLongOperationRunning() || m_componentDragActive) {
            const BusyCursor busy;
            analyse(Message_ProgressRange());
        } else {
            runLongOperation(tr("Burial analysis of %1").arg(ref), analyse);
        }
        OccUtils::safeUpdateViewer(m_occWidget->context());
    }
    // Pads moved under tracks: told now, or once the drag ends.
    if (!m_componentDragActive)
        checkTrackConflicts(true);
}

void MainWindow::onPopulationChanged(int successCount, int)
{
    // The action states and the ratsnest both refresh the explorer: all the nets once is enough.
    withOneExplorerRefresh([&] {
        onDesignModelChanged();
        if (successCount > 0 && isViewerReady())
            m_project.syncRoutingNetlist();
        refreshRatsnest();
    });
}

bool MainWindow::hasPlacedComponents() const
{
    return m_componentManager && !m_componentManager->components().isEmpty();
}

bool MainWindow::hasFootprintedComponents() const
{
    return m_componentManager && m_componentManager->countWithFootprint() > 0;
}

void MainWindow::generateComponents()
{
    if (!isViewerReady()) {
        qWarning() << "generateComponents: viewer not ready, call ignored";
        return;
    }
    const auto& netlistComponents = m_project.netlist().components;
    if (netlistComponents.isEmpty()) {
        QMessageBox::information(this, tr("Info"), tr("Load a netlist first"));
        return;
    }
    const int placed = int(m_componentManager->components().size());
    if (placed > 0) {
        const auto answer = QMessageBox::warning(
            this, tr("Generate 3D components"),
            tr("%n component(s) are already placed. Generating puts them ALL back on the placement spiral: "
               "positions, rotations, body dimensions and footprints chosen by hand are lost, and this cannot be "
               "undone.\n\nTo apply a modified netlist while KEEPING your placement, use File ▸ “Update from "
               "netlist…”.\n\nRegenerate anyway?",
               nullptr, placed),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            setStatusText(tr("Generation cancelled"));
            return;
        }
    }
    // Built beside the placed components by a manager of their own, under the progress window:
    // Cancel, or a shortage of memory, takes the new ones away and leaves the placed ones as they
    // were. These go at the end only, and the new ones, on show already, stay.
    ComponentManager::GenerateResult result;
    const bool ran = runLongOperation(tr("Loading and placing footprints..."), [&](const Message_ProgressRange& progress) {
        Message_ProgressScope scope(progress, nullptr, 10.0);
        ComponentManager built(m_footprintManager, m_occWidget->context(), m_project);
        ScopeGuard takeAway([&built] { built.clearAll(true); });
        result = built.generateComponents(netlistComponents, scope.Next(9.0), [this](int position, int count) {
            if (m_progressWindow)
                m_progressWindow->setLabel(tr("Placing the components: %1 of %2...").arg(position).arg(count));
        });
        if (result.cancelled || result.outOfMemory || !scope.More() || !m_progressWindow->holdCancel()) {
            result.cancelled = result.cancelled || !result.outOfMemory;
            return;
        }
        m_progressWindow->setLabel(tr("Replacing the placed components..."));
        // Drawn once, below, by the paint the framing asks for.
        const OccUtils::RedrawHold drawnOnce(false);
        updateRatsnestButton(false);
        m_burialAnalyzer->clearResults(false, nullptr);
        if (m_burialButton)
            m_burialButton->setChecked(false);
        clearComponentSelection();
        if (m_propertiesPanel)
            m_propertiesPanel->clearSelection();
        m_componentManager->adoptComponents(built, scope.Next(1.0));
        takeAway.dismiss();
    });
    if (!ran)
        return;
    if (result.cancelled) {
        setStatusText(tr("Generation cancelled: the components are as they were"));
        return;
    }
    if (result.outOfMemory) {
        QMessageBox::warning(this, tr("Generate 3D components"),
                             tr("❌ Not enough memory to place the %n component(s) of the netlist: none was placed.",
                                nullptr, int(netlistComponents.size())));
        return;
    }
    QString status = tr("%n footprint(s) loaded", nullptr, result.loaded);
    if (result.missing > 0)
        status += tr(", %n missing", nullptr, result.missing);
    setStatusText(status);
    // Regenerated components are a change to save, though the undo history cannot hold it.
    setModifiedOutsideUndo(true);

    // Drawn once, by the paint the framing asks for: every component changed.
    m_occWidget->fitAll(false);
    m_occWidget->ensureViewCubeActive();

    if (!result.missingFootprints.isEmpty())
        reportMissingFootprints(result.missingFootprints);
    // The lookup took a file whose name only holds the one asked for: placed, but worth a look.
    if (!result.looserMatches.isEmpty())
        ReportDialog::inform(this, QMessageBox::Information, tr("Footprints to check"),
                             looserMatchReport(result.looserMatches));
}

ReportDialog::Content MainWindow::looserMatchReport(const QList<LooserFootprintMatch>& matches)
{
    QList<LooserFootprintMatch> ordered = matches;
    std::stable_sort(ordered.begin(), ordered.end(), [](const LooserFootprintMatch& a, const LooserFootprintMatch& b) {
        return NaturalOrder::less(a.reference, b.reference);
    });
    ReportDialog::Content report;
    report.summary = tr("No footprint file has exactly the name that the netlist gives for %n component(s): each "
                        "got the footprint of a file whose name only contains it. Check that it is the one meant "
                        "(\"Browse footprint...\" in the properties panel replaces it):\n",
                        nullptr, int(ordered.size())).trimmed();
    for (const LooserFootprintMatch& match : std::as_const(ordered)) {
        report.lines << (match.candidates > 1
                             ? tr("  • %1: %2 → %3 (first of %4 matching files)")
                                   .arg(match.reference, match.requestedFootprint, match.foundFootprint)
                                   .arg(match.candidates)
                             : tr("  • %1: %2 → %3").arg(match.reference, match.requestedFootprint, match.foundFootprint));
    }
    return report;
}

void MainWindow::onBurialAnalysisToggled(bool checked)
{
    if (!m_burialAnalyzer || !m_componentManager || isLongOperationRunning()) {
        if (m_burialButton) {
            const QSignalBlocker blocker(m_burialButton);
            m_burialButton->setChecked(m_burialAnalyzer && m_burialAnalyzer->isEnabled());
        }
        return;
    }
    if (checked) {
        QString refusal;
        if (m_project.mainShape().IsNull())
            refusal = tr("Import a STEP part before enabling the analysis.");
        else if (m_componentManager->components().isEmpty())
            refusal = tr("Generate the 3D components before enabling the analysis.");
        if (!refusal.isEmpty()) {
            QMessageBox::information(this, tr("Burial analysis"), refusal);
            m_burialButton->setChecked(false);
            return;
        }
    }
    if (checked) {
        // The analyzer's own status lines label the progress then, one per component.
        runLongOperation(tr("Burial analysis"), [this](const Message_ProgressRange& progress) {
            m_burialAnalyzer->setEnabled(true, m_componentManager->components(), m_project.mainShape(), progress);
        });
    } else {
        const BusyCursor busy;
        m_burialAnalyzer->setEnabled(false, m_componentManager->components(), m_project.mainShape());
    }
    if (m_burialButton) {
        // The analyzer may refuse to start; the button shows what it did.
        if (m_burialButton->isChecked() != m_burialAnalyzer->isEnabled()) {
            const QSignalBlocker blocker(m_burialButton);
            m_burialButton->setChecked(m_burialAnalyzer->isEnabled());
        }
        m_burialButton->setText(m_burialButton->isChecked() ? tr("Hide analysis") : tr("Burial analysis"));
    }
    if (m_occWidget)
        OccUtils::safeUpdateViewer(m_occWidget->context());
}

void MainWindow::manageFootprintFolders()
{
    FootprintFoldersDialog dialog(m_footprintManager.searchPaths(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The folders decide where new lookups go; the footprints placed components already use
    // stay with the design, or the next save would leave them out and a reopening lose them.
    const QList<FootprintData> inUse =
        m_componentManager ? m_componentManager->usedFootprints() : QList<FootprintData>();
    const int kept = FootprintFoldersDialog::applyFolders(m_footprintManager, dialog.folders());
    for (const FootprintData& footprint : inUse)
        m_footprintManager.registerEmbeddedFootprint(footprint);
    setStatusText(tr("Footprint folders updated (%1).").arg(kept));
}
