// What the routing controller shows: finished tracks, drawing previews, the pad guide,
// pad hover, and the hover marks of track editing.
#include "interaction/routingcontroller.h"

#include "components/componentmanager.h"
#include "components/padcachemanager.h"
#include "foundation/geometryutils.h"
#include "foundation/occutils.h"
#include "interaction/routingviewport.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <GeomAPI_IntCS.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <Graphic3d_ZLayerId.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_LineAspect.hxx>
#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kMinPreviewLength = 0.01;
constexpr double kRubberBandReach = 50.0;
constexpr qint64 kHoverIntervalMs = 16;
constexpr double kSegmentPickMargin = 1.0;
constexpr qint64 kPreviewCollisionIntervalMs = 50;

const Quantity_Color kTrackColour(0.0, 0.0, 0.5, Quantity_TOC_RGB);

// The cursor on horizontal planes at many heights: the eye ray is asked once and met by
// each plane, instead of one view query per plane (a hover visits every corner).
class CursorOnPlanes
{
public:
    CursorOnPlanes(const RoutingViewPort& view, const QPoint& logical) : m_view(view), m_logical(logical)
    {
        gp_Dir projection;
        m_hasRay = view.cursorRay(view.toDevicePixels(logical), m_origin, m_direction, projection)
            && std::abs(m_direction.Z()) > 1e-9;
    }

    gp_Pnt at(double z) const
    {
        if (!m_hasRay)
            return m_view.projectScreenToPlane(m_logical, z);
        const double t = (z - m_origin.Z()) / m_direction.Z();
        return gp_Pnt(m_origin.X() + t * m_direction.X(), m_origin.Y() + t * m_direction.Y(), z);
    }

private:
    const RoutingViewPort& m_view;
    QPoint m_logical;
    gp_Pnt m_origin;
    gp_Dir m_direction;
    bool m_hasRay = false;
};

} // namespace

void RoutingController::removeShape(opencascade::handle<AIS_Shape>& shape)
{
    if (!shape.IsNull())
        OccUtils::safeRemove(context(), shape);
    shape.Nullify();
}

opencascade::handle<AIS_Shape> RoutingController::showSolid(const TopoDS_Shape& solid, const Quantity_Color& colour,
                                                            double transparency, bool selectable)
{
    if (solid.IsNull() || context().IsNull())
        return {};
    opencascade::handle<AIS_Shape> shape = new AIS_Shape(solid);
    shape->SetColor(colour);
    if (transparency > 0.0)
        shape->SetTransparency(transparency);
    if (!OccUtils::safeDisplay(context(), shape, !selectable))
        return {};
    if (!selectable)
        OccUtils::safeDeactivate(context(), shape);
    return shape;
}

void RoutingController::displayRoutedTracks()
{
    const opencascade::handle<AIS_InteractiveContext> ctx = context();
    if (ctx.IsNull())
        return;
    if (m_dragging) {
        qWarning() << "displayRoutedTracks: skipped (drag in progress)";
        m_refreshSkipped = true;
        return;
    }
    m_refreshSkipped = false;
    removeShape(m_selectionHighlight);
    clearEditOverlays();
    for (opencascade::handle<AIS_Shape>& shape : m_routeShapes)
        removeShape(shape);
    m_routeShapes.clear();
    m_shapeToRoute.clear();

    const QList<Route>& routes = model().routes();
    for (int i = 0; i < routes.size(); ++i) {
        const TopoDS_Shape solid = model().routeShape(routes.at(i));
        opencascade::handle<AIS_Shape> shape;
        if (!solid.IsNull()) {
            shape = new AIS_Shape(solid);
            shape->SetColor(kTrackColour);
            OccUtils::safeDisplay(ctx, shape);
            if (m_routeEditActive)
                OccUtils::safeActivate(ctx, shape, 0);
            else
                OccUtils::safeDeactivate(ctx, shape);
            m_shapeToRoute.insert(shape.get(), i);
        }
        m_routeShapes.append(shape);
    }
    if (m_selectedRoute >= 0) {
        m_selectedRoute = -1;
        m_selectedSegment = -1;
        emit segmentDeselected();
    }
    updateViewer();
}

