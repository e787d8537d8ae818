// Main window: the routing and selection controllers, track undo steps, the track shown in
// the properties panel, picking switches for routing and selection, the pad obstacles of the
// collision test and the routing rules.
#include "app/mainwindow.h"

#include "app/propertiespanel.h"
#include "app/routecommands.h"
#include "components/componentmanager.h"
#include "foundation/appsettings.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "foundation/uitheme.h"
#include "interaction/padobstacles.h"
#include "interaction/routingcontroller.h"
#include "interaction/selectioncontroller.h"
#include "routing/routingrulesdialog.h"
#include "view/modecontroller.h"
#include "view/occwidget.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_ListOfInteractive.hxx>
#include <Quantity_Color.hxx>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QUndoStack>

void MainWindow::createInteractionControllers()
{
    RoutingController* previous = m_routingController;
    m_routingController = new RoutingController(&m_project, m_componentManager, m_occWidget, m_padCache, this);
    delete previous;
    m_selectionController = new SelectionController(m_occWidget, m_componentManager, m_routingController, this);

    // The collision test sees every placed pad; a pad on no net stands in the way of all nets.
    m_project.routingManager().setPadObstacleProvider([this] {
        return buildPadObstacles(m_componentManager, m_project.netlist().connections);
    });

    connect(m_occWidget, &OccWidget::routingMouseMove, m_routingController, &RoutingController::onMouseMove);
    connect(m_occWidget, &OccWidget::routingKeyPressed, m_routingController, &RoutingController::onKeyPress);
    connect(m_occWidget, &OccWidget::padClicked, m_routingController, &RoutingController::onPadClicked);
    connect(m_occWidget, &OccWidget::routingIntermediatePointClicked, m_routingController,
            &RoutingController::onIntermediatePointClicked);
    connect(m_occWidget, &OccWidget::routeEditKeyPressed, m_routingController,
            &RoutingController::onRouteEditKeyPress);
    connect(m_occWidget, &OccWidget::routeEditMouseMoved, m_routingController,
            &RoutingController::onRouteEditMouseMoved);
    connect(m_occWidget, &OccWidget::shapePicked, m_selectionController, &SelectionController::onShapePicked);
    connect(m_occWidget, &OccWidget::selectionEmptyClicked, m_selectionController,
            &SelectionController::onEmptyClicked);
    connect(m_selectionController, &SelectionController::componentSelected, this, &MainWindow::onComponentSelected);
    connect(m_selectionController, &SelectionController::componentDeselected, this,
            &MainWindow::onComponentDeselected);
    connect(m_selectionController, &SelectionController::componentDragArmed, this,
            &MainWindow::onComponentDragArmed);
    connect(m_modeController, &ModeController::modeEntered, m_routingController, [this](ModeController::Mode mode) {
        if (mode != ModeController::Mode::Routing)
            return;
        m_routingController->setRoutingActive(true);
        m_propertiesPanel->clearSelection();
    });
    connect(m_modeController, &ModeController::modeExited, m_routingController, [this](ModeController::Mode mode) {
        if (mode != ModeController::Mode::Routing)
            return;
        m_routingController->setRoutingActive(false);
        m_propertiesPanel->clearSelection();
    });
    connectRoutingController();
}

