// Manufacturing outputs of the window: the STEP and 3MF exports and the print plan.
#include "app/mainwindow.h"

#include "app/reportdialog.h"
#include "components/componentmanager.h"
#include "foundation/appsettings.h"
#include "foundation/naturalorder.h"
#include "outputs/printplandialog.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexportdialog.h"
#include "outputs/threemfexporter.h"
#include "routing/routingmanager.h"
#include "foundation/uitheme.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSet>
#include <QTimer>

#include <Message_ProgressScope.hxx>

namespace {

// The exported tracks whose solid is built but fails its volume check; those without a solid are
// counted as missing by the export itself.
QStringList brokenTracks(const RoutingManager& routing)
{
    QStringList broken;
    for (const Route& route : routing.routes()) {
        if (route.segments.isEmpty() || routing.routeShape(route).IsNull())
            continue;
        const QString fault = routing.routeFault(route);
        if (!fault.isEmpty())
            broken << QStringLiteral("%1 (%2): %3")
                          .arg(route.label(), route.netName.isEmpty() ? MainWindow::tr("(no net)") : route.netName,
                               fault);
    }
    return broken;
}

} // namespace

QString MainWindow::describeBrokenTracks(const QStringList& tracks)
{
    if (tracks.isEmpty())
        return QString();
    return QStringLiteral("\n\n")
        + tr("⚠ %n track(s) came out short of copper or in pieces and are written so: their nets may be open or "
             "thinner than drawn in print. Look for degenerate segments in those tracks:",
             nullptr, int(tracks.size()))
        + QStringLiteral("\n    ") + NaturalOrder::sorted(tracks).join(QStringLiteral("\n    "));
}

const QMap<QString, PlacedComponentData>& MainWindow::placedComponentMap() const
{
    // Before the viewer is ready there is no component manager, and nothing is placed.
    static const QMap<QString, PlacedComponentData> none;
    return m_componentManager ? m_componentManager->components() : none;
}

AssemblyInput MainWindow::assemblyInput() const
{
    AssemblyInput input;
    input.mainPart = m_project.mainShape();
    input.components = &placedComponentMap();
    input.routes = &m_project.routingManager().routes();
    // The routing model's kept solids: the track display has built them already.
    const RoutingManager* routing = &m_project.routingManager();
    input.routeShape = [routing](const Route& route) { return routing->routeShape(route); };
    input.presence = &m_partPresence;
    return input;
}

void MainWindow::setSaveFileChooser(SaveFileChooser chooser)
{
    m_saveFileChooser = std::move(chooser);
}

QString MainWindow::chooseSaveFile(int kind, const QString& caption, const QString& filter,
                                   const QStringList& suffixes)
{
    if (m_saveFileChooser)
        return m_saveFileChooser(this, kind, caption, filter, suffixes);
    return AppSettings::getSaveFileName(this, AppSettings::DirectoryKind(kind), caption, filter, suffixes);
}

PrintPlan MainWindow::planWithin(double layerHeightMm, const QList<VolumeSource>& volumes,
                                 const Message_ProgressRange& progress)
{
    if (!m_partPresence.update(m_project.mainShape(), volumes, progress)) {
        PrintPlan plan;
        plan.layerHeight = layerHeightMm;
        plan.error = tr("cancelled");
        return plan;
    }
    const QStringList outside = m_partPresence.componentsOutside(volumes);
    return PrintPlanGenerator::generate(placedComponentMap(), m_project.netlist().components, m_project.mainShape(),
                                        layerHeightMm, QSet<QString>(outside.cbegin(), outside.cend()),
                                        &m_planPartBox);
}

PrintPlan MainWindow::buildPrintPlan(double layerHeightMm)
{
    // Only what stands in the part takes time, and it does not depend on the layer height:
    // measured once, under the progress window, until the design changes.
    const QList<VolumeSource> volumes = PartPresence::componentVolumesOf(assemblyInput());
    if (isLongOperationRunning() || m_partPresence.isKnown(m_project.mainShape(), volumes))
        return planWithin(layerHeightMm, volumes, Message_ProgressRange());
    PrintPlan plan;
    if (!runLongOperation(tr("Computing the print plan..."), [&](const Message_ProgressRange& progress) {
            plan = planWithin(layerHeightMm, volumes, progress);
        })) {
        plan = PrintPlan();
        plan.layerHeight = layerHeightMm;
        plan.error = tr("not computed (see the message)");
    }
    return plan;
}

