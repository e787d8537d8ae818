#include "app/mainwindow.h"

#include "app/propertiespanel.h"

#include "components/burialanalyzer.h"
#include "components/componentmanager.h"
#include "foundation/jobs.h"
#include "foundation/occutils.h"
#include "foundation/scopeguard.h"
#include "foundation/uitheme.h"
#include "interaction/routingcontroller.h"
#include "outputs/printplandialog.h"
#include "view/occwidget.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

QPushButton* addButton(QVBoxLayout* layout, const QString& text, bool checkable, bool enabled)
{
    auto* button = new QPushButton(text);
    button->setCheckable(checkable);
    button->setEnabled(enabled);
    layout->addWidget(button);
    return button;
}

void setEnabledIf(QWidget* widget, bool enabled)
{
    if (widget)
        widget->setEnabled(enabled);
}

void setEnabledIf(QAction* action, bool enabled)
{
    if (action)
        action->setEnabled(enabled);
}

} // namespace

QWidget* MainWindow::createToolPanel()
{
    auto* panel = new QWidget;
    panel->setMinimumWidth(200);
    panel->setMaximumWidth(200);
    auto* layout = new QVBoxLayout(panel);

    m_importButton = addButton(layout, tr("Import STEP / STL"), false, true);
    connect(m_importButton, &QPushButton::clicked, this, &MainWindow::importGeometryFile);

    m_orientButton = addButton(layout, tr("Orient part"), true, false);

    m_importNetlistButton = addButton(layout, tr("Import Netlist"), false, true);
    connect(m_importNetlistButton, &QPushButton::clicked, this, &MainWindow::importNetlist);

    m_resetViewButton = addButton(layout, tr("Reset View"), false, true);
    connect(m_resetViewButton, &QPushButton::clicked, this, &MainWindow::resetView);

    layout->addStretch(0);

    m_generateButton = addButton(layout, tr("Generate 3D components"), false, false);
    connect(m_generateButton, &QPushButton::clicked, this, &MainWindow::generateComponents);

    m_ratsnestButton = addButton(layout, tr("Show Ratsnest"), true, false);
    connect(m_ratsnestButton, &QPushButton::clicked, this, &MainWindow::toggleRatsnestDisplay);

    m_selectionModeButton = addButton(layout, tr("Selection mode"), true, false);

    m_followSurfaceButton = addButton(layout, tr("Follow surface"), true, false);
    connect(m_followSurfaceButton, &QPushButton::clicked, this,
            &MainWindow::setSurfaceFollowingMode);

    m_ratsnestInfoButton = addButton(layout, tr("Ratsnest Info"), false, false);
    connect(m_ratsnestInfoButton, &QPushButton::clicked, this, &MainWindow::showRatsnestInfo);

    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    layout->addWidget(separator);

    m_burialButton = addButton(layout, tr("Burial analysis"), true, false);
    m_burialButton->setToolTip(tr("Shows in green the part buried in the STEP piece,\n"
                                  "in orange the protruding part,\n"
                                  "and in red the outline at the interface."));
    m_burialButton->setStyleSheet(QStringLiteral(
        "QPushButton { font-size: 11px; padding: 4px 6px; }"
        "QPushButton:checked { background-color: #2d6a2d; color: white; font-weight: bold; }"
        "QPushButton:checked:hover { background-color: #3a8a3a; }"));
    connect(m_burialButton, &QPushButton::toggled, this, &MainWindow::onBurialAnalysisToggled);

    m_routingButton = addButton(layout, tr("Routing Mode"), true, false);
    // Its click handler is connected together with the routing controller.
    m_clearTracksButton = addButton(layout, tr("Clear tracks"), false, false);

    m_routingStatusLabel = new QLabel;
    UiTheme::setFittedText(m_routingStatusLabel, tr("Routing: Inactive"));
    UiTheme::setMuted(m_routingStatusLabel);
    layout->addWidget(m_routingStatusLabel);

    m_probeButton = addButton(layout, tr("Resistance probe"), true, false);

    return panel;
}

void MainWindow::onDesignModelChanged()
{
    if (m_designSignalHeld > 0)
        m_designSignalWanted = true;
    else
        emit designStateChanged();
}

void MainWindow::withOneDesignSignal(const std::function<void()>& steps)
{
    {
        ++m_designSignalHeld;
        const ScopeGuard release([this] { --m_designSignalHeld; });
        steps();
    }
    if (m_designSignalHeld == 0 && std::exchange(m_designSignalWanted, false))
        emit designStateChanged();
}

