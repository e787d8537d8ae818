// Route solids kept between their users (the track display, the exports): a bend's fuse
// costs tens of milliseconds, and most routes do not change between two uses.
#include "routing/routingmanager.h"

#include "routing/trackvolume.h"

#include <QDebug>

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

TopoDS_Shape RoutingManager::routeShape(const Route& route, const Message_ProgressRange& progress) const
{
    if (route.id == 0)
        return createRouteShapeWithin(route, progress);
    std::vector<double> geometry = routeGeometry(route);
    const auto it = m_routeShapes.constFind(route.id);
    // NaN never equals itself, so a route holding one is rebuilt each time, as it should be.
    if (it != m_routeShapes.cend() && it->geometry == geometry)
        return it->shape;
    const TopoDS_Shape shape = createRouteShapeWithin(route, progress);
    // A build broken off is no answer for the next user.
    if (progress.UserBreak())
        return TopoDS_Shape();
    // Checked once, as built: a solid short of copper or in pieces is an open or thin track in print.
    QString fault = TrackVolume::faultOf(route.segments, shape);
    if (!fault.isEmpty())
        qWarning() << "routeShape: track" << route.label() << "of net" << route.netName << "—" << fault;
    m_routeShapes.insert(route.id, CachedRouteShape{std::move(geometry), shape, std::move(fault)});
    return shape;
}

QString RoutingManager::routeFault(const Route& route) const
{
    if (route.id == 0)
        return TrackVolume::faultOf(route.segments, createRouteShape(route));
    routeShape(route);
    const auto it = m_routeShapes.constFind(route.id);
    return it != m_routeShapes.cend() ? it->fault : QString();
}

void RoutingManager::forgetRouteShape(quint64 id)
{
    m_routeShapes.remove(id);
}
