// Interactive drawing: routing mode, pad clicks, intermediate points, T junctions, keys
// and the height snap.
#include "interaction/routingcontroller.h"

#include "components/componentmanager.h"
#include "foundation/geometryutils.h"
#include "foundation/logging.h"
#include "foundation/occutils.h"
#include "interaction/routingviewport.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"
#include "foundation/uitheme.h"

#include <AIS_InteractiveContext.hxx>

#include <QElapsedTimer>
#include <QSet>

#include <algorithm>

namespace {

constexpr int kRoutingMode = 2;
constexpr int kViewMode = 0;
constexpr int kRoutingTolerancePixels = 15;
constexpr qint64 kSnapLifetimeMs = 5000;
constexpr double kHorizontalHostTolerance = 0.25;
constexpr double kVerticalHostReach = 1.5;
constexpr double kZeroLength = 1e-7;

RoutingController::Clock monotonicClock()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] { return timer->elapsed(); };
}

} // namespace

RoutingController::RoutingController(ProjectManager* project, ComponentManager* components, OccWidget* viewer,
                                     PadCacheManager* padCache, QObject* parent)
    : RoutingController(project, components, std::make_unique<OccWidgetViewPort>(viewer), padCache, parent)
{
}

RoutingController::RoutingController(ProjectManager* project, ComponentManager* components,
                                     std::unique_ptr<RoutingViewPort> view, PadCacheManager* padCache,
                                     QObject* parent)
    : QObject(parent)
    , m_project(project)
    , m_components(components)
    , m_view(std::move(view))
    , m_padCache(padCache)
    , m_clock(monotonicClock())
{
    qRegisterMetaType<SegmentDragCommit>("SegmentDragCommit");
    qRegisterMetaType<VertexDragCommit>("VertexDragCommit");
    qRegisterMetaType<Route>("Route");
    qRegisterMetaType<PadId>("PadId");
    qCDebug(lcRouting) << "RoutingController created";
}

RoutingController::~RoutingController() = default;

void RoutingController::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : monotonicClock();
}

RoutingManager& RoutingController::model() const
{
    return m_project->routingManager();
}

opencascade::handle<AIS_InteractiveContext> RoutingController::context() const
{
    return m_view ? m_view->context() : opencascade::handle<AIS_InteractiveContext>();
}

void RoutingController::updateViewer()
{
    OccUtils::safeUpdateViewer(context());
}

gp_Pnt RoutingController::padBase(const PadId& pad, const gp_Pnt& near) const
{
    const PlacedPin pin = m_components ? m_components->pin(pad) : PlacedPin();
    const PinPad* nearest = pin.nearestTo(near);
    return nearest ? nearest->basePoint : gp_Pnt(0.0, 0.0, 0.0);
}

void RoutingController::setRoutingActive(bool active)
{
    if (active == m_routingActive || context().IsNull())
        return;
    m_routingActive = active;
    if (active) {
        m_view->setInteractionMode(kRoutingMode);
        emit selectionToleranceChangeRequested(kRoutingTolerancePixels);
        emit routingLabelChanged(tr("Routing: ACTIVE - Click on a pad"));
        status(tr("Routing mode ACTIVE - Hover a pad to highlight it"));
    } else {
        m_view->setInteractionMode(kViewMode);
        cancelRoute();
        emit padsActivationRequested(false);
        emit routingLabelChanged(tr("Routing: Inactive"));
        status(tr("Routing mode disabled"));
    }
    updateViewer();
}

void RoutingController::releaseHoveredPad()
{
    if (m_hoveredPad.isValid())
        emit padUnhighlightRequested(m_hoveredPad);
    m_hoveredPad = PadId();
}

void RoutingController::hoverPad(const PadId& pad, bool withStatus)
{
    if (pad == m_hoveredPad)
        return;
    releaseHoveredPad();
    m_hoveredPad = pad;
    emit padHighlightRequested(pad);
    if (withStatus)
        status(tr("Pad %1/%2 hovered").arg(pad.ref, pad.pad));
}

void RoutingController::clearSnap()
{
    m_snapActive = false;
    m_snapCandidates.clear();
    m_snapIndex = 0;
}

void RoutingController::cancelRoute()
{
    model().cancelRouting();
    releaseHoveredPad();
    removePreviews();
    clearSnap();
}

void RoutingController::returnToIdle(const QString& message)
{
    removePreviews();
    displayRoutedTracks();
    if (!model().routes().isEmpty())
        emit routeFinalized(model().routes().last());
    emit clearRouteBtnEnabled(true);
    emit routingLabelChanged(tr("Routing: ACTIVE - Click on a pad"));
    status(message);
}