void MainWindow::connectRoutingController()
{
    RoutingController* rc = m_routingController;
    connect(rc, &RoutingController::statusChanged, this, &MainWindow::setStatusText);
    connect(rc, &RoutingController::routingLabelChanged, m_routingStatusLabel,
            [this](const QString& text) { UiTheme::setFittedText(m_routingStatusLabel, text); });
    connect(rc, &RoutingController::clearRouteBtnEnabled, m_clearTracksButton, &QWidget::setEnabled);
    connect(rc, &RoutingController::routeFinalized, this,
            [this](const Route& route) { pushRouteCommand<AddRouteCommand>(route); });
    connect(rc, &RoutingController::padsActivationRequested, this, &MainWindow::activatePadsForRouting);
    connect(rc, &RoutingController::padHighlightRequested, this, [this](const PadId& pad) {
        if (m_componentManager)
            m_componentManager->highlightPad(pad, Quantity_Color(Quantity_NOC_YELLOW), false);
    });
    connect(rc, &RoutingController::padUnhighlightRequested, this, [this](const PadId& pad) {
        if (m_componentManager)
            m_componentManager->clearPadHighlight(pad, false);
    });
    connect(rc, &RoutingController::selectionToleranceChangeRequested, this, [this](int pixels) {
        const opencascade::handle<AIS_InteractiveContext> context = m_occWidget ? m_occWidget->context() : nullptr;
        if (!context.IsNull())
            context->SetPixelTolerance(pixels);
    });
    connect(rc, &RoutingController::deleteRouteRequested, this, &MainWindow::onDeleteRouteRequested);
    connect(rc, &RoutingController::segmentDragCommitted, this,
            [this](const SegmentDragCommit& info) { pushRouteCommand<MoveSegmentCommand>(info); });
    connect(rc, &RoutingController::vertexDragCommitted, this,
            [this](const VertexDragCommit& info) { pushRouteCommand<MoveVertexCommand>(info); });
    connect(rc, &RoutingController::segmentSelected, this,
            [this](int routeIndex, int, bool) { showTrackProperties(routeIndex); });
    connect(rc, &RoutingController::segmentDeselected, m_propertiesPanel, &PropertiesPanel::clearSelection);
    connect(m_clearTracksButton, &QPushButton::clicked, this, &MainWindow::onClearAllRoutesRequested,
            Qt::UniqueConnection);
    connect(m_propertiesPanel, &PropertiesPanel::trackPropertiesApplied, this, &MainWindow::onTrackPropertiesApplied,
            Qt::UniqueConnection);
    rc->displayRoutedTracks();
    qCDebug(lcUi) << "✓ RoutingController initialized and connected";
}

template <typename Command, typename Payload>
void MainWindow::pushRouteCommand(const Payload& payload)
{
    if (!m_undoStack)
        return;
    m_undoStack->push(new Command(&m_project.routingManager(), payload, [this] { refreshRoutingViews(); }));
}

void MainWindow::refreshRoutingViews()
{
    if (m_routingController)
        m_routingController->displayRoutedTracks();
    // The undo history moves with every track command: the window follows from there.
    refreshRatsnest();
    checkTrackConflicts(true);
}

void MainWindow::onClearAllRoutesRequested()
{
    if (!isViewerReady())
        return;
    if (!m_project.routingManager().hasAnyRoute()) {
        setStatusText(tr("No track to clear"));
        return;
    }
    m_undoStack->push(new ClearAllRoutesCommand(&m_project.routingManager(), [this] { refreshRoutingViews(); }));
    setStatusText(tr("All tracks have been cleared (Ctrl+Z to undo)"));
}

void MainWindow::onDeleteRouteRequested(int routeIndex)
{
    if (!isViewerReady())
        return;
    m_undoStack->push(
        new DeleteRouteCommand(&m_project.routingManager(), routeIndex, [this] { refreshRoutingViews(); }));
}

void MainWindow::onTrackPropertiesApplied(int routeIndex, const TrackProperties& props)
{
    if (!isViewerReady() || !m_undoStack)
        return;
    RoutingManager& rm = m_project.routingManager();
    if (routeIndex < 0 || routeIndex >= rm.routes().size()) {
        qWarning() << "onTrackPropertiesApplied: routeIndex" << routeIndex << "out of range (size="
                   << rm.routes().size() << ")";
        return;
    }
    const Route& route = rm.routes().at(routeIndex);
    const quint64 id = route.id;
    QList<SegmentResize> entries;
    for (int i = 0; i < route.segments.size(); ++i) {
        const RouteSegment& s = route.segments.at(i);
        entries.append({i, s.width, s.height, props.width, props.height});
    }
    if (entries.isEmpty())
        return;
    const QList<JunctionEnd> junctions = ResizeRouteCommand::junctionEnds(rm, id);
    // A refused section leaves the track as it was: nothing to undo, so nothing is pushed.
    if (!rm.setRouteDimensions(routeIndex, props.width, props.height)) {
        const QString reason = rm.lastRefusal();
        if (reason.isEmpty())
            setStatusText(tr("The track cannot take a section of %1 × %2 mm — unchanged")
                              .arg(UiTheme::decimal(props.width, 2), UiTheme::decimal(props.height, 2)));
        else
            setStatusText(tr("The track cannot take a section of %1 × %2 mm — unchanged. %3")
                              .arg(UiTheme::decimal(props.width, 2), UiTheme::decimal(props.height, 2), reason));
        showTrackProperties(routeIndex);
        return;
    }
    m_undoStack->push(new ResizeRouteCommand(&rm, id, entries, junctions, [this] { refreshRoutingViews(); }));
}

