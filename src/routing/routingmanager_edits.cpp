// Edits of finished routes: removal, lookup by identity, end points and sections.
// Every geometric edit builds all new solids aside first, so a failure changes nothing.
#include "routing/routingmanager.h"

#include <QCoreApplication>
#include <QDebug>

#include <cmath>

namespace {

constexpr double kZeroLength = 1e-7;

QString tr(const char* text)
{
    return QCoreApplication::translate("RoutingManager", text);
}

// The segment with a new section, its top face kept in place; empty when no solid results.
std::optional<RouteSegment> resizedSegment(const RouteSegment& segment, double width, double height)
{
    RouteSegment copy = segment;
    if (height != segment.height || std::isnan(height) || std::isnan(segment.height)) {
        const double d = segment.height - height;
        if (copy.type == RouteSegment::Horizontal) {
            copy.start.SetZ(copy.start.Z() + d);
            copy.end.SetZ(copy.end.Z() + d);
        } else if (copy.end.Z() < copy.start.Z()) {
            copy.end.SetZ(copy.end.Z() + d);
        } else {
            copy.start.SetZ(copy.start.Z() + d);
        }
    }
    copy.width = width;
    copy.height = height;
    if (!RoutingManager::buildSegmentShape(copy))
        return std::nullopt;
    return copy;
}

} // namespace

bool RoutingManager::removeRouteAt(int index)
{
    if (index < 0 || index >= m_routes.size())
        return false;
    forgetRouteShape(m_routes.at(index).id);
    m_routes.removeAt(index);
    for (UnbuiltRoute& kept : m_unbuiltRoutes)
        if (kept.place > index)
            --kept.place;
    return true;
}

int RoutingManager::indexOfRouteId(quint64 id) const
{
    if (id == 0)
        return -1;
    for (int i = 0; i < m_routes.size(); ++i)
        if (m_routes.at(i).id == id)
            return i;
    return -1;
}

Route* RoutingManager::routeById(quint64 id)
{
    const int index = indexOfRouteId(id);
    return index < 0 ? nullptr : &m_routes[index];
}

bool RoutingManager::setSegmentEndpointsAtomic(int routeIndex, const QList<SegmentEndpoints>& changes)
{
    if (routeIndex < 0 || routeIndex >= m_routes.size()) {
        qWarning() << "setSegmentEndpointsAtomic: routeIndex" << routeIndex << "out of range (size="
                   << m_routes.size() << ")";
        return false;
    }
    if (changes.isEmpty())
        return true;
    const QList<RouteSegment>& segments = m_routes.at(routeIndex).segments;
    QList<QPair<int, RouteSegment>> staged;
    for (const SegmentEndpoints& change : changes) {
        if (change.segmentIndex < 0 || change.segmentIndex >= segments.size()) {
            qWarning() << "setSegmentEndpointsAtomic: segmentIndex" << change.segmentIndex
                       << "out of range (size=" << segments.size() << ", route" << routeIndex
                       << ") — route unchanged";
            return false;
        }
        RouteSegment copy = segments.at(change.segmentIndex);
        copy.start = change.start;
        copy.end = change.end;
        if (!buildSegmentShape(copy)) {
            qWarning() << "setSegmentEndpointsAtomic: null shape for" << "segment" << change.segmentIndex
                       << "(route" << routeIndex << ") — route unchanged";
            return false;
        }
        staged.append({change.segmentIndex, copy});
    }
    QList<RouteSegment>& target = m_routes[routeIndex].segments;
    for (const auto& entry : staged)
        target[entry.first] = entry.second;
    forgetRouteShape(m_routes.at(routeIndex).id);
    return true;
}

bool RoutingManager::setSegmentEndpoints(int routeIndex, int segmentIndex, const gp_Pnt& start,
                                         const gp_Pnt& end)
{
    return setSegmentEndpointsAtomic(routeIndex, {SegmentEndpoints{segmentIndex, start, end}});
}

QList<QPair<int, JunctionHost>> RoutingManager::junctionsHostedBy(int routeIndex) const
{
    QList<QPair<int, JunctionHost>> hosted;
    for (int r = 0; r < m_routes.size(); ++r) {
        JunctionHost host;
        if (r != routeIndex && m_routes.at(r).endsOnTrack && hostOfJunction(m_routes, r, host)
            && host.routeIndex == routeIndex)
            hosted.append({r, host});
    }
    return hosted;
}

