// Manufacturing outputs of the window: the STEP export and the print plan.
#include "app/mainwindow.h"

#include "components/componentmanager.h"
#include "foundation/appsettings.h"
#include "outputs/printplandialog.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "routing/routingmanager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

const QMap<QString, PlacedComponentData>& MainWindow::placedComponentMap() const
{
    // Before the viewer is ready there is no component manager, and so nothing placed.
    static const QMap<QString, PlacedComponentData> none;
    return m_componentManager ? m_componentManager->components() : none;
}

AssemblyInput MainWindow::assemblyInput() const
{
    AssemblyInput input;
    input.mainPart = m_project.mainShape();
    input.components = &placedComponentMap();
    input.routes = &m_project.routingManager().routes();
    input.routeShape = &RoutingManager::createRouteShape;
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

PrintPlan MainWindow::buildPrintPlan(double layerHeightMm)
{
    return PrintPlanGenerator::generate(placedComponentMap(), m_project.netlist().components, m_project.mainShape(),
                                        layerHeightMm);
}

QString MainWindow::describeExportIssues(int cavitiesFailed, int cavitiesUnvalidated, int groupsNotFused,
                                         int straySolidsRemoved, int partSolids)
{
    QString text;
    const auto add = [&text](const QString& paragraph) { text += QStringLiteral("\n\n") + paragraph; };
    if (cavitiesFailed > 0)
        add(tr("⚠ %n cavity(ies) could not be cut (Boolean subtraction failed): the affected component(s) will "
               "appear without a recess. Try moving them slightly or checking their footprint.",
               nullptr, cavitiesFailed));
    if (cavitiesUnvalidated > 0)
        add(tr("⚠ %n cavity(ies) were cut but the resulting part is not a sound solid: no tolerance produced a "
               "valid result. The file may show holes, inside-out walls or missing tracks once sliced. The usual "
               "cause is a track thinner than the tolerances the cut needs — widen or deepen the thinnest tracks, "
               "or move them apart from the component bodies.",
               nullptr, cavitiesUnvalidated));
    if (groupsNotFused > 0)
        add(tr("⚠ %n conductor element(s) could not be fused into a single solid: their overlapping pieces are "
               "exported as they are, and anything that meshes the file reads that as a shell passing through "
               "itself. Simplify the tracks of the affected net(s).",
               nullptr, groupsNotFused));
    if (straySolidsRemoved > 0)
        add(tr("ℹ %n cavity(ies) were handed back by the Boolean still filled with the part's own material, which "
               "would have collided with the conductor placed there. The leftover was removed and the file is "
               "correct — but it means those cuts are running at the edge of what the tolerances allow. Widening "
               "or deepening the affected tracks and pads makes them reliable.",
               nullptr, straySolidsRemoved));
    if (partSolids >= 2)
        add(tr("⚠ The carved part is made of %n disconnected piece(s). The cavities have cut it apart: anything "
               "not resting on the plate will print in mid-air. Check the tracks that pass closest to the edges "
               "and to one another.",
               nullptr, partSolids));
    return text;
}

void MainWindow::exportStepFile()
{
    if (!ensureViewerReady() || !requirePart(tr("Import a STEP part before exporting.")))
        return;
    const QString path = chooseSaveFile(AppSettings::ExportStep, tr("Export STEP"),
                                        tr("STEP Files (*.step *.stp);;All Files (*)"),
                                        {QStringLiteral("step"), QStringLiteral("stp")});
    if (path.isEmpty())
        return;

    setStatusText(tr("Exporting STEP..."));
    QCoreApplication::processEvents();

    ExportOptions options;
    options.includeBodies = options.includePads = options.includeRoutes = true;
    options.baseFuzzy = 0.01;
    const StepExportSummary summary = StepExporter::exportStep(path, assemblyInput(), options);

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
        + tr("• Main part: hollowed (%n cavity(ies))\n", nullptr, summary.cavitiesOk)
        + tr("• Conductor: %n element(s) (pads + tracks)\n\n", nullptr, summary.conductorGroups)
        + tr("The two shapes are distinct objects in the STEP file.\nAssign them different materials in your slicer.")
        + describeExportIssues(summary.cavitiesFailed, summary.cavitiesUnvalidated, summary.groupsNotFused,
                               summary.straySolidsRemoved, summary.partSolids);
    QMessageBox::information(this, tr("STEP export successful"), report, QMessageBox::Ok);
}

void MainWindow::showPrintPlan()
{
    if (!ensureViewerReady() || !requirePart(tr("Import a STEP part first before generating the print drawing.")))
        return;
    if (!m_printPlanDialog) {
        m_printPlanDialog = new PrintPlanDialog(this);
        m_printPlanDialog->setGenerator([this](double layerHeightMm) { return buildPrintPlan(layerHeightMm); });
    }
    m_printPlanDialog->regenerate();
    m_printPlanDialog->show();
    m_printPlanDialog->raise();
    m_printPlanDialog->activateWindow();
}
