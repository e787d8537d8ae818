// Track editing: selecting a segment of a finished track, dragging it or one of its
// corners with a collision-checked ghost, confirming or cancelling.
#include "interaction/routingcontroller.h"

#include "foundation/occutils.h"
#include "interaction/routingviewport.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <QDebug>

#include <cmath>

namespace {

constexpr qint64 kCollisionIntervalMs = 50;
constexpr double kZeroLength = 1e-7;

} // namespace

void RoutingController::setRouteEditActive(bool active)
{
    if (context().IsNull())
        return;
    m_routeEditActive = active;
    if (!active) {
        cancelDrag();
        removeShape(m_selectionHighlight);
        m_selectedRoute = -1;
        m_selectedSegment = -1;
        clearEditOverlays();
    }
    activateRouteShapes(active);
    updateViewer();
}

void RoutingController::dropSelection(bool notify)
{
    removeShape(m_selectionHighlight);
    m_selectedRoute = -1;
    m_selectedSegment = -1;
    if (notify)
        emit segmentDeselected();
}

void RoutingController::clearSegmentSelection()
{
    if (m_dragging || m_selectedRoute < 0)
        return;
    dropSelection(true);
}

void RoutingController::onRouteSegmentClicked(opencascade::handle<AIS_Shape> routeShape, QPoint logicalPos)
{
    if (!m_routeEditActive || routeShape.IsNull())
        return;
    if (m_dragging) {
        commitDrag();
        return;
    }
    const QList<Route>& routes = model().routes();
    const int routeIndex = routeIndexOfShape(routeShape);
    if (routeIndex < 0) {
        if (m_selectedRoute >= 0)
            dropSelection(true);
        return;
    }
    if (routeIndex >= routes.size()) {
        dropSelection(true);
        return;
    }
    const Route& route = routes.at(routeIndex);
    const int k = segmentUnderCursor(routeIndex, logicalPos);
    if (k < 0) {
        status(tr("Track %1 clicked but segment undetermined").arg(route.netName));
        return;
    }
    if (routeIndex == m_selectedRoute && k == m_selectedSegment) {
        if (m_hoveredVertex >= 0 && m_hoveredVertexRoute == routeIndex
            && TrackDrag::cornerKind(route, m_hoveredVertex) != TrackDrag::NotDraggable) {
            startVertexDrag(routeIndex, m_hoveredVertex);
        } else if (TrackDrag::isDraggableSegment(route, k)) {
            startDrag(routeIndex, k, logicalPos);
        } else {
            dropSelection(true);
            status(tr("Selection cleared"));
        }
        return;
    }
    removeShape(m_selectionHighlight);
    m_selectedRoute = routeIndex;
    m_selectedSegment = k;
    showSegmentOverlay(m_selectionHighlight, routeIndex, k, Quantity_NOC_YELLOW, 0.4);
    const bool central = TrackDrag::isCentral(route, k);
    emit segmentSelected(routeIndex, k, central);
    const int n = route.segments.size();
    if (TrackDrag::isDraggableSegment(route, k))
        status(tr("Segment %1/%2 of net %3 selected — click again to move it (hovered segment or vertex), Del to clear")
                   .arg(k + 1)
                   .arg(n)
                   .arg(route.netName));
    else if (central)
        status(tr("Segment %1/%2 of net %3 selected — click a vertex to move it, Del to delete the track")
                   .arg(k + 1)
                   .arg(n)
                   .arg(route.netName));
    else
        status(tr("End segment of net %1 selected — click a vertex to move it, Del to delete the track")
                   .arg(route.netName));
}

void RoutingController::onRouteEditEmptyClick()
{
    if (!m_routeEditActive)
        return;
    if (m_dragging) {
        commitDrag();
        return;
    }
    if (m_selectedRoute >= 0) {
        dropSelection(true);
        status(tr("Selection cleared"));
    }
}

void RoutingController::onRouteEditKeyPress(int key)
{
    if (!m_routeEditActive)
        return;
    const bool isEscape = key == Qt::Key_Escape;
    const bool isDelete = (key & ~0x4) == Qt::Key_Backspace;
    if (!isEscape && !isDelete)
        return;
    if (m_dragging) {
        cancelDrag();
        status(isEscape ? tr("Drag cancelled") : tr("Drag cancelled (Delete ignored during drag)"));
        return;
    }
    if (m_selectedRoute >= 0) {
        const int routeIndex = m_selectedRoute;
        dropSelection(true);
        if (isEscape)
            status(tr("Selection cleared"));
        else
            emit deleteRouteRequested(routeIndex);
        return;
    }
    if (isDelete)
        status(tr("No track selected"));
}