void RoutingController::updatePadHover(const QPoint& logical)
{
    if (!m_padCache || context().IsNull())
        return;
    OccUtils::guardedCall(0, "requestPadHighlight", [&] {
        const opencascade::handle<AIS_Shape> shape =
            opencascade::handle<AIS_Shape>::DownCast(m_view->detectAt(m_view->toDevicePixels(logical)));
        const PadId pad = shape.IsNull() ? PadId() : m_padCache->peek(shape);
        if (pad.isValid())
            hoverPad(pad, true);
        else
            releaseHoveredPad();
        return 0;
    });
}

gp_Pnt RoutingController::verticalRubberBand(const QPoint& logical, const gp_Pnt& current) const
{
    gp_Pnt origin;
    gp_Dir direction;
    gp_Dir projection;
    if (!m_view || !m_view->cursorRay(m_view->toDevicePixels(logical), origin, direction, projection))
        return current;
    return OccUtils::guardedCall(current, "verticalRubberBand", [&] {
        gp_Vec normal(projection.X(), projection.Y(), 0.0);
        if (normal.Magnitude() < kZeroLength)
            normal = gp_Vec(1.0, 0.0, 0.0);
        const opencascade::handle<Geom_Plane> plane = new Geom_Plane(current, gp_Dir(normal));
        const opencascade::handle<Geom_Line> ray = new Geom_Line(origin, direction);
        GeomAPI_IntCS intersection(ray, plane);
        if (!intersection.IsDone() || intersection.NbPoints() < 1)
            return current;
        const double z = std::clamp(intersection.Point(1).Z(), current.Z() - kRubberBandReach,
                                    current.Z() + kRubberBandReach);
        return gp_Pnt(current.X(), current.Y(), z);
    });
}

// The open segment turns the drag ghost's collision colour while a click would be refused
// for it; the test is throttled as the drag's is, and its verdict kept in between.
void RoutingController::updateSegmentPreview(const gp_Pnt& target)
{
    removeShape(m_segmentPreview);
    RouteSegment preview = model().previewSegment(target);
    if (preview.start.Distance(preview.end) < kMinPreviewLength || !RoutingManager::buildSegmentShape(preview))
        return;
    const qint64 t = now();
    if (m_lastPreviewTest < 0 || t - m_lastPreviewTest >= kPreviewCollisionIntervalMs) {
        m_lastPreviewTest = t;
        m_previewCollision = previewCollides(preview);
    }
    m_segmentPreview =
        showSolid(preview.shape, m_previewCollision ? Quantity_NOC_RED : Quantity_NOC_CYAN, 0.3, false);
}

bool RoutingController::previewCollides(const RouteSegment& preview) const
{
    const RoutingManager& rm = model();
    const QList<RouteSegment>& segments = rm.currentRoute().segments;
    const QString& net = rm.currentRoute().netName;
    const QList<RoutingManager::PadObstacle> pads = rm.padObstacles();
    if (!rm.checkCollision(preview, net, -1, pads).isClear())
        return true;
    return segments.size() > 1
        && !rm.checkCornerCollision(segments.at(segments.size() - 2), preview, net, -1, pads).isClear();
}

void RoutingController::updatePadGuide(const gp_Pnt& target)
{
    removeShape(m_padGuide);
    RoutingManager& rm = model();
    if (!rm.isRouting())
        return;
    double best = std::numeric_limits<double>::max();
    bool found = false;
    gp_Pnt nearest;
    for (const PadId& pad : rm.padsOfNet(rm.currentRoute().netName)) {
        const gp_Pnt base = padBase(pad, target);
        const double d = base.Distance(target);
        if (d < best) {
            best = d;
            nearest = base;
            found = true;
        }
    }
    if (!found || nearest.Distance(target) < kZeroLength)
        return;
    const TopoDS_Shape edge = OccUtils::guardedCall(TopoDS_Shape(), "padGuide", [&] {
        BRepBuilderAPI_MakeEdge make(target, nearest);
        return make.IsDone() ? TopoDS_Shape(make.Edge()) : TopoDS_Shape();
    });
    if (edge.IsNull())
        return;
    opencascade::handle<AIS_Shape> guide = new AIS_Shape(edge);
    guide->SetColor(Quantity_NOC_YELLOW);
    guide->Attributes()->SetWireAspect(new Prs3d_LineAspect(Quantity_NOC_YELLOW, Aspect_TOL_DASH, 1.0));
    guide->SetZLayer(Graphic3d_ZLayerId_Topmost);
    if (OccUtils::safeDisplay(context(), guide, true)) {
        OccUtils::safeDeactivate(context(), guide);
        m_padGuide = guide;
    }
}

