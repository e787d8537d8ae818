// Netlist import, and the update of a placed board from a changed netlist.
#include "app/mainwindow.h"

#include "app/propertiespanel.h"
#include "app/reportdialog.h"
#include "components/burialanalyzer.h"
#include "components/componentmanager.h"

#include "foundation/appsettings.h"
#include "foundation/naturalorder.h"
#include "foundation/occutils.h"
#include "model/routerecords.h"
#include "project/netlistdiff.h"
#include "project/netlistupdate.h"
#include "view/occwidget.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUndoStack>

#include <algorithm>

namespace {

const QString kNetlistFilter = QStringLiteral("Netlist Files (*.net);;All Files (*)");

} // namespace

void MainWindow::importNetlist()
{
    const QString path = m_openFileChooser
        ? m_openFileChooser(this, AppSettings::Netlist, tr("Import Netlist"), kNetlistFilter, QString())
        : QString();
    if (path.isEmpty())
        return;

    if (!m_project.netlist().components.isEmpty() && hasPlacedComponents()) {
        const auto answer = QMessageBox::question(
            this, tr("Import Netlist"),
            tr("This project already has a netlist and placed components.\n\nImporting replaces the "
               "netlist outright; the components stay where they are but nothing checks that they "
               "still match it.\n\nTo keep your placement and apply only what changed, use “Update "
               "from netlist…” instead.\n\nImport anyway?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            setStatusText(tr("Netlist import cancelled"));
            return;
        }
    }

    QString error;
    if (!m_project.importNetlist(path, &error)) {
        QMessageBox::warning(this, tr("Error"),
                             tr("Failed to load the netlist:\n\n%1\n\nThe netlist already loaded, if "
                                "any, has been kept.")
                                 .arg(error));
        return;
    }
    // The netlist is part of the saved design, though no command can undo its import.
    setModifiedOutsideUndo(true);
    const int components = int(m_project.netlist().components.size());
    const int nets = int(m_project.netlist().connections.size());
    setStatusText(tr("Netlist loaded: %1, %2")
                      .arg(tr("%n component(s)", nullptr, components), tr("%n net(s)", nullptr, nets)));
    ReportDialog::inform(this, QMessageBox::Information, tr("Netlist loaded"),
                         {tr("Loading successful: %1 and %2")
                              .arg(tr("%n component(s)", nullptr, components), tr("%n net(s)", nullptr, nets)),
                          {},
                          QString()});
}

QString MainWindow::describeComponentChanges(const NetlistUpdate& update)
{
    constexpr int kShownChanges = 12;
    QString text;
    if (!update.added.isEmpty())
        text += tr("• %n component(s) to add:\n", nullptr, int(update.added.size()))
            + abbreviatedList(update.added);
    if (!update.removed.isEmpty())
        text += tr("• %n component(s) to remove:\n", nullptr, int(update.removed.size()))
            + abbreviatedList(update.removed);
    if (!update.footprintChanges.isEmpty()) {
        QList<NetlistUpdate::FootprintChange> changes = update.footprintChanges;
        std::stable_sort(changes.begin(), changes.end(),
                         [](const NetlistUpdate::FootprintChange& a, const NetlistUpdate::FootprintChange& b) {
                             return NaturalOrder::less(a.ref, b.ref);
                         });
        const int count = int(changes.size());
        text += tr("• %n footprint change(s):\n", nullptr, count);
        for (int i = 0; i < count && i < kShownChanges; ++i) {
            const NetlistUpdate::FootprintChange& change = changes.at(i);
            text += QStringLiteral("    %1: %2 → %3\n")
                        .arg(change.ref, change.currentFootprint, change.newFootprint);
        }
        if (count > kShownChanges)
            text += tr("    … (+%n more)\n", nullptr, count - kShownChanges);
    }
    if (update.keptCount > 0)
        text += tr("• %n component(s) kept as they are\n", nullptr, update.keptCount);
    return text;
}

QString MainWindow::describeTrackNetChanges(const NetlistUpdate& update)
{
    constexpr int kShownEnds = 8;
    if (update.staleTrackEnds.isEmpty())
        return QString();
    QString text = QStringLiteral("\n")
        + tr("⚠ %n track(s) would no longer match the netlist:\n", nullptr,
             update.affectedRouteCount());
    const int count = int(update.staleTrackEnds.size());
    for (int i = 0; i < count && i < kShownEnds; ++i) {
        const NetlistUpdate::StaleTrackEnd& end = update.staleTrackEnds.at(i);
        const QString track = QString::number(end.routeIndex + 1);
        const QString pad = end.pad.ref + QLatin1Char('/') + end.pad.pad;
        if (end.kind == NetlistUpdate::ComponentRemoved)
            text += tr("    %1 (net %2): %3 no longer exists\n").arg(track, end.routeNet, pad);
        else if (!end.newNet.isEmpty())
            text += tr("    %1 (net %2): %3 moved to net %4\n").arg(track, end.routeNet, pad, end.newNet);
        else
            text += tr("    %1 (net %2): %3 is on no net any more\n").arg(track, end.routeNet, pad);
    }
    if (count > kShownEnds)
        text += tr("    … and %n more\n", nullptr, count - kShownEnds);
    text += tr("\nThese tracks are KEPT as they are. They will reappear in the ratsnest as unrouted; "
               "delete or redraw them yourself.\n");
    return text;
}

QMap<QString, QString> MainWindow::placedFootprintAssignments() const
{
    return m_componentManager ? m_componentManager->footprintAssignments() : QMap<QString, QString>();
}

MainWindow::NetlistApplyCounts MainWindow::applyNetlistToComponents(const Netlist& netlist,
                                                                    const NetlistUpdate& update)
{
    NetlistApplyCounts counts;
    if (!m_componentManager)
        return counts;
    const ComponentManager::NetlistApplyResult result =
        m_componentManager->applyNetlistUpdate(netlist.components, update);
    counts.addedWithFootprint = result.created;
    counts.addedAsFallback = result.missing;
    counts.removed = int(result.removed.size());
    counts.replaced = int(result.replaced.size());
    counts.failedFootprints = result.replaceFailed;
    counts.outOfMemory = result.outOfMemory;
    return counts;
}

void MainWindow::updateFromNetlist()
{
    if (!ensureViewerReady() || !m_componentManager)
        return;
    if (!hasPlacedComponents()) {
        QMessageBox::information(this, tr("Update from netlist"),
                                 tr("No component is placed yet. Import the netlist and use “Generate "
                                    "3D components”."));
        return;
    }
    if (m_project.routingManager().isRouting()) {
        QMessageBox::information(this, tr("Update from netlist"),
                                 tr("Finish or cancel the track being drawn first (Esc)."));
        return;
    }

    const QString path = m_openFileChooser
        ? m_openFileChooser(this, AppSettings::Netlist, tr("Update from netlist"), kNetlistFilter,
                            QString())
        : QString();
    if (path.isEmpty())
        return;

    Netlist netlist;
    QString error;
    if (!ProjectManager::loadNetlist(path, netlist, error)) {
        QMessageBox::warning(this, tr("Error"),
                             tr("Failed to read the netlist:\n\n%1\n\nNothing has been changed.").arg(error));
        return;
    }

    QMap<QString, QString> newFootprints;
    for (auto it = netlist.components.cbegin(); it != netlist.components.cend(); ++it)
        newFootprints.insert(it.key(), FootprintManager::normalizeFootprintName(it->footprint));
    NetlistUpdate update;
    computeNetlistUpdate(update, placedFootprintAssignments(), newFootprints, netlist.connections,
                         m_project.routingManager().routes());

    const QString fileName = QFileInfo(path).fileName();
    if (update.added.isEmpty() && update.removed.isEmpty() && update.footprintChanges.isEmpty()
        && update.staleTrackEnds.isEmpty()) {
        reportNetlistContentChanges(fileName, std::move(netlist));
        return;
    }

    QStringList changes{describeComponentChanges(update).trimmed()};
    const QString trackChanges = describeTrackNetChanges(update).trimmed();
    if (!trackChanges.isEmpty())
        changes << QString() << trackChanges;
    const ReportDialog::Content question{
        tr("Applying “%1”:\n\n").arg(fileName), changes,
        tr("\nComponents that remain keep their position, rotation and dimensions.\n\n"
           "The undo history will be cleared: this update cannot be undone.\n\nApply?")};
    if (!ReportDialog::ask(this, QMessageBox::Question, tr("Update from netlist"), question)) {
        setStatusText(tr("Update cancelled"));
        return;
    }

    if (m_modeController)
        m_modeController->requestTransition(ModeController::Mode::View);
    clearComponentSelection();
    if (m_propertiesPanel)
        m_propertiesPanel->clearSelection();
    updateRatsnestButton(false);
    if (m_burialAnalyzer)
        m_burialAnalyzer->clearResults(false, nullptr);
    if (m_burialButton)
        m_burialButton->setChecked(false);
    const Netlist installed = netlist;
    Netlist previous = m_project.netlist();
    NetlistApplyCounts counts;
    withOneDesignSignal([&] {
        m_project.setNetlist(std::move(netlist));
        counts = applyNetlistToComponents(installed, update);
        if (counts.outOfMemory)
            m_project.setNetlist(std::move(previous));
        else
            m_undoStack->clear(); // nothing is left to undo, yet the design differs from its file
    });
    if (counts.outOfMemory) {
        if (m_occWidget && !m_occWidget->context().IsNull())
            OccUtils::safeUpdateViewer(m_occWidget->context());
        QMessageBox::warning(this, tr("Update from netlist"),
                             tr("❌ Not enough memory to add the new components: the board and its netlist were "
                                "left as they were."));
        setStatusText(tr("Netlist update refused: not enough memory"));
        return;
    }

    setModifiedOutsideUndo(true);
    if (m_occWidget && !m_occWidget->context().IsNull())
        OccUtils::safeUpdateViewer(m_occWidget->context());

    QString summary = tr("✓ Update applied:\n\n")
        + tr("• %n component(s) added\n", nullptr, counts.addedWithFootprint + counts.addedAsFallback)
        + tr("• %n component(s) removed\n", nullptr, counts.removed)
        + tr("• %n footprint(s) replaced\n", nullptr, counts.replaced)
        + tr("• %n component(s) kept\n", nullptr, update.keptCount);
    const int affected = update.affectedRouteCount();
    if (affected > 0)
        summary += tr("\n\n⚠ %n track(s) no longer match the netlist and were left untouched.", nullptr,
                      affected);
    QStringList failed;
    if (!counts.failedFootprints.isEmpty())
        failed << tr("\n⚠ %n footprint change(s) could not be loaded; those components keep their "
                     "previous footprint:\n",
                     nullptr, int(counts.failedFootprints.size()))
                          .trimmed()
               << QStringLiteral("    ") + NaturalOrder::sorted(counts.failedFootprints).join(QStringLiteral(", "));
    ReportDialog::inform(this, QMessageBox::Information, tr("Update from netlist"), {summary, failed, QString()});
    setStatusText(tr("Netlist update applied"));
}

void MainWindow::reportNetlistContentChanges(const QString& fileName, Netlist&& netlist)
{
    const NetlistContentChanges changes = compareNetlistContents(m_project.netlist(), netlist);
    if (changes.isEmpty()) {
        QMessageBox::information(this, tr("Update from netlist"),
                                 tr("This netlist matches the board exactly: nothing to update."));
        setStatusText(tr("Netlist already up to date"));
        return;
    }

    // The board already matches; the nets and values still have to follow the schematic, or the
    // ratsnest, the routing and the saved file would keep the old connections.
    m_project.setNetlist(std::move(netlist));
    setModifiedOutsideUndo(true);

    const QString summary = tr("“%1” changes no placed component and no routed track, but the netlist "
                               "itself changed:\n\n")
                                .arg(fileName);
    QString report;
    if (!changes.netsAdded.isEmpty())
        report += tr("• %n net(s) added:\n", nullptr, int(changes.netsAdded.size()))
            + abbreviatedList(changes.netsAdded);
    if (!changes.netsRemoved.isEmpty())
        report += tr("• %n net(s) removed:\n", nullptr, int(changes.netsRemoved.size()))
            + abbreviatedList(changes.netsRemoved);
    if (!changes.netsRewired.isEmpty())
        report += tr("• %n net(s) with other connections:\n", nullptr, int(changes.netsRewired.size()))
            + abbreviatedList(changes.netsRewired);
    if (!changes.valuesChanged.isEmpty())
        report += tr("• %n component value(s) changed:\n", nullptr, int(changes.valuesChanged.size()))
            + abbreviatedList(changes.valuesChanged);
    if (changes.otherDetails)
        report += tr("• other details (pin names, footprint libraries)\n");
    ReportDialog::inform(this, QMessageBox::Information, tr("Update from netlist"),
                         {summary, {report},
                          tr("\nThe new netlist is installed; placed components and tracks are unchanged.")});
    setStatusText(tr("Netlist updated: connections and values only"));
}
