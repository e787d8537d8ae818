// Host search for T junctions: where a route may end on, or did end on, another track.
#include "routing/routingmanager.h"

#include "foundation/geometryutils.h"

#include <limits>

namespace {

constexpr double kZeroLength = 1e-7;
constexpr double kTie = 1e-6;

} // namespace

bool RoutingManager::findHostSegment(const QList<Route>& routes, const QString& netName,
                                     const gp_Pnt& point, double tolerance, JunctionHost& out,
                                     int skipRouteIndex, std::optional<double> zHint)
{
    out = JunctionHost();
    double best = std::numeric_limits<double>::max();
    bool bestEndsOnTrack = false;

    for (int r = 0; r < routes.size(); ++r) {
        const Route& route = routes.at(r);
        if (r == skipRouteIndex || !route.isComplete || route.netName != netName
            || route.segments.isEmpty())
            continue;

        double lengthBefore = 0.0;
        for (int s = 0; s < route.segments.size(); ++s) {
            const RouteSegment& segment = route.segments.at(s);
            const double length = segment.start.Distance(segment.end);
            const double passed = lengthBefore;
            lengthBefore += length;

            if (segment.type != RouteSegment::Horizontal || length <= kZeroLength)
                continue;
            // Written as "inside" tests so that a NaN hint or tolerance matches nothing.
            if (zHint) {
                const double z = segment.start.Z();
                if (!(*zHint >= z - kZeroLength && *zHint <= z + segment.height + kZeroLength))
                    continue;
            }

            gp_Pnt nearest;
            const double d =
                GeometryUtils::distancePointToSegmentXY(point, segment.start, segment.end, &nearest);
            if (!(d <= segment.width * 0.5 + tolerance))
                continue;

            const bool better = d < best - kTie
                || (d < best + kTie && bestEndsOnTrack && !route.endsOnTrack);
            if (!better)
                continue;
            best = d;
            bestEndsOnTrack = route.endsOnTrack;
            out.routeIndex = r;
            out.segmentIndex = s;
            out.point = nearest;
            out.distanceAlongHost = passed + segment.start.Distance(nearest);
        }
    }
    return out.routeIndex >= 0 && out.segmentIndex >= 0;
}

bool RoutingManager::findHostSegment(const QString& netName, const gp_Pnt& point, double tolerance,
                                     JunctionHost& out, int skipRouteIndex) const
{
    return findHostSegment(m_routes, netName, point, tolerance, out, skipRouteIndex);
}

bool RoutingManager::hostOfJunction(const QList<Route>& routes, int routeIndex, JunctionHost& out)
{
    out = JunctionHost();
    if (routeIndex < 0 || routeIndex >= routes.size())
        return false;
    const Route& route = routes.at(routeIndex);
    if (!route.endsOnTrack || route.segments.isEmpty())
        return false;
    return findHostSegment(routes, route.netName, route.endJunction, 0.0, out, routeIndex,
                           route.endJunction.Z());
}
