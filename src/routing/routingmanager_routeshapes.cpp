// Route solids kept between their users (the track display, the exports): a bend's fuse
// costs tens of milliseconds, and most routes do not change between two uses.
#include "routing/routingmanager.h"

namespace {

// Everything createRouteShape reads of a route.
std::vector<double> routeGeometry(const Route& route)
{
    std::vector<double> geometry;
    geometry.reserve(std::size_t(route.segments.size()) * 9);
    for (const RouteSegment& segment : route.segments) {
        geometry.insert(geometry.end(),
                        {segment.start.X(), segment.start.Y(), segment.start.Z(), segment.end.X(),
                         segment.end.Y(), segment.end.Z(), double(segment.type), segment.width, segment.height});
    }
    return geometry;
}

} // namespace

TopoDS_Shape RoutingManager::routeShape(const Route& route) const
{
    if (route.id == 0)
        return createRouteShape(route);
    std::vector<double> geometry = routeGeometry(route);
    const auto it = m_routeShapes.constFind(route.id);
    // NaN never equals itself, so a route holding one is rebuilt each time, as it should be.
    if (it != m_routeShapes.cend() && it->geometry == geometry)
        return it->shape;
    const TopoDS_Shape shape = createRouteShape(route);
    m_routeShapes.insert(route.id, CachedRouteShape{std::move(geometry), shape});
    return shape;
}

void RoutingManager::forgetRouteShape(quint64 id)
{
    m_routeShapes.remove(id);
}