void RoutingController::refreshCommittedPreview()
{
    for (opencascade::handle<AIS_Shape>& shape : m_committedPreview)
        removeShape(shape);
    m_committedPreview.clear();
    m_lastPreviewTest = -1; // the open segment starts elsewhere now
    Route copy = model().currentRoute();
    if (!copy.segments.isEmpty()) {
        const RouteSegment& open = copy.segments.last();
        if (open.start.Distance(open.end) < kZeroLength)
            copy.segments.removeLast();
    }
    if (copy.segments.isEmpty())
        return;
    const opencascade::handle<AIS_Shape> shape =
        showSolid(RoutingManager::createRouteShape(copy), kTrackColour, 0.0, false);
    if (!shape.IsNull())
        m_committedPreview.append(shape);
}

void RoutingController::removePreviews()
{
    for (opencascade::handle<AIS_Shape>& shape : m_committedPreview)
        removeShape(shape);
    m_committedPreview.clear();
    removeShape(m_segmentPreview);
    m_lastPreviewTest = -1;
    m_previewCollision = false;
    removeShape(m_padGuide);
    updateViewer();
}

void RoutingController::activateRouteShapes(bool on)
{
    for (const opencascade::handle<AIS_Shape>& shape : m_routeShapes) {
        if (shape.IsNull())
            continue;
        if (on)
            OccUtils::safeActivate(context(), shape, 0);
        else
            OccUtils::safeDeactivate(context(), shape);
    }
}

int RoutingController::routeIndexOfShape(const opencascade::handle<AIS_InteractiveObject>& object) const
{
    return object.IsNull() ? -1 : m_shapeToRoute.value(object.get(), -1);
}

bool RoutingController::isRouteShape(const opencascade::handle<AIS_Shape>& shape) const
{
    return !shape.IsNull() && m_shapeToRoute.contains(shape.get());
}