// Nothing half-done: the point added for a refused end goes again, and the status says why.
void RoutingController::takeBackEndPoint(const QString& message)
{
    RoutingManager& rm = model();
    const QString reason = rm.lastRefusal();
    rm.undoLastPoint();
    refreshCommittedPreview();
    updateViewer();
    status(reason.isEmpty() ? message : tr("%1 — %2").arg(message, reason));
}

// The model knows whether a point was refused for its length, a collision or the clearance;
// every click that adds a point says so the same way.
QString RoutingController::refusalText(const QString& fallback) const
{
    const QString reason = model().lastRefusal();
    return reason.isEmpty() ? fallback : tr("Error: %1").arg(reason);
}

void RoutingController::onPadClicked(PadId pad, gp_Pnt position)
{
    if (!m_routingActive)
        return;
    const gp_Pnt base = padBase(pad, position);
    const QString net = netNameForPad(m_project->netlist().connections, pad);
    if (net.isEmpty()) {
        status(tr("Error: no net found for this pad"));
        return;
    }
    RoutingManager& rm = model();
    if (rm.startRouting(net, pad, base)) {
        clearSnap();
        emit routingLabelChanged(tr("Routing: %1").arg(net));
        status(tr("Routing %1 — mouse, 'B' vertical, 'N' snap").arg(net));
        return;
    }
    if (!rm.isRouting())
        return;

    if (!rm.isPadInNet(pad)) {
        status(tr("Error: cannot end on this pad"));
        return;
    }
    if (!rm.addRoutePoint(base)) {
        status(refusalText(tr("Error: invalid point")));
        return;
    }
    if (!rm.finishRouting(pad)) {
        takeBackEndPoint(tr("Error: cannot end on this pad"));
        return;
    }
    returnToIdle(tr("Track finished"));
}

void RoutingController::onMouseMove(QPoint screenPos)
{
    if (!m_routingActive || context().IsNull())
        return;
    updatePadHover(screenPos);
    RoutingManager& rm = model();
    if (!rm.isRouting())
        return;
    const gp_Pnt cur = rm.currentEndPoint();
    gp_Pnt target;
    if (rm.isVerticalMode()) {
        if (m_snapActive && m_snapStarted >= 0 && now() - m_snapStarted > kSnapLifetimeMs) {
            clearSnap();
            status(tr("VERTICAL mode — snap expired"));
        }
        if (m_snapActive) {
            target = gp_Pnt(cur.X(), cur.Y(), m_snapZ);
            if (m_snapIndex >= 0 && m_snapIndex < m_snapCandidates.size())
                hoverPad(m_snapCandidates.at(m_snapIndex).pad, false);
        } else {
            target = verticalRubberBand(screenPos, cur);
        }
    } else {
        target = GeometryUtils::pointWithZ(m_view->projectScreenToPlane(screenPos, cur.Z()), cur.Z());
    }
    m_lastTarget = target;
    updateSegmentPreview(target);
    updatePadGuide(target);
    updateViewer();
}

bool RoutingController::tryEndOnTrack()
{
    RoutingManager& rm = model();
    if (!rm.isRouting() || rm.currentRoute().segments.isEmpty() || (rm.isVerticalMode() && m_snapActive))
        return false;
    const gp_Pnt cur = rm.currentEndPoint();
    const RouteSegment& open = rm.currentRoute().segments.last();
    const bool vertical = rm.isVerticalMode();
    const double tolerance = vertical ? open.width * 0.5 : kHorizontalHostTolerance;
    JunctionHost host;
    if (!rm.findHostSegment(rm.currentRoute().netName, m_lastTarget, tolerance, host, -1))
        return false;
    const RouteSegment& hostSegment = rm.routes().at(host.routeIndex).segments.at(host.segmentIndex);
    const double hostBottom = host.point.Z();
    const double hostTop = hostBottom + hostSegment.height;
    gp_Pnt junction;
    if (vertical) {
        const double z = m_lastTarget.Z();
        if (!(z >= hostBottom - kVerticalHostReach && z <= hostTop + kVerticalHostReach))
            return false;
        junction = gp_Pnt(cur.X(), cur.Y(), hostBottom <= cur.Z() ? hostBottom : hostTop);
    } else {
        if (cur.Z() > hostTop + kZeroLength || cur.Z() + open.height + kZeroLength < hostBottom)
            return false;
        junction = host.point;
    }
    if (!rm.addRoutePoint(junction)) {
        status(refusalText(tr("Error: connection impossible (collision or segment too short)")));
        return true;
    }
    const QString net = rm.currentRoute().netName;
    if (!rm.finishRoutingOnTrack(host)) {
        takeBackEndPoint(tr("Error: cannot end on this track"));
        return true;
    }
    clearSnap();
    returnToIdle(tr("Track finished at a junction on %1").arg(net));
    return true;
}

