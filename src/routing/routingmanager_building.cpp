// Drawing a track point by point: start on a pad, commit horizontal and vertical
// segments, end on a pad or in a T junction on a track of the same net.
#include "routing/routingmanager.h"

#include "foundation/geometryutils.h"
#include "foundation/logging.h"

#include <QCoreApplication>
#include <QDebug>

#include <cmath>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kMinSegmentLength = 0.5;
constexpr double kMinFinalLength = 0.1;
// A kilometre: far beyond any printer, near enough for the solids to stay exact.
constexpr double kMaxCoordinate = 1e6;

bool isFinite(const gp_Pnt& p)
{
    return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z());
}

bool isWithinReach(const gp_Pnt& p)
{
    return std::abs(p.X()) <= kMaxCoordinate && std::abs(p.Y()) <= kMaxCoordinate
        && std::abs(p.Z()) <= kMaxCoordinate;
}

const char* modeName(bool vertical)
{
    return vertical ? "Vertical" : "Horizontal";
}

QString tr(const char* text)
{
    return QCoreApplication::translate("RoutingManager", text);
}

} // namespace

void RoutingManager::refuse(const QString& reason)
{
    m_lastRefusal = reason;
}

bool RoutingManager::startRouting(const QString& netName, const PadId& pad, const gp_Pnt& startPoint)
{
    qCDebug(lcRouting) << "\n=== RoutingManager::startRouting ===";
    m_lastRefusal.clear();
    if (m_routing) {
        qWarning() << "✗ A route is already being drawn";
        refuse(tr("A track is already being drawn."));
        return false;
    }
    if (netName.isEmpty() || pad.ref.isEmpty() || pad.pad.isEmpty()) {
        qWarning() << "✗ Invalid identifiers — net:" << netName << "ref:" << pad.ref << "pad:" << pad.pad;
        refuse(tr("The pad has no net or no name."));
        return false;
    }
    if (!isFinite(startPoint) || !isWithinReach(startPoint)) {
        qWarning() << "✗ Non-finite start point:" << startPoint.X() << startPoint.Y() << startPoint.Z();
        refuse(tr("The pad's position is not a valid point."));
        return false;
    }
    if (!m_netPads.contains(netName)) {
        qWarning() << "✗ Unknown net:" << netName;
        refuse(tr("Net %1 is not in the netlist.").arg(netName));
        return false;
    }
    if (!padsOfNet(netName).contains(pad)) {
        qWarning() << "✗ Pad" << pad.toString() << "does not belong to net" << netName;
        refuse(tr("Pad %1 does not belong to net %2.").arg(pad.toString(), netName));
        return false;
    }

    Route route;
    route.netName = netName;
    route.startRef = pad.ref;
    route.startPad = pad.pad;
    RouteSegment open;
    open.type = RouteSegment::Horizontal;
    open.start = startPoint;
    open.end = startPoint;
    open.width = m_rules.trackWidth;
    open.height = m_rules.trackHeight;
    route.segments.append(open);

    m_currentRoute = route;
    m_routing = true;
    m_verticalMode = false;
    qCDebug(lcRouting) << "✓ Routing started — track bottom Z =" << startPoint.Z();
    return true;
}

RouteSegment RoutingManager::makeOpenSegment(const RouteSegment& committed, bool vertical) const
{
    RouteSegment open;
    open.type = vertical ? RouteSegment::Vertical : RouteSegment::Horizontal;
    open.width = m_rules.trackWidth;
    open.height = m_rules.trackHeight;
    if (committed.type == RouteSegment::Vertical) {
        const double zEnd = committed.end.Z();
        // Coming up, the next horizontal track's top meets the column's top.
        const double z = committed.start.Z() < zEnd ? zEnd - m_rules.trackHeight : zEnd;
        qCDebug(lcRouting) << "V→H: zEnd=" << zEnd << "zStart=" << committed.start.Z() << "→ newZ=" << z;
        open.start = gp_Pnt(committed.end.X(), committed.end.Y(), z);
    } else {
        open.start = committed.end;
    }
    open.end = open.start;
    return open;
}