int RoutingController::segmentUnderCursor(int routeIndex, const QPoint& logical) const
{
    const QList<Route>& routes = model().routes();
    if (routeIndex < 0 || routeIndex >= routes.size())
        return -1;
    int bestIndex = -1;
    double best = std::numeric_limits<double>::max();
    const QList<RouteSegment>& segments = routes.at(routeIndex).segments;
    const CursorOnPlanes cursorAt(*m_view, logical);
    for (int i = 0; i < segments.size(); ++i) {
        const RouteSegment& s = segments.at(i);
        if (!(s.start.Distance(s.end) > kZeroLength))
            continue;
        const gp_Pnt cursor = cursorAt.at((s.start.Z() + s.end.Z()) * 0.5);
        const double d = GeometryUtils::distancePointToSegmentXY(cursor, s.start, s.end);
        if (d < s.width * 0.5 + kSegmentPickMargin && d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}

void RoutingController::showSegmentOverlay(opencascade::handle<AIS_Shape>& overlay, int routeIndex,
                                           int segmentIndex, const Quantity_Color& colour, double transparency)
{
    removeShape(overlay);
    const QList<Route>& routes = model().routes();
    if (routeIndex < 0 || routeIndex >= routes.size())
        return;
    const QList<RouteSegment>& segments = routes.at(routeIndex).segments;
    if (segmentIndex < 0 || segmentIndex >= segments.size())
        return;
    const RouteSegment& s = segments.at(segmentIndex);
    if (!(s.start.Distance(s.end) > kZeroLength))
        return;
    overlay = showSolid(RoutingManager::createSegmentShape(s), colour, transparency, false);
    updateViewer();
}

void RoutingController::buildVertexCube()
{
    removeShape(m_vertexCube);
    OccUtils::guardedCall(0, "buildHoverVertexCube", [&] {
        const QList<Route>& routes = model().routes();
        gp_Pnt p(0.0, 0.0, 0.0);
        double side = model().rules().trackWidth * 1.5;
        if (m_hoveredVertexRoute >= 0 && m_hoveredVertexRoute < routes.size()) {
            const QList<RouteSegment>& segments = routes.at(m_hoveredVertexRoute).segments;
            if (!segments.isEmpty())
                side = segments.first().width * 1.5;
            if (m_hoveredVertex >= 0 && m_hoveredVertex < segments.size())
                p = segments.at(m_hoveredVertex).end;
        }
        const gp_Pnt corner(p.X() - side / 2, p.Y() - side / 2, p.Z() - side / 2);
        m_vertexCube = showSolid(BRepPrimAPI_MakeBox(corner, side, side, side).Shape(), Quantity_NOC_LIGHTBLUE,
                                 0.3, false);
        return 0;
    });
}

void RoutingController::clearEditOverlays()
{
    removeShape(m_hoverHighlight);
    m_hoveredRoute = -1;
    m_hoveredSegment = -1;
    removeShape(m_vertexCube);
    m_hoveredVertexRoute = -1;
    m_hoveredVertex = -1;
}

void RoutingController::onRouteEditMouseMoved(QPoint logicalPos)
{
    if (!m_routeEditActive)
        return;
    if (m_dragging) {
        updateDrag(logicalPos);
        return;
    }
    const qint64 t = now();
    if (m_lastHover >= 0 && t - m_lastHover < kHoverIntervalMs)
        return;
    m_lastHover = t;
    updateRouteEditHover(logicalPos);
}

void RoutingController::updateRouteEditHover(const QPoint& logical)
{
    if (context().IsNull())
        return;
    const QList<Route>& routes = model().routes();

    // Corners first: a draggable corner near the cursor wins over the segment under it.
    double widest = 0.0;
    for (const Route& route : routes)
        for (const RouteSegment& s : route.segments)
            widest = std::max(widest, s.width);
    const double radius = 2.0 * (widest > 0.0 ? widest : model().rules().trackWidth);
    double best = std::numeric_limits<double>::max();
    int bestRoute = -1;
    int bestCorner = -1;
    const CursorOnPlanes cursorAt(*m_view, logical);
    for (int r = 0; r < routes.size(); ++r) {
        const QList<RouteSegment>& segments = routes.at(r).segments;
        for (int k = 0; k + 1 < segments.size(); ++k) {
            const gp_Pnt corner = segments.at(k).end;
            const gp_Pnt cursor = cursorAt.at(corner.Z());
            const double dx = cursor.X() - corner.X();
            const double dy = cursor.Y() - corner.Y();
            const double d2 = dx * dx + dy * dy;
            if (d2 <= radius * radius && d2 < best) {
                best = d2;
                bestRoute = r;
                bestCorner = k;
            }
        }
    }
    if (bestRoute >= 0 && TrackDrag::cornerKind(routes.at(bestRoute), bestCorner) != TrackDrag::NotDraggable) {
        if (bestRoute == m_hoveredVertexRoute && bestCorner == m_hoveredVertex)
            return;
        removeShape(m_hoverHighlight);
        m_hoveredRoute = -1;
        m_hoveredSegment = -1;
        m_hoveredVertexRoute = bestRoute;
        m_hoveredVertex = bestCorner;
        buildVertexCube();
        updateViewer();
        return;
    }
    if (!m_vertexCube.IsNull() || m_hoveredVertex >= 0) {
        removeShape(m_vertexCube);
        m_hoveredVertexRoute = -1;
        m_hoveredVertex = -1;
        updateViewer();
    }

    const int routeIndex = routeIndexOfShape(m_view->detectAt(m_view->toDevicePixels(logical)));
    const int k = routeIndex >= 0 ? segmentUnderCursor(routeIndex, logical) : -1;
    if (k < 0) {
        if (!m_hoverHighlight.IsNull()) {
            removeShape(m_hoverHighlight);
            updateViewer();
        }
        m_hoveredRoute = -1;
        m_hoveredSegment = -1;
        return;
    }
    if (routeIndex == m_hoveredRoute && k == m_hoveredSegment)
        return;
    removeShape(m_hoverHighlight);
    m_hoveredRoute = -1;
    m_hoveredSegment = -1;
    if (TrackDrag::isDraggableSegment(routes.at(routeIndex), k)) {
        m_hoveredRoute = routeIndex;
        m_hoveredSegment = k;
        showSegmentOverlay(m_hoverHighlight, routeIndex, k, Quantity_NOC_LIGHTBLUE, 0.6);
    }
    updateViewer();
}