void RoutingController::onIntermediatePointClicked(gp_Pnt /*approximatePos*/)
{
    RoutingManager& rm = model();
    if (!m_routingActive || !rm.isRouting())
        return;
    if (tryEndOnTrack())
        return;
    gp_Pnt point = m_lastTarget;
    if (rm.isVerticalMode() && m_snapActive) {
        const gp_Pnt cur = rm.currentEndPoint();
        point = gp_Pnt(cur.X(), cur.Y(), m_snapZ);
        clearSnap();
        releaseHoveredPad();
    }
    if (rm.addRoutePoint(point)) {
        refreshCommittedPreview();
        updateViewer();
        status(tr("Point set — continue routing"));
    } else {
        status(refusalText(tr("Error: distance too short")));
    }
}

void RoutingController::onKeyPress(int key, QPoint mousePos)
{
    RoutingManager& rm = model();
    if (!m_routingActive || !rm.isRouting())
        return;
    switch (key) {
    case Qt::Key_B:
        rm.toggleMode();
        if (rm.isVerticalMode()) {
            status(tr("VERTICAL mode — 'N' to snap to pad"));
        } else {
            clearSnap();
            status(tr("HORIZONTAL mode"));
        }
        onMouseMove(mousePos);
        break;
    case Qt::Key_N:
        if (!rm.isVerticalMode()) {
            status(tr("⚠ Switch to VERTICAL mode first ('B')"));
            break;
        }
        if (m_snapActive && !m_snapCandidates.isEmpty()) {
            m_snapIndex = (m_snapIndex + 1) % m_snapCandidates.size();
            applySnap();
            m_snapStarted = now();
        } else {
            collectSnap(mousePos);
        }
        onMouseMove(mousePos);
        break;
    case Qt::Key_Escape:
        cancelRoute();
        emit routingLabelChanged(tr("Routing: ACTIVE - Click on a pad"));
        status(tr("Routing cancelled"));
        break;
    case Qt::Key_Backspace:
        if (rm.undoLastPoint()) {
            clearSnap();
            releaseHoveredPad();
            refreshCommittedPreview();
            onMouseMove(mousePos);
            status(rm.isVerticalMode() ? tr("Point undone — VERTICAL mode") : tr("Point undone — HORIZONTAL mode"));
        } else {
            status(tr("Nothing to undo — Esc cancels the track"));
        }
        break;
    default:
        break;
    }
}

void RoutingController::collectSnap(const QPoint& mousePos)
{
    m_snapCandidates.clear();
    if (!m_components) {
        status(tr("Error: component manager unavailable"));
        return;
    }
    RoutingManager& rm = model();
    const gp_Pnt cur = rm.currentEndPoint();
    const gp_Pnt cursor = m_view->projectScreenToPlane(mousePos, cur.Z());
    const PinTable pins = m_components->pins();
    QSet<PadId> seen;
    for (const PadId& id : rm.padsOfNet(rm.currentRoute().netName)) {
        const auto pin = pins.constFind(id);
        const PinPad* pad = pin == pins.cend() || seen.contains(id) ? nullptr : pin->nearestTo(cursor);
        seen.insert(id);
        if (pad)
            m_snapCandidates.append({id, pad->basePoint, GeometryUtils::distanceXY(pad->position, cursor)});
    }
    if (m_snapCandidates.isEmpty()) {
        status(tr("No other net pad to snap to"));
        return;
    }
    std::stable_sort(m_snapCandidates.begin(), m_snapCandidates.end(),
                     [](const SnapCandidate& a, const SnapCandidate& b) { return a.distance < b.distance; });
    m_snapIndex = 0;
    m_snapActive = true;
    m_snapStarted = now();
    applySnap();
}

void RoutingController::applySnap()
{
    if (m_snapIndex < 0 || m_snapIndex >= m_snapCandidates.size())
        return;
    const SnapCandidate& candidate = m_snapCandidates.at(m_snapIndex);
    m_snapZ = candidate.base.Z();
    status(tr("Snap: %1/%2 Z=%3 mm (%4/%5)")
               .arg(candidate.pad.ref, candidate.pad.pad, UiTheme::decimal(m_snapZ, 2))
               .arg(m_snapIndex + 1)
               .arg(m_snapCandidates.size()));
}