void RoutingController::startDrag(int routeIndex, int k, const QPoint& logical)
{
    const Route& route = model().routes().at(routeIndex);
    if (!TrackDrag::isDraggableSegment(route, k))
        return;
    const RouteSegment& s = route.segments.at(k);
    const double dx = s.end.X() - s.start.X();
    const double dy = s.end.Y() - s.start.Y();
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length < kZeroLength) {
        qWarning() << "startDrag: zero-length H segment";
        return;
    }
    m_dragDirX = dx / length;
    m_dragDirY = dy / length;
    m_dragPlaneZ = s.start.Z();
    m_dragMode = 1;
    m_dragSegment = k;
    m_dragAnchor = m_view->projectScreenToPlane(logical, m_dragPlaneZ);
    m_dragSlots = TrackDrag::segmentSlots(route, k);
    enterDrag(routeIndex, tr("Dragging segment %1 — move the mouse, click to confirm, Esc to cancel").arg(k + 1));
}

void RoutingController::startVertexDrag(int routeIndex, int k)
{
    const Route& route = model().routes().at(routeIndex);
    const int kind = TrackDrag::cornerKind(route, k);
    if (kind == TrackDrag::NotDraggable) {
        qWarning() << "startVertexDrag: vertex is not draggable";
        return;
    }
    m_dragSlots = TrackDrag::cornerSlots(route, k, kind);
    m_dragPlaneZ = kind == TrackDrag::VerticalHorizontal ? route.segments.at(k + 1).start.Z()
                                                         : route.segments.at(k).end.Z();
    m_dragMode = 2;
    m_dragVertex = k;
    m_dragVertexKind = kind;
    const gp_Pnt corner = route.segments.at(k).end;
    m_dragAnchor = gp_Pnt(corner.X(), corner.Y(), m_dragPlaneZ);
    enterDrag(routeIndex, tr("Vertex drag in progress — click to confirm, Esc to cancel"));
}

void RoutingController::enterDrag(int routeIndex, const QString& message)
{
    m_dragRouteIndex = routeIndex;
    m_dragRouteId = model().routes().at(routeIndex).id;
    if (routeIndex < m_routeShapes.size() && !m_routeShapes.at(routeIndex).IsNull())
        OccUtils::safeErase(context(), m_routeShapes.at(routeIndex));
    clearEditOverlays();
    dropSelection(true);
    m_dragging = true;
    m_dragCollision = false;
    m_lastCollisionTest = -1;
    redrawGhosts();
    updateViewer();
    status(message);
}

void RoutingController::updateDrag(const QPoint& logical)
{
    const QList<Route>& routes = model().routes();
    if (m_dragRouteIndex < 0 || m_dragRouteIndex >= routes.size())
        return;
    const gp_Pnt cursor = m_view->projectScreenToPlane(logical, m_dragPlaneZ);
    const double dx = cursor.X() - m_dragAnchor.X();
    const double dy = cursor.Y() - m_dragAnchor.Y();
    const TrackDrag::Slots moved = m_dragMode == 1
        ? TrackDrag::movedSegment(m_dragSlots, m_dragDirX, m_dragDirY, dx, dy)
        : TrackDrag::movedCorner(m_dragSlots, m_dragVertexKind, dx, dy);
    // A position that would shorten a segment too much or tear the track is skipped:
    // the ghost stays where it last was valid.
    if (!TrackDrag::isAcceptable(routes.at(m_dragRouteIndex), moved)
        || !TrackDrag::keepsJunctions(routes, m_dragRouteIndex, moved))
        return;
    m_dragSlots = moved;
    const qint64 t = now();
    if (m_lastCollisionTest < 0 || t - m_lastCollisionTest >= kCollisionIntervalMs) {
        m_dragCollision = detectDragCollision();
        m_lastCollisionTest = t;
    }
    redrawGhosts();
    updateViewer();
}

bool RoutingController::detectDragCollision() const
{
    const RoutingManager& rm = model();
    if (m_dragRouteIndex < 0 || m_dragRouteIndex >= rm.routes().size())
        return false;
    const Route& route = rm.routes().at(m_dragRouteIndex);
    const QList<RoutingManager::PadObstacle> pads = rm.padObstacles();
    QList<RouteSegment> moved = route.segments;
    QList<bool> touched(moved.size(), false);
    for (int i = 0; i < int(m_dragSlots.size()); ++i) {
        const DragSlot& slot = m_dragSlots[i];
        if (!slot.isUsed())
            continue;
        if (slot.segmentIndex >= route.segments.size()) {
            qWarning() << "detectDragCollision: slot index" << i << "out of range (size=" << route.segments.size()
                       << ") — treated as a collision";
            return true;
        }
        RouteSegment& copy = moved[slot.segmentIndex];
        copy.start = slot.afterStart;
        copy.end = slot.afterEnd;
        if (!RoutingManager::buildSegmentShape(copy))
            return true;
        touched[slot.segmentIndex] = true;
        if (!rm.checkCollision(copy, route.netName, m_dragRouteIndex, pads).isClear())
            return true;
    }
    // The fillers of the bends at the moved segments move with them.
    for (int k = 0; k + 1 < moved.size(); ++k) {
        if ((touched.at(k) || touched.at(k + 1))
            && !rm.checkCornerCollision(moved.at(k), moved.at(k + 1), route.netName, m_dragRouteIndex, pads)
                    .isClear())
            return true;
    }
    return false;
}

