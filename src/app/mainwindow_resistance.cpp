// The resistance probe: two pads clicked in the view, the resistance between them through the
// tracks shown in a non-modal dialog and in the status line.
#include "app/mainwindow.h"

#include "components/componentmanager.h"
#include "foundation/appsettings.h"
#include "foundation/occutils.h"
#include "routing/resistancecalculator.h"
#include "routing/resistancedialog.h"
#include "view/modecontroller.h"
#include "view/occwidget.h"
#include "foundation/uitheme.h"

#include <Quantity_Color.hxx>

namespace {

constexpr double kDefaultResistivity = 2.59;

} // namespace

void MainWindow::enterResistanceProbeMode()
{
    if (!isViewerReady())
        return;
    if (!m_resistanceDialog) {
        m_resistanceDialog = new ResistanceDialog(this);
        m_resistanceDialog->setResistivity(AppSettings::resistivityOhmCm(kDefaultResistivity));
        connect(m_resistanceDialog, &ResistanceDialog::resistivityChanged, this, [this](double value) {
            AppSettings::setResistivityOhmCm(value);
            showResistanceResult();
        });
        connect(m_resistanceDialog, &ResistanceDialog::resetRequested, this,
                &MainWindow::resetResistanceProbe);
        connect(m_resistanceDialog, &QDialog::rejected, this, [this] {
            if (m_modeController)
                m_modeController->requestTransition(ModeController::Mode::View);
        });
    }
    resetResistanceProbe();
    m_occWidget->setInteractionMode(static_cast<int>(ModeController::Mode::ResistanceProbe));
    m_resistanceDialog->show();
    m_resistanceDialog->raise();
    setStatusText(tr("Resistance probe ACTIVE — click two pads"));
}

void MainWindow::exitResistanceProbeMode()
{
    clearProbeHighlights();
    if (isViewerReady())
        activatePadsForRouting(false);
    if (m_occWidget)
        m_occWidget->setInteractionMode(static_cast<int>(ModeController::Mode::View));
    if (m_resistanceDialog)
        m_resistanceDialog->hide();
    resetResistanceProbe();
    setStatusText(tr("Resistance probe disabled"));
}

void MainWindow::resetResistanceProbe()
{
    clearProbeHighlights();
    m_probePadA.reset();
    m_probePadB.reset();
    if (m_resistanceDialog) {
        m_resistanceDialog->setPads(PadId(), PadId());
        m_resistanceDialog->setStep(0);
    }
}

void MainWindow::onProbePadClicked(const PadId& pad)
{
    if (!isViewerReady() || !m_resistanceDialog)
        return;
    if (m_probePadB)
        resetResistanceProbe();
    if (m_probePadA) {
        if (pad == *m_probePadA) {
            setStatusText(tr("Choose a pad different from pad A"));
            return;
        }
        m_probePadB = pad;
        highlightProbePad(pad, Quantity_Color(Quantity_NOC_MAGENTA));
        m_resistanceDialog->setPads(*m_probePadA, pad);
        showResistanceResult();
        return;
    }
    m_probePadA = pad;
    highlightProbePad(pad, Quantity_Color(Quantity_NOC_CYAN));
    m_resistanceDialog->setPads(pad, PadId());
    m_resistanceDialog->setStep(1);
    setStatusText(tr("Pad A: %1/%2 — click pad B").arg(pad.ref, pad.pad));
}

void MainWindow::showResistanceResult()
{
    if (!m_resistanceDialog || !m_probePadA || !m_probePadB || !m_componentManager)
        return;
    const double typed = m_resistanceDialog->resistivity();
    if (typed > 0.0)
        m_probeResistivity = typed;

    ResistanceCalculator calculator;
    calculator.resistivityOhmCm = m_probeResistivity;
    const ResistanceResult result =
        calculator.compute(*m_probePadA, *m_probePadB, m_project.routingManager().routes(),
                           m_componentManager->components(), m_project.netlist().connections);
    m_resistanceDialog->showResult(result);
    if (!result.ok) {
        setStatusText(result.error);
        return;
    }
    const double total = result.tracksOhm + result.padAOhm + result.padBOhm;
    setStatusText(tr("R(%1/%2 ↔ %3/%4) = %5 Ω")
                      .arg(m_probePadA->ref, m_probePadA->pad, m_probePadB->ref, m_probePadB->pad,
                           UiTheme::decimal(total, 4)));
}

void MainWindow::highlightProbePad(const PadId& pad, const Quantity_Color& colour)
{
    if (m_componentManager && m_componentManager->highlightPad(pad, colour, true))
        m_probeHighlightedPads.append(pad);
}

void MainWindow::clearProbeHighlights()
{
    if (m_componentManager) {
        for (const PadId& pad : std::as_const(m_probeHighlightedPads))
            m_componentManager->clearPadHighlight(pad, false);
        if (m_occWidget)
            OccUtils::safeUpdateViewer(m_occWidget->context());
    }
    m_probeHighlightedPads.clear();
}