bool RoutingManager::addRoutePoint(const gp_Pnt& point)
{
    qCDebug(lcRouting) << "\n=== RoutingManager::addRoutePoint ===";
    m_lastRefusal.clear();
    if (!m_routing || m_currentRoute.segments.isEmpty()) {
        qCDebug(lcRouting) << "✗ Preconditions not met";
        refuse(tr("No track is being drawn."));
        return false;
    }
    if (!isFinite(point) || !isWithinReach(point)) {
        qWarning() << "✗ Point out of reach:" << point.X() << point.Y() << point.Z();
        refuse(tr("The point is not a valid position."));
        return false;
    }

    const int openIndex = m_currentRoute.segments.size() - 1;
    RouteSegment segment = m_currentRoute.segments.at(openIndex);
    segment.type = m_verticalMode ? RouteSegment::Vertical : RouteSegment::Horizontal;
    if (m_verticalMode)
        segment.end = gp_Pnt(segment.start.X(), segment.start.Y(), point.Z());
    else
        segment.end = gp_Pnt(point.X(), point.Y(), segment.start.Z());

    if (m_verticalMode && openIndex > 0) {
        const RouteSegment& previous = m_currentRoute.segments.at(openIndex - 1);
        if (previous.type == RouteSegment::Horizontal
            && previous.start.Distance(previous.end) > kZeroLength) {
            const bool ascending = segment.end.Z() > segment.start.Z();
            const double z = ascending ? previous.end.Z() : previous.end.Z() + previous.height;
            segment.start.SetZ(z);
            qCDebug(lcRouting) << "H→V correction:"
                               << (ascending ? "ascending → starts from the bottom"
                                             : "descending → starts from the top")
                               << "startZ=" << z;
        }
    }

    if (segment.start.Distance(segment.end) < kMinSegmentLength) {
        qCDebug(lcRouting) << "✗ Distance too short";
        refuse(tr("The segment would be shorter than %1 mm.").arg(kMinSegmentLength));
        return false;
    }
    if (!buildSegmentShape(segment)) {
        qWarning() << "✗ Segment shape creation failed";
        refuse(tr("The track's solid could not be built."));
        return false;
    }
    const QList<PadObstacle> pads = padObstacles();
    CollisionResult collision = checkCollision(segment, m_currentRoute.netName, -1, pads);
    // The bend this segment makes with the previous one is filled in the printed track.
    if (collision.isClear() && openIndex > 0)
        collision = checkCornerCollision(m_currentRoute.segments.at(openIndex - 1), segment,
                                         m_currentRoute.netName, -1, pads);
    if (collision.isShort)
        qWarning() << "✗ Short circuit with:" << collision.offender;
    else if (collision.isClearance)
        qWarning() << "✗ Insufficient clearance with:" << collision.offender;
    else if (collision.isUnchecked)
        qWarning() << "✗ Clearance could not be checked with:" << collision.offender;
    if (!collision.isClear()) {
        refuse(collisionRefusal(collision));
        return false;
    }

    m_currentRoute.segments[openIndex] = segment;
    qCDebug(lcRouting) << "✓ Segment committed";
    m_verticalMode = false;
    m_currentRoute.segments.append(makeOpenSegment(segment, false));
    return true;
}

