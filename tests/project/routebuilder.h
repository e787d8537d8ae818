// Compact construction of routes for the connectivity and comparison tests.
#pragma once

#include "model/routerecords.h"
#include "routing/routingmanager.h"

#include <initializer_list>

namespace RouteBuilder {

// A complete route through the given plan points at height z (horizontal segments,
// 2 mm wide, 1 mm high, no solid: boxes come from the end points).
inline Route route(const QString& net, const QString& startRef, const QString& startPad,
                   const QString& endRef, const QString& endPad,
                   std::initializer_list<gp_Pnt> points)
{
    Route r;
    r.netName = net;
    r.startRef = startRef;
    r.startPad = startPad;
    r.endRef = endRef;
    r.endPad = endPad;
    r.isComplete = true;
    const gp_Pnt* previous = nullptr;
    for (const gp_Pnt& p : points) {
        if (previous) {
            RouteSegment s;
            s.start = *previous;
            s.end = p;
            r.segments.append(s);
        }
        previous = &p;
    }
    return r;
}

// The same route ending in a T junction at the given point instead of on a pad.
inline Route junctionRoute(const QString& net, const QString& startRef, const QString& startPad,
                           const gp_Pnt& junction, std::initializer_list<gp_Pnt> points)
{
    Route r = route(net, startRef, startPad, QString(), QString(), points);
    r.endsOnTrack = true;
    r.endJunction = junction;
    return r;
}

// The same route with every segment's solid and box built.
inline Route withSolids(Route route)
{
    for (RouteSegment& segment : route.segments)
        RoutingManager::buildSegmentShape(segment);
    return route;
}

// A complete route of horizontals along the points, solids built, between R1/1 and R2/1.
inline Route solidRoute(const QString& net, std::initializer_list<gp_Pnt> points)
{
    return withSolids(route(net, QStringLiteral("R1"), QStringLiteral("1"), QStringLiteral("R2"),
                            QStringLiteral("1"), points));
}

} // namespace RouteBuilder