QString MainWindow::describeExportIssues(int cavitiesFailed, int groupsNotFused, int piecesCutApart,
                                         int tracksMissing,
                                         int componentsOutside, bool partOpen, const QStringList& tracksOutside,
                                         const QStringList& cavitiesNotCut, int cavitiesUnchecked,
                                         bool partInvalid)
{
    QString text;
    const auto add = [&text](const QString& paragraph) { text += QStringLiteral("\n\n") + paragraph; };
    if (partOpen)
        add(tr("⚠ The part is not closed: it holds surfaces and no solid, as its import said. It is written as it "
               "is, and a slicer reports it as an open model."));
    if (partInvalid)
        add(tr("⚠ The carved part fails the validity check (for instance a face whose edges cross one another): it "
               "is written as it is, and may not read back as written — what reads the file can find material "
               "missing or added. Repair the imported part in its CAD tool and export again."));
    if (componentsOutside > 0)
        add(tr("⚠ %n component(s) are not in the part: none of their pads and bodies reaches into its material, "
               "so no cavity was cut for them and nothing of them is embedded. \"Burial analysis\" shows where "
               "each body stands.",
               nullptr, componentsOutside));
    if (!tracksOutside.isEmpty()) {
        QStringList nets;
        for (const QString& net : tracksOutside) {
            const QString name = net.isEmpty() ? tr("(no net)") : net;
            if (!nets.contains(name))
                nets.append(name);
        }
        add(tr("⚠ %n track(s) lie wholly outside the part: they are written as conductors floating beside it, "
               "held and connected by nothing. Their nets:",
               nullptr, int(tracksOutside.size()))
            + QLatin1Char('\n') + abbreviatedList(nets).chopped(1));
    }
    if (tracksMissing > 0)
        add(tr("⚠ %n track(s) could not be built as solids and are missing from the file: their nets are not "
               "connected in print. Look for degenerate segments in those tracks.",
               nullptr, tracksMissing));
    if (cavitiesFailed > 0)
        add(tr("⚠ %n cavity(ies) could not be cut (Boolean subtraction failed): the affected component(s) will "
               "appear without a recess. Try moving them slightly or checking their footprint.",
               nullptr, cavitiesFailed)
            + (cavitiesNotCut.isEmpty() ? QString()
                                        : QLatin1Char('\n') + tr("Not cut, so printed without their recess:")
                                              + QLatin1Char('\n') + abbreviatedList(cavitiesNotCut).chopped(1)));
    if (cavitiesUnchecked > 0)
        add(tr("⚠ The check of what the cuts left in the cavities could not be made: %n cavity(ies) are not known "
               "to be cut and are counted among those not cut.",
               nullptr, cavitiesUnchecked));
    if (groupsNotFused > 0)
        add(tr("⚠ %n conductor element(s) could not be fused into a single solid: their overlapping pieces are "
               "exported as they are, and anything that meshes the file reads that as a shell passing through "
               "itself. Simplify the tracks of the affected net(s).",
               nullptr, groupsNotFused));
    if (piecesCutApart >= 2)
        add(tr("⚠ The cavities cut solids of the part apart: %n piece(s) that were joined before carving are "
               "now separate. Anything not resting on the plate will print in mid-air. Check the tracks that pass "
               "closest to the edges and to one another.",
               nullptr, piecesCutApart));
    return text;
}