// A section change moves a horizontal host up or down (its top stays). The T junctions on it
// follow while their track still meets the host's new thickness; one that no longer meets it
// is left where it was, which reads as what it is: not joined.
void RoutingManager::followHostedJunctions(const QList<QPair<int, JunctionHost>>& hosted,
                                           const QList<RouteSegment>& before)
{
    for (const auto& [r, host] : hosted) {
        const QList<RouteSegment>& hostSegments = m_routes.at(host.routeIndex).segments;
        if (host.segmentIndex >= before.size() || host.segmentIndex >= hostSegments.size())
            continue;
        const RouteSegment& now = hostSegments.at(host.segmentIndex);
        const double dz = now.start.Z() - before.at(host.segmentIndex).start.Z();
        Route& tee = m_routes[r];
        const RouteSegment* last = nullptr;
        for (int i = tee.segments.size() - 1; i >= 0 && !last; --i)
            if (tee.segments.at(i).start.Distance(tee.segments.at(i).end) > kZeroLength)
                last = &tee.segments.at(i);
        if (!(std::abs(dz) > 0.0) || !last)
            continue;
        const double low = last->type == RouteSegment::Vertical ? std::min(last->start.Z(), last->end.Z())
                                                                : last->start.Z();
        const double high = last->type == RouteSegment::Vertical ? std::max(last->start.Z(), last->end.Z())
                                                                 : last->start.Z() + last->height;
        if (low <= now.start.Z() + now.height + kZeroLength && now.start.Z() <= high + kZeroLength)
            tee.endJunction.SetZ(tee.endJunction.Z() + dz);
    }
}

bool RoutingManager::setSegmentDimensions(int routeIndex, int segmentIndex, double width, double height)
{
    if (routeIndex < 0 || routeIndex >= m_routes.size()) {
        qWarning() << "setSegmentDimensions: routeIndex" << routeIndex << "out of range (size="
                   << m_routes.size() << ")";
        return false;
    }
    QList<RouteSegment>& segments = m_routes[routeIndex].segments;
    if (segmentIndex < 0 || segmentIndex >= segments.size()) {
        qWarning() << "setSegmentDimensions: segmentIndex" << segmentIndex << "out of range (size="
                   << segments.size() << ")";
        return false;
    }
    const std::optional<RouteSegment> copy = resizedSegment(segments.at(segmentIndex), width, height);
    if (!copy) {
        qWarning() << "setSegmentDimensions: null shape for the new" << "dimensions (route" << routeIndex
                   << "seg" << segmentIndex << ") — segment unchanged";
        return false;
    }
    const QList<QPair<int, JunctionHost>> hosted = junctionsHostedBy(routeIndex);
    const QList<RouteSegment> before = segments;
    segments[segmentIndex] = *copy;
    forgetRouteShape(m_routes.at(routeIndex).id);
    followHostedJunctions(hosted, before);
    return true;
}

bool RoutingManager::setRouteDimensions(int routeIndex, double width, double height)
{
    if (routeIndex < 0 || routeIndex >= m_routes.size()) {
        qWarning() << "setRouteDimensions: routeIndex" << routeIndex << "out of range (size="
                   << m_routes.size() << ")";
        return false;
    }
    m_lastRefusal.clear();
    QList<RouteSegment> copies;
    const Route& route = m_routes.at(routeIndex);
    const QList<RouteSegment>& segments = route.segments;
    for (int i = 0; i < segments.size(); ++i) {
        const std::optional<RouteSegment> copy = resizedSegment(segments.at(i), width, height);
        if (!copy) {
            qWarning() << "setRouteDimensions: null shape for segment" << i << "(route" << routeIndex
                       << ") — route unchanged";
            refuse(tr("The track's solid could not be built."));
            return false;
        }
        copies.append(*copy);
    }
    // Checked like drawing; a track that already was too close before keeps that state
    // through a section that makes it no worse (a shrink must stay possible).
    const QList<PadObstacle> pads = padObstacles();
    const CollisionResult now = checkSegments(copies, route.netName, routeIndex, pads);
    if (!now.isClear()
        && now.severity() > checkSegments(segments, route.netName, routeIndex, pads).severity()) {
        qWarning() << "setRouteDimensions: the new section collides with" << now.offender << "(route"
                   << routeIndex << ") — route unchanged";
        refuse(collisionRefusal(now));
        return false;
    }
    const QList<QPair<int, JunctionHost>> hosted = junctionsHostedBy(routeIndex);
    const QList<RouteSegment> before = segments;
    m_routes[routeIndex].segments = copies;
    forgetRouteShape(m_routes.at(routeIndex).id);
    followHostedJunctions(hosted, before);
    return true;
}