void MainWindow::onDesignStateChanged()
{
    // The verdicts on what stands in the part hold for that part alone.
    const TopoDS_Shape part = m_project.mainShape();
    m_partPresence.forgetOtherParts(part);
    m_planPartBox.forgetOtherParts(part);
    const QList<TopoDS_Shape>& shapes = m_project.shapes();
    const auto same = [](const TopoDS_Shape& a, const TopoDS_Shape& b) { return a.IsSame(b); };
    if (!std::equal(m_designShapes.cbegin(), m_designShapes.cend(), shapes.cbegin(), shapes.cend(), same)) {
        // Another design (opened, new, imported or turned): a plan window left open would show,
        // and export, the previous one's plan.
        if (m_printPlanDialog) {
            m_printPlanDialog->hide();
            m_printPlanDialog->deleteLater();
            m_printPlanDialog = nullptr;
        }
        // Freeing a big part and its carving holds the thread for seconds: the last references
        // go beside it.
        auto previous = std::make_shared<std::pair<QList<TopoDS_Shape>, AssemblyCache>>(
            std::exchange(m_designShapes, shapes), m_assemblyCache);
        m_assemblyCache.clear();
        Jobs::release(std::move(previous));
    } else {
        followPrintPlan();
    }
    updateActionStates();
}

void MainWindow::updateActionStates()
{
    const bool part = !m_project.mainShape().IsNull();
    const bool components = hasPlacedComponents();
    const bool footprinted = hasFootprintedComponents();
    const bool tracks = !m_project.routingManager().routes().isEmpty();
    const bool netlistComponents = !m_project.netlist().components.isEmpty();

    setEnabledIf(m_orientButton, part);
    // Whatever brought the netlist in: an import, an update or an opened project.
    setEnabledIf(m_generateButton, netlistComponents);
    setEnabledIf(m_exportStepAction, part);
    setEnabledIf(m_export3mfPartAction, part);
    setEnabledIf(m_export3mfProjectAction, part);
    setEnabledIf(m_printPlanAction, part);
    setEnabledIf(m_ratsnestButton, components);
    setEnabledIf(m_routingButton, footprinted);
    setEnabledIf(m_probeButton, footprinted);
    setEnabledIf(m_selectionModeButton, tracks || components);
    setEnabledIf(m_followSurfaceButton, part && components);
    setEnabledIf(m_burialButton, part && footprinted);
    setEnabledIf(m_clearTracksButton, m_project.routingManager().hasAnyRoute());
    setEnabledIf(m_updateFromNetlistAction, components && netlistComponents);

    refreshBoardExplorer();
}

void MainWindow::setSurfaceFollowingMode(bool enabled)
{
    m_surfaceFollowing = enabled;
    if (enabled) {
        if (m_followSurfaceButton)
            m_followSurfaceButton->setText(tr("Plane mode"));
        setStatusText(tr("Surface follow mode ACTIVE - Components will follow the surface of the part"));
    } else {
        if (m_followSurfaceButton)
            m_followSurfaceButton->setText(tr("Follow surface"));
        setStatusText(tr("Plane mode ACTIVE - Components stay on the build plate"));
    }
}

void MainWindow::resetView()
{
    if (m_occWidget)
        m_occWidget->fitAll();
    setStatusText(tr("View reset"));
}

void MainWindow::resetInteractionState()
{
    if (m_modeController)
        m_modeController->requestTransition(ModeController::Mode::View);

    if (m_burialAnalyzer && m_componentManager) {
        m_burialAnalyzer->setEnabled(false, m_componentManager->components(), m_project.mainShape());
        m_burialAnalyzer->clearResults(false, nullptr);
    }
    if (m_burialButton) {
        const QSignalBlocker blocker(m_burialButton);
        m_burialButton->setChecked(false);
        m_burialButton->setText(tr("Burial analysis"));
    }

    updateRatsnestButton(false);
    m_project.clearRoutes();
    if (m_routingController)
        m_routingController->displayRoutedTracks();
    // Every caller has warned that the placed components go: they leave the design, not just
    // the view, or they would come back unseen in the next save.
    if (m_componentManager)
        m_componentManager->clearAll(true);

    m_surfaceFollowing = false;
    if (m_followSurfaceButton) {
        const QSignalBlocker blocker(m_followSurfaceButton);
        m_followSurfaceButton->setChecked(false);
        m_followSurfaceButton->setText(tr("Follow surface"));
    }

    m_dragComponentRef.clear();
    if (m_propertiesPanel)
        m_propertiesPanel->clearSelection();
}

void MainWindow::setCurrentProjectPath(const QString& path)
{
    m_currentProjectPath = path;
    updateWindowTitle();
}