void MainWindow::exportStepFile()
{
    if (isLongOperationRunning() || !ensureViewerReady() || !requirePart(tr("Import a STEP part before exporting.")))
        return;
    const QString path = chooseSaveFile(AppSettings::ExportStep, tr("Export STEP"),
                                        tr("STEP Files (*.step *.stp);;All Files (*)"),
                                        {QStringLiteral("step"), QStringLiteral("stp")});
    if (path.isEmpty())
        return;

    ExportOptions options;
    options.includeBodies = options.includePads = options.includeRoutes = true;
    options.baseFuzzy = 0.01;
    StepExportSummary summary;
    if (!runLongOperation(tr("Exporting STEP..."), [&](const Message_ProgressRange& progress) {
            // What stands in the part is measured by the window, which keeps it for the plan.
            Message_ProgressScope scope(progress, nullptr, 10.0);
            if (!m_partPresence.update(m_project.mainShape(), PartPresence::volumesOf(assemblyInput()),
                                       scope.Next(1.0))) {
                summary.cancelled = true;
                return;
            }
            summary = StepExporter::exportStep(path, assemblyInput(), options, &m_assemblyCache, scope.Next(9.0));
        }))
        return;

    if (summary.cancelled) {
        setStatusText(tr("STEP export cancelled"));
        return;
    }
    if (!summary.success) {
        setStatusText(tr("✗ STEP export failed"));
        QMessageBox::warning(this, tr("STEP export error"), tr("Export failed:\n\n%1").arg(summary.error),
                             QMessageBox::Ok);
        return;
    }
    setStatusText(tr("✓ STEP export: %n cavity(ies)", nullptr, summary.cavitiesOk) + QStringLiteral(", ")
                  + tr("%n conductor element(s)", nullptr, summary.conductorGroups));
    const QString report =
        tr("✓ File exported:\n%1\n\nContent:\n").arg(QFileInfo(path).fileName())
        + (summary.cavitiesOk > 0 ? tr("• Main part: hollowed (%n cavity(ies))\n", nullptr, summary.cavitiesOk)
                                  : tr("• Main part: whole, no cavity cut\n"))
        + tr("• Conductor: %n element(s) (pads + tracks)\n\n", nullptr, summary.conductorGroups)
        + tr("The two shapes are distinct objects in the STEP file.\nAssign them different materials in your slicer.")
        + describeExportIssues(summary.cavitiesFailed, summary.groupsNotFused, summary.piecesCutApart,
                               summary.tracksMissing,
                               summary.componentsOutside, summary.partOpen, summary.tracksOutside,
                               summary.cavitiesNotCut, summary.cavitiesUnchecked, summary.partInvalid)
        + describeBrokenTracks(brokenTracks(m_project.routingManager()));
    QMessageBox::information(this, tr("STEP export successful"), report, QMessageBox::Ok);
}

void MainWindow::showPrintPlan()
{
    if (!ensureViewerReady() || !requirePart(tr("Import a STEP part first before generating the print plan.")))
        return;
    const bool first = !m_printPlanDialog;
    if (first) {
        m_printPlanDialog = new PrintPlanDialog(this);
        m_printPlanDialog->setGenerator([this](double layerHeightMm) { return buildPrintPlan(layerHeightMm); });
    }
    m_printPlanDialog->regenerate();
    if (first)
        ReportDialog::fitToScreen(m_printPlanDialog);
    m_printPlanDialog->show();
    m_printPlanDialog->raise();
    m_printPlanDialog->activateWindow();
}

void MainWindow::followPrintPlan()
{
    if (!m_printPlanDialog || !m_printPlanDialog->isVisible() || m_printPlanFollowQueued)
        return;
    m_printPlanFollowQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_printPlanFollowQueued = false;
        // After a long operation that runs meanwhile (its reports let this in).
        if (isLongOperationRunning()) {
            followPrintPlan();
            return;
        }
        // A drag sends its change once more as it ends.
        if (m_printPlanDialog && m_printPlanDialog->isVisible() && !m_componentDragActive)
            m_printPlanDialog->regenerate();
    });
}

void MainWindow::export3mfPart()
{
    export3mf(false);
}

void MainWindow::export3mfProject()
{
    export3mf(true);
}

void MainWindow::export3mf(bool projectMode)
{
    if (isLongOperationRunning() || !ensureViewerReady() || !requirePart(tr("Import a STEP part before exporting.")))
        return;
    const QString caption = projectMode ? tr("Export 3MF project") : tr("Export 3MF part");
    const QString path = chooseSaveFile(AppSettings::ExportStep, caption, tr("3MF Files (*.3mf);;All Files (*)"),
                                        {QStringLiteral("3mf")});
    if (path.isEmpty())
        return;
    ThreeMfExportDialog dialog(caption, projectMode, this);
    if (dialog.exec() != QDialog::Accepted) {
        setStatusText(tr("3MF export cancelled"));
        return;
    }
    const ExportOptions options = dialog.options();
    PrintPlan plan;
    ThreeMfExportSummary summary;
    if (!runLongOperation(tr("Exporting 3MF..."), [&](const Message_ProgressRange& progress) {
            // The plan's verdicts on what stands in the part serve the export's counts as well.
            Message_ProgressScope scope(progress, nullptr, 10.0);
            plan = planWithin(PrintPlanDialog::storedLayerHeight(),
                              PartPresence::componentVolumesOf(assemblyInput()), scope.Next(1.0));
            if (!scope.More()) {
                summary.cancelled = true;
                return;
            }
            summary = ThreeMfExporter().exportThreeMf(path, assemblyInput(), plan, options, &m_assemblyCache,
                                                      scope.Next(9.0));
        }))
        return;
    if (summary.cancelled) {
        setStatusText(tr("3MF export cancelled"));
        return;
    }
    if (!summary.ok) {
        setStatusText(tr("✗ 3MF export failed"));
        QMessageBox::warning(this, tr("3MF export error"), tr("Export failed:\n\n%1").arg(summary.error),
                             QMessageBox::Ok);
        return;
    }
    setStatusText(tr("✓ 3MF export: %n object(s)", nullptr, summary.partCount));
    QMessageBox::information(this, tr("3MF export successful"),
                             threeMfReport(QFileInfo(path).fileName(), projectMode, options, plan, summary)
                                 + (options.includeRoutes ? describeBrokenTracks(brokenTracks(m_project.routingManager()))
                                                          : QString()),
                             QMessageBox::Ok);
}