void MainWindow::showTrackProperties(int routeIndex)
{
    if (!m_propertiesPanel)
        return;
    const RoutingManager& rm = m_project.routingManager();
    if (routeIndex < 0 || routeIndex >= rm.routes().size()) {
        m_propertiesPanel->clearSelection();
        return;
    }
    const Route& route = rm.routes().at(routeIndex);
    const double width = route.segments.isEmpty() ? rm.rules().trackWidth : route.segments.first().width;
    const double height = route.segments.isEmpty() ? rm.rules().trackHeight : route.segments.first().height;
    const QString endRef = route.endsOnTrack ? tr("Track junction") : route.endRef;
    const QString endPad = route.endsOnTrack ? QString() : route.endPad;
    m_propertiesPanel->showTrack(routeIndex, route.netName, route.startRef, route.startPad, endRef, endPad,
                                 route.segments.size(), width, height);
}

void MainWindow::activatePadsForRouting(bool activate)
{
    if (!isViewerReady()) {
        qCDebug(lcUi) << "activatePadsForRouting: viewer not ready, call ignored";
        return;
    }
    const opencascade::handle<AIS_InteractiveContext> context = m_occWidget->context();
    if (context.IsNull())
        return;
    qCDebug(lcUi) << "=== Activating pads for routing:" << (activate ? "true" : "false") << "===";
    int total = 0;
    int activated = 0;
    for (const PlacedComponentData& component : m_componentManager->components()) {
        for (const PlacedPadData& pad : component.pads) {
            ++total;
            if (pad.aisShape.IsNull()) {
                qWarning() << "✗ NULL pad:" << component.ref << pad.number;
                continue;
            }
            if (!activate) {
                OccUtils::safeDeactivate(context, pad.aisShape);
                continue;
            }
            if (!context->IsDisplayed(pad.aisShape)) {
                qWarning() << "WARNING: Pad" << pad.number << "of" << component.ref << "is not displayed!";
                OccUtils::safeDisplay(context, pad.aisShape);
            }
            OccUtils::safeActivate(context, pad.aisShape, 0);
            ++activated;
            qCDebug(lcUi) << "✓ Pad activated:" << component.ref << pad.number;
        }
    }
    qCDebug(lcUi) << "Total existing pads:" << total;
    qCDebug(lcUi) << "Pads" << (activate ? "activated" : "deactivated") << "- Activated:" << activated;
    context->SetPixelTolerance(activate ? 15 : 8);
    OccUtils::safeUpdateViewer(context);
}

void MainWindow::setComponentsSelectable(bool selectable)
{
    const opencascade::handle<AIS_InteractiveContext> context = m_occWidget ? m_occWidget->context() : nullptr;
    if (!m_componentManager || context.IsNull())
        return;
    AIS_ListOfInteractive displayed;
    OccUtils::guardedCall(false, "MainWindow::setComponentsSelectable", [&] {
        context->DisplayedObjects(displayed);
        return true;
    });
    for (const opencascade::handle<AIS_InteractiveObject>& object : displayed) {
        const auto shape = opencascade::handle<AIS_Shape>::DownCast(object);
        if (shape.IsNull() || !m_componentManager->isSelectableShape(shape))
            continue;
        if (selectable)
            OccUtils::safeActivate(context, shape, 0);
        else
            OccUtils::safeDeactivate(context, shape);
    }
    OccUtils::safeUpdateViewer(context);
}

void MainWindow::manageRoutingRules()
{
    RoutingManager& routing = m_project.routingManager();
    // The rest of the track would be drawn with the new section and checked against the new
    // clearances while its first segments were not.
    if (routing.isRouting()) {
        QMessageBox::information(this, tr("Routing rules"),
                                 tr("A track is being drawn. Finish it or cancel it (Escape) before "
                                    "changing the rules."));
        return;
    }
    const RoutingRules current = routing.rules();
    RoutingRulesDialog dialog(current, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const RoutingRules rules = dialog.rules();
    if (dialog.useAsDefaults())
        AppSettings::setRoutingRules(rules);
    // Exact comparison on purpose: a NaN counts as a change.
    if (rules.trackWidth == current.trackWidth && rules.trackHeight == current.trackHeight
        && rules.clearance == current.clearance && rules.padClearance == current.padClearance) {
        setStatusText(tr("Routing rules unchanged."));
        return;
    }
    routing.setRoutingRules(rules);
    setModifiedOutsideUndo(true);
    const RoutingRules& applied = routing.rules();
    setStatusText(tr("Routing rules: %1 × %2 mm, clearance %3 mm — applied to the next tracks.")
                      .arg(UiTheme::decimal(applied.trackWidth, 2), UiTheme::decimal(applied.trackHeight, 2),
                           UiTheme::decimal(applied.clearance, 2)));
}