bool RoutingManager::undoLastPoint()
{
    if (!m_routing) {
        qCDebug(lcRouting) << "✗ undoLastPoint: no route being drawn";
        return false;
    }
    if (m_currentRoute.segments.size() <= 1) {
        qCDebug(lcRouting) << "✗ undoLastPoint: already at the start point";
        return false;
    }
    m_currentRoute.segments.removeLast();
    const RouteSegment removed = m_currentRoute.segments.takeLast();
    m_verticalMode = removed.type == RouteSegment::Vertical;
    if (m_currentRoute.segments.isEmpty()) {
        RouteSegment open;
        open.type = removed.type;
        open.start = removed.start;
        open.end = removed.start;
        open.width = m_rules.trackWidth;
        open.height = m_rules.trackHeight;
        m_currentRoute.segments.append(open);
    } else {
        m_currentRoute.segments.append(makeOpenSegment(m_currentRoute.segments.last(), m_verticalMode));
    }
    qCDebug(lcRouting) << "✓ Point undone — segments left =" << m_currentRoute.segments.size()
                       << "mode =" << modeName(m_verticalMode);
    return true;
}

bool RoutingManager::validateSegments()
{
    QList<RouteSegment>& segments = m_currentRoute.segments;
    if (!segments.isEmpty()) {
        RouteSegment& last = segments.last();
        if (last.start.Distance(last.end) < kMinFinalLength)
            segments.removeLast();
        else if (last.shape.IsNull())
            buildSegmentShape(last);
    }
    if (segments.isEmpty()) {
        qWarning() << "✗ No valid segment";
        refuse(tr("The track has no segment yet."));
        return false;
    }
    return true;
}

bool RoutingManager::hasCommittedSegment() const
{
    for (const RouteSegment& s : m_currentRoute.segments)
        if (s.start.Distance(s.end) >= kMinFinalLength)
            return true;
    return false;
}

// The end must really reach what it claims to join; a distance that cannot be computed
// does not count as reaching.
bool RoutingManager::lastSegmentTouches(const QList<TopoDS_Shape>& targets, const QString& what)
{
    // Checked on the committed segments (the open one has no length).
    const RouteSegment* last = nullptr;
    for (int i = m_currentRoute.segments.size() - 1; i >= 0 && !last; --i) {
        const RouteSegment& s = m_currentRoute.segments.at(i);
        if (s.start.Distance(s.end) >= kMinFinalLength && !s.shape.IsNull())
            last = &s;
    }
    // Reaching any one of the targets is enough; the smallest gap is the one reported.
    std::optional<double> distance;
    for (const TopoDS_Shape& target : targets) {
        const std::optional<double> d = last && !target.IsNull() ? solidDistance(last->shape, target) : std::nullopt;
        if (d && (!distance || *d < *distance))
            distance = d;
        if (distance && *distance < kZeroLength)
            break;
    }
    if (distance && *distance < kZeroLength)
        return true;
    if (distance)
        qWarning() << "✗ The track does not reach" << what << "— gap" << *distance << "mm";
    else
        qWarning() << "✗ Cannot check that the track reaches" << what;
    refuse(tr("The track does not reach %1.").arg(what));
    return false;
}

bool RoutingManager::finishRouting(const PadId& pad)
{
    qCDebug(lcRouting) << "\n=== RoutingManager::finishRouting ===";
    m_lastRefusal.clear();
    if (!m_routing)
        return false;
    if (pad.ref.isEmpty() || pad.pad.isEmpty()) {
        qWarning() << "✗ Invalid destination identifiers — ref:" << pad.ref << "pad:" << pad.pad;
        refuse(tr("The destination pad has no name."));
        return false;
    }
    if (pad.ref == m_currentRoute.startRef && pad.pad == m_currentRoute.startPad) {
        qWarning() << "✗ Loop forbidden: start == end";
        refuse(tr("A track cannot end on its own start pad."));
        return false;
    }
    if (!isPadInNet(pad)) {
        qWarning() << "✗ Invalid destination:" << pad.toString();
        refuse(tr("Pad %1 is not on net %2.").arg(pad.toString(), m_currentRoute.netName));
        return false;
    }
    // The pin's solids, from the same source as the collision test: every pad of its number.
    QList<TopoDS_Shape> padSolids;
    const QString label = pad.toString();
    if (m_padObstacleProvider) {
        for (const PadObstacle& obstacle : m_padObstacleProvider()) {
            if (obstacle.label == label && !obstacle.shape.IsNull())
                padSolids.append(obstacle.shape);
        }
    }
    // Checked before validateSegments, which drops the open segment for good.
    if (hasCommittedSegment() && !lastSegmentTouches(padSolids, tr("pad %1").arg(label)))
        return false;
    if (!validateSegments())
        return false;

    m_currentRoute.endRef = pad.ref;
    m_currentRoute.endPad = pad.pad;
    m_currentRoute.isComplete = true;
    commitCurrentRoute();
    qCDebug(lcRouting) << "✓ Route finalized" << m_routes.last().label();
    return true;
}