QString MainWindow::threeMfReport(const QString& fileName, bool projectMode, const ExportOptions& options,
                                  const PrintPlan& plan, const ThreeMfExportSummary& summary)
{
    QString text = tr("✓ 3MF file exported:\n%1\n\nContent:\n").arg(fileName)
                   + tr("• Single item, %n part(s) (component + conductors)\n", nullptr, summary.partCount);
    if (options.embedPlanTxt || options.embedPlanCsv) {
        QStringList suffixes;
        if (options.embedPlanTxt)
            suffixes.append(QStringLiteral(".txt"));
        if (options.embedPlanCsv)
            suffixes.append(QStringLiteral(".csv"));
        text += tr("• Embedded print plan: Metadata/Vantorquelle_PrintPlan%1\n\n").arg(suffixes.join(QStringLiteral(" + ")));
        text += plan.ok ? tr("Pause heights are carried over in the 3MF file (attachments).\n")
                        : tr("Note: the print plan is unavailable (%1) — the attachments indicate this.\n")
                              .arg(plan.error);
    }
    if (options.slicerConfigMode == 1) {
        text += tr("• PrusaSlicer settings: %n perimeter(s) + %1% infill (Slic3r_PE_model.config).", nullptr,
                   options.conductorPerimeters)
                    .arg(90);
        if (summary.nativePauseCount >= 1) {
            text += QStringLiteral("\n")
                    + tr("• %n embedded M601 pause(s) with LCD message: open the 3MF as a PROJECT in PrusaSlicer and "
                         "slice at %1 mm (first layer included) — the insertion pause(s) already on the layer slider.",
                         nullptr, summary.nativePauseCount)
                          .arg(UiTheme::decimal(plan.layerHeight, 2));
        } else if (projectMode) {
            text += QStringLiteral("\n")
                    + (!plan.ok ? tr("⚠ Native pauses not embedded: print plan unavailable (%1).").arg(plan.error)
                       : plan.totalInsertCount() > 0
                           ? tr("• No native pause to embed: all insertions happen at the end of the print.")
                           : tr("• No native pause to embed: the plan has no component to insert."));
        }
    }
    text += describeExportIssues(summary.cavitiesFailed, summary.groupsNotFused, summary.piecesCutApart,
                                 summary.tracksMissing,
                                 summary.componentsOutside, summary.partOpen, summary.tracksOutside,
                               summary.cavitiesNotCut, summary.cavitiesUnchecked, summary.partInvalid);
    const struct { int count; const char* paragraph; } meshProblems[] = {
        {summary.openShells,
         QT_TR_N_NOOP("⚠ %n shell(s) did not close: the written mesh has boundary edges there, and a slicer reports "
                    "that as an open model. The usual cause is a face the mesher could not triangulate — see below.")},
        {summary.flippedShells,
         QT_TR_N_NOOP("ℹ %n shell(s) came out of the mesher inside-out and were flipped before writing. The file is "
                    "correct; the shape they came from is not quite, so keep an eye on the affected geometry.")},
        {summary.nonManifoldEdges,
         QT_TR_N_NOOP("⚠ %n edge(s) are shared by more than two triangles inside a single shell: that surface is "
                    "written twice over itself and a slicer reads it as a self-intersection.")},
        {summary.unmeshedFaces,
         QT_TR_N_NOOP("⚠ %n face(s) could not be meshed and are MISSING from the file: the exported shell has that "
                    "many holes. Widen or deepen the thinnest tracks and export again.")},
        {summary.droppedConductors,
         QT_TR_N_NOOP("⚠ %n conductor element(s) could not be meshed at all and are ABSENT from the file: the part "
                    "keeps their cavity, with nothing inside it. Check the tracks and pads of the affected "
                    "element(s).")},
    };
    for (const auto& problem : meshProblems)
        if (problem.count > 0)
            text += QStringLiteral("\n\n") + tr(problem.paragraph, nullptr, problem.count);
    return text;
}