void RoutingController::redrawGhosts()
{
    for (opencascade::handle<AIS_Shape>& ghost : m_dragGhosts)
        removeShape(ghost);
    const QList<Route>& routes = model().routes();
    if (m_dragRouteIndex < 0 || m_dragRouteIndex >= routes.size())
        return;
    const QList<RouteSegment>& segments = routes.at(m_dragRouteIndex).segments;
    const Quantity_Color colour = m_dragCollision ? Quantity_NOC_RED : Quantity_NOC_GREEN;
    for (int i = 0; i < int(m_dragSlots.size()); ++i) {
        const DragSlot& slot = m_dragSlots[i];
        if (!slot.isUsed() || slot.segmentIndex >= segments.size())
            continue;
        RouteSegment ghost = segments.at(slot.segmentIndex);
        ghost.start = slot.afterStart;
        ghost.end = slot.afterEnd;
        if (ghost.start.Distance(ghost.end) > kZeroLength)
            m_dragGhosts[i] = showSolid(RoutingManager::createSegmentShape(ghost), colour, 0.2, false);
    }
}

void RoutingController::commitDrag()
{
    if (!m_dragging)
        return;
    if (detectDragCollision()) {
        m_dragCollision = true;
        redrawGhosts();
        updateViewer();
        status(tr("Collision — move the mouse or Esc to cancel"));
        return;
    }
    if (context().IsNull()) {
        cancelDrag();
        return;
    }
    RoutingManager& rm = model();
    const bool vertex = m_dragMode == 2;
    // Indices may have moved under the drag: the identity decides.
    const int routeIndex = rm.indexOfRouteId(m_dragRouteId);
    const bool sound = routeIndex == m_dragRouteIndex && TrackDrag::isUnchanged(rm.routes().at(routeIndex), m_dragSlots)
        && TrackDrag::isAcceptable(rm.routes().at(routeIndex), m_dragSlots)
        && TrackDrag::keepsJunctions(rm.routes(), routeIndex, m_dragSlots);
    if (!sound || !rm.setSegmentEndpointsAtomic(m_dragRouteIndex, TrackDrag::endpointChanges(m_dragSlots))) {
        qWarning() << "commitDrag: repositioning refused — route unchanged" << (vertex ? "(vertex)" : "(segment)");
        cancelDrag();
        return;
    }
    if (vertex) {
        VertexDragCommit info;
        info.vertexIndex = m_dragVertex;
        info.routeId = m_dragRouteId;
        info.dragSlots = m_dragSlots;
        resetDragState();
        emit vertexDragCommitted(info);
    } else {
        SegmentDragCommit info;
        info.segmentIndex = m_dragSegment;
        info.routeId = m_dragRouteId;
        for (int i = 0; i < 3; ++i) {
            info.before[i] = {m_dragSlots[i].beforeStart, m_dragSlots[i].beforeEnd};
            info.after[i] = {m_dragSlots[i].afterStart, m_dragSlots[i].afterEnd};
        }
        resetDragState();
        emit segmentDragCommitted(info);
    }
    displayRoutedTracks();
    status(vertex ? tr("Vertex drag confirmed") : tr("Drag confirmed"));
    updateViewer();
}

void RoutingController::cancelDrag()
{
    if (!m_dragging)
        return;
    // The tracks changed under the drag (an undo, say): the shapes kept from before would
    // show and pick tracks that are gone or moved.
    if (m_refreshSkipped) {
        resetDragState();
        displayRoutedTracks();
        return;
    }
    if (m_dragRouteIndex >= 0 && m_dragRouteIndex < m_routeShapes.size()) {
        const opencascade::handle<AIS_Shape>& shape = m_routeShapes.at(m_dragRouteIndex);
        if (!shape.IsNull()) {
            OccUtils::safeDisplay(context(), shape);
            if (m_routeEditActive)
                OccUtils::safeActivate(context(), shape, 0);
        }
    }
    resetDragState();
    updateViewer();
}

void RoutingController::resetDragState()
{
    for (opencascade::handle<AIS_Shape>& ghost : m_dragGhosts)
        removeShape(ghost);
    m_dragging = false;
    m_dragMode = 0;
    m_dragRouteIndex = -1;
    m_dragRouteId = 0;
    m_dragAnchor = gp_Pnt(0.0, 0.0, 0.0);
    m_dragPlaneZ = 0.0;
    m_dragCollision = false;
    m_lastCollisionTest = -1;
    m_dragSlots = TrackDrag::Slots();
    m_dragSegment = -1;
    m_dragDirX = 0.0;
    m_dragDirY = 0.0;
    m_dragVertex = -1;
    m_dragVertexKind = TrackDrag::NotDraggable;
}