bool RoutingManager::finishRoutingOnTrack(const JunctionHost& host)
{
    qCDebug(lcRouting) << "\n=== RoutingManager::finishRoutingOnTrack ===";
    m_lastRefusal.clear();
    if (!m_routing)
        return false;
    if (host.routeIndex < 0 || host.routeIndex >= m_routes.size()) {
        qWarning() << "✗ Host route out of range:" << host.routeIndex;
        refuse(tr("The track to join does not exist."));
        return false;
    }
    const Route& hostRoute = m_routes.at(host.routeIndex);
    if (hostRoute.netName != m_currentRoute.netName) {
        qWarning() << "✗ Host net" << hostRoute.netName << "≠ current net" << m_currentRoute.netName;
        refuse(tr("The track to join is on net %1, not %2.").arg(hostRoute.netName, m_currentRoute.netName));
        return false;
    }
    if (host.segmentIndex < 0 || host.segmentIndex >= hostRoute.segments.size()) {
        qWarning() << "✗ Host segment out of range:" << host.segmentIndex;
        refuse(tr("The track to join does not exist."));
        return false;
    }
    const RouteSegment& hostSegment = hostRoute.segments.at(host.segmentIndex);
    const double offAxis = GeometryUtils::distancePointToSegment(host.point, hostSegment.start, hostSegment.end);
    if (!(offAxis <= hostSegment.width * 0.5 + kZeroLength)) {
        qWarning() << "✗ Junction point outside the host segment's footprint";
        refuse(tr("The junction point is not on the track to join."));
        return false;
    }
    TopoDS_Shape hostSolid = hostSegment.shape;
    if (hostSolid.IsNull())
        hostSolid = createSegmentShape(hostSegment);
    if (hasCommittedSegment() && !lastSegmentTouches({hostSolid}, tr("track %1").arg(hostRoute.label())))
        return false;
    if (!validateSegments())
        return false;

    m_currentRoute.endRef.clear();
    m_currentRoute.endPad.clear();
    m_currentRoute.endsOnTrack = true;
    m_currentRoute.endJunction = host.point;
    m_currentRoute.isComplete = true;
    const QString hostNet = hostRoute.netName;
    commitCurrentRoute();
    qCDebug(lcRouting) << "✓ Route finalized" << m_routes.last().label() << "on a T junction on" << hostNet
                       << "(route" << host.routeIndex << "segment" << host.segmentIndex << ")";
    return true;
}

void RoutingManager::cancelRouting()
{
    if (m_routing)
        resetCurrentRoute();
}

void RoutingManager::toggleMode()
{
    if (!m_routing)
        return;
    m_verticalMode = !m_verticalMode;
    qCDebug(lcRouting) << "Mode toggled →" << modeName(m_verticalMode);
}

RouteSegment RoutingManager::previewSegment(const gp_Pnt& cursor) const
{
    if (!m_routing || m_currentRoute.segments.isEmpty())
        return RouteSegment();
    RouteSegment segment = m_currentRoute.segments.last();
    segment.type = m_verticalMode ? RouteSegment::Vertical : RouteSegment::Horizontal;
    if (m_verticalMode)
        segment.end = gp_Pnt(segment.start.X(), segment.start.Y(), cursor.Z());
    else
        segment.end = gp_Pnt(cursor.X(), cursor.Y(), segment.start.Z());
    return segment;
}
