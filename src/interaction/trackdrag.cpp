#include "interaction/trackdrag.h"

#include "foundation/geometryutils.h"
#include "routing/routingmanager.h"

#include <algorithm>
#include <cmath>

namespace TrackDrag {

namespace {

double planDistanceToSegment(const gp_Pnt& p, const gp_Pnt& a, const gp_Pnt& b)
{
    const double abx = b.X() - a.X();
    const double aby = b.Y() - a.Y();
    const double length2 = abx * abx + aby * aby;
    double t = length2 > 0.0 ? ((p.X() - a.X()) * abx + (p.Y() - a.Y()) * aby) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.X() - (a.X() + t * abx), p.Y() - (a.Y() + t * aby));
}

constexpr double kLevel = 1e-7;
constexpr double kJoint = 1e-6;

bool sameType(const Route& route, int a, int b)
{
    return route.segments.at(a).type == route.segments.at(b).type;
}

DragSlot slotOf(const Route& route, int index)
{
    DragSlot slot;
    slot.segmentIndex = index;
    slot.beforeStart = slot.afterStart = route.segments.at(index).start;
    slot.beforeEnd = slot.afterEnd = route.segments.at(index).end;
    return slot;
}

gp_Pnt shifted(const gp_Pnt& p, double dx, double dy)
{
    return gp_Pnt(p.X() + dx, p.Y() + dy, p.Z());
}

} // namespace

bool isCentral(const Route& route, int k)
{
    const int n = route.segments.size();
    return n >= 3 && k >= 1 && k < n - 1;
}

bool isDraggableSegment(const Route& route, int k)
{
    return isCentral(route, k) && route.segments.at(k).type == RouteSegment::Horizontal
        && sameType(route, k, k - 1) && sameType(route, k, k + 1);
}

int cornerKind(const Route& route, int k)
{
    const int n = route.segments.size();
    if (k < 0 || k > n - 2)
        return NotDraggable;
    const bool hA = route.segments.at(k).type == RouteSegment::Horizontal;
    const bool hB = route.segments.at(k + 1).type == RouteSegment::Horizontal;
    const auto horizontal = [&route](int i) { return route.segments.at(i).type == RouteSegment::Horizontal; };
    if (hA && !hB) // the segment beyond the vertical has its start moved: it must be horizontal
        return k + 2 < n && horizontal(k + 2) ? HorizontalVertical : NotDraggable;
    if (!hA && hB)
        return k >= 1 && horizontal(k - 1) ? VerticalHorizontal : NotDraggable;
    if (hA && hB)
        return std::abs(route.segments.at(k).end.Z() - route.segments.at(k + 1).start.Z()) <= kLevel
            ? HorizontalHorizontal
            : NotDraggable;
    return NotDraggable;
}

Slots segmentSlots(const Route& route, int k)
{
    Slots moving;
    moving[0] = slotOf(route, k - 1);
    moving[1] = slotOf(route, k);
    moving[2] = slotOf(route, k + 1);
    return moving;
}

Slots cornerSlots(const Route& route, int k, int kind)
{
    Slots moving;
    switch (kind) {
    case HorizontalVertical:
        moving[1] = slotOf(route, k);
        moving[2] = slotOf(route, k + 1);
        moving[3] = slotOf(route, k + 2);
        break;
    case VerticalHorizontal:
        moving[0] = slotOf(route, k - 1);
        moving[1] = slotOf(route, k);
        moving[2] = slotOf(route, k + 1);
        break;
    case HorizontalHorizontal:
        moving[1] = slotOf(route, k);
        moving[2] = slotOf(route, k + 1);
        break;
    default:
        break;
    }
    return moving;
}

Slots movedSegment(const Slots& moving, double dirX, double dirY, double dx, double dy)
{
    // Only the movement across the segment counts.
    const double px = -dirY;
    const double py = dirX;
    const double t = dx * px + dy * py;
    Slots out = moving;
    out[1].afterStart = shifted(moving[1].beforeStart, t * px, t * py);
    out[1].afterEnd = shifted(moving[1].beforeEnd, t * px, t * py);
    out[0].afterStart = moving[0].beforeStart;
    out[0].afterEnd = out[1].afterStart;
    out[2].afterStart = out[1].afterEnd;
    out[2].afterEnd = moving[2].beforeEnd;
    return out;
}

Slots movedCorner(const Slots& moving, int kind, double dx, double dy)
{
    Slots out = moving;
    for (DragSlot& slot : out) {
        slot.afterStart = slot.beforeStart;
        slot.afterEnd = slot.beforeEnd;
    }
    switch (kind) {
    case HorizontalVertical: // end of k, both ends of k+1, start of k+2
        out[1].afterEnd = shifted(moving[1].beforeEnd, dx, dy);
        out[2].afterStart = shifted(moving[2].beforeStart, dx, dy);
        out[2].afterEnd = shifted(moving[2].beforeEnd, dx, dy);
        out[3].afterStart = shifted(moving[3].beforeStart, dx, dy);
        break;
    case VerticalHorizontal: // end of k-1, both ends of k, start of k+1
        out[0].afterEnd = shifted(moving[0].beforeEnd, dx, dy);
        out[1].afterStart = shifted(moving[1].beforeStart, dx, dy);
        out[1].afterEnd = shifted(moving[1].beforeEnd, dx, dy);
        out[2].afterStart = shifted(moving[2].beforeStart, dx, dy);
        break;
    case HorizontalHorizontal:
        out[1].afterEnd = shifted(moving[1].beforeEnd, dx, dy);
        out[2].afterStart = shifted(moving[2].beforeStart, dx, dy);
        break;
    default:
        break;
    }
    return out;
}

bool isAcceptable(const Route& route, const Slots& moving)
{
    QList<RouteSegment> segments = route.segments;
    for (const DragSlot& slot : moving) {
        if (!slot.isUsed())
            continue;
        if (slot.segmentIndex >= segments.size())
            return false;
        if (!(slot.afterStart.Distance(slot.afterEnd) >= kMinDraggedLength))
            return false;
        segments[slot.segmentIndex].start = slot.afterStart;
        segments[slot.segmentIndex].end = slot.afterEnd;
    }
    const int n = segments.size();
    if (n == 0)
        return true;
    // The ends of the track stay on their pads or host.
    if (!segments.first().start.IsEqual(route.segments.first().start, kJoint)
        || !segments.last().end.IsEqual(route.segments.last().end, kJoint))
        return false;
    for (int i = 0; i < n; ++i) {
        const RouteSegment& s = segments.at(i);
        const bool upright = s.type == RouteSegment::Vertical
            ? GeometryUtils::distanceXY(s.start, s.end) <= kLevel
            : std::abs(s.start.Z() - s.end.Z()) <= kLevel;
        if (!upright)
            return false;
        // Joints keep their plan position relation: the Z steps of the chain stay as they were.
        if (i + 1 < n) {
            const bool wasJoined = GeometryUtils::distanceXY(route.segments.at(i).end,
                                                             route.segments.at(i + 1).start) <= kJoint;
            if (wasJoined && GeometryUtils::distanceXY(s.end, segments.at(i + 1).start) > kJoint)
                return false;
        }
    }
    return true;
}

bool keepsJunctions(const QList<Route>& routes, int routeIndex, const Slots& moving)
{
    if (routeIndex < 0 || routeIndex >= routes.size())
        return false;
    const QList<RouteSegment>& hostSegments = routes.at(routeIndex).segments;
    for (int r = 0; r < routes.size(); ++r) {
        if (r == routeIndex || !routes.at(r).endsOnTrack)
            continue;
        JunctionHost host;
        if (!RoutingManager::hostOfJunction(routes, r, host) || host.routeIndex != routeIndex)
            continue;
        for (const DragSlot& slot : moving) {
            if (!slot.isUsed() || slot.segmentIndex != host.segmentIndex || slot.segmentIndex >= hostSegments.size())
                continue;
            const double halfWidth = hostSegments.at(slot.segmentIndex).width / 2.0;
            if (planDistanceToSegment(routes.at(r).endJunction, slot.afterStart, slot.afterEnd) > halfWidth + kJoint)
                return false;
        }
    }
    return true;
}

bool isUnchanged(const Route& route, const Slots& moving)
{
    for (const DragSlot& slot : moving) {
        if (!slot.isUsed())
            continue;
        if (slot.segmentIndex >= route.segments.size())
            return false;
        const RouteSegment& s = route.segments.at(slot.segmentIndex);
        if (!s.start.IsEqual(slot.beforeStart, 0.0) || !s.end.IsEqual(slot.beforeEnd, 0.0))
            return false;
    }
    return true;
}

QList<SegmentEndpoints> endpointChanges(const Slots& moving)
{
    QList<SegmentEndpoints> changes;
    for (const DragSlot& slot : moving)
        if (slot.isUsed())
            changes.append({slot.segmentIndex, slot.afterStart, slot.afterEnd});
    return changes;
}

} // namespace TrackDrag
