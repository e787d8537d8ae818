#include "routing/routingmanager.h"

#include "foundation/logging.h"

#include <QDebug>

#include <algorithm>

namespace {

constexpr double kZeroLength = 1e-7;

} // namespace

RoutingManager::RoutingManager()
{
    qCDebug(lcRouting) << "RoutingManager created";
}

void RoutingManager::setRoutingRules(const RoutingRules& rules)
{
    m_rules = validRoutingRules(rules, m_rules);
    qCDebug(lcRouting) << "Routing rules:"
                       << "width=" << m_rules.trackWidth
                       << "height=" << m_rules.trackHeight
                       << "track clearance=" << m_rules.clearance
                       << "clearance pad=" << m_rules.padClearance;
}

void RoutingManager::adoptRouteId(Route& route)
{
    if (route.id != 0) {
        const bool taken = std::any_of(m_routes.cbegin(), m_routes.cend(),
                                       [&route](const Route& existing) { return existing.id == route.id; });
        if (!taken) {
            m_nextRouteId = std::max(m_nextRouteId, route.id + 1);
            return;
        }
        qWarning() << "RoutingManager::adoptRouteId: identity" << route.label()
                   << "already in use — a fresh identity was assigned";
    }
    route.id = m_nextRouteId++;
}

void RoutingManager::addRoute(const Route& route)
{
    Route copy = route;
    adoptRouteId(copy);
    m_routes.append(std::move(copy));
}

void RoutingManager::addRouteOf(const RoutingManager& other, const Route& route)
{
    Route copy = route;
    copy.id = 0;
    adoptRouteId(copy);
    const auto built = other.m_routeShapes.constFind(route.id);
    if (route.id != 0 && built != other.m_routeShapes.cend())
        m_routeShapes.insert(copy.id, built.value());
    m_routes.append(std::move(copy));
}

void RoutingManager::clearRoutes()
{
    m_routes.clear();
    m_unbuiltRoutes.clear();
    m_routeShapes.clear();
}

void RoutingManager::addUnbuiltRoute(const Route& route, int place)
{
    const int size = int(m_routes.size());
    UnbuiltRoute kept{route, place < 0 || place > size ? size : place};
    kept.route.id = 0;
    m_unbuiltRoutes.append(std::move(kept));
}

QList<Route> RoutingManager::storedRoutes() const
{
    QList<Route> stored;
    stored.reserve(m_routes.size() + m_unbuiltRoutes.size());
    // Stable: unbuilt routes of one place keep the order in which they were read.
    QList<UnbuiltRoute> sorted = m_unbuiltRoutes;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const UnbuiltRoute& a, const UnbuiltRoute& b) { return a.place < b.place; });
    auto next = sorted.cbegin();
    for (int i = 0; i <= m_routes.size(); ++i) {
        for (; next != sorted.cend() && next->place <= i; ++next)
            stored.append(next->route);
        if (i < m_routes.size())
            stored.append(m_routes.at(i));
    }
    return stored;
}

gp_Pnt RoutingManager::currentEndPoint() const
{
    if (!m_routing || m_currentRoute.segments.isEmpty())
        return gp_Pnt(0.0, 0.0, 0.0);
    const RouteSegment& open = m_currentRoute.segments.last();
    return open.start.Distance(open.end) > kZeroLength ? open.end : open.start;
}

void RoutingManager::commitCurrentRoute()
{
    adoptRouteId(m_currentRoute);
    m_routes.append(m_currentRoute);
    resetCurrentRoute();
}

void RoutingManager::resetCurrentRoute()
{
    m_currentRoute = Route();
    m_routing = false;
    m_verticalMode = false;
}

void RoutingManager::setNetPads(const QMap<QString, QList<PadId>>& netPads)
{
    m_netPads = netPads;
}

void RoutingManager::clearNetPads()
{
    m_netPads.clear();
}

QList<PadId> RoutingManager::padsOfNet(const QString& netName) const
{
    QList<PadId> result;
    const auto it = m_netPads.constFind(netName);
    if (it == m_netPads.cend())
        return result;
    const PadId start(m_currentRoute.startRef, m_currentRoute.startPad);
    for (const PadId& pad : it.value()) {
        if (!pad.isValid())
            continue;
        if (m_routing && pad == start)
            continue;
        result.append(pad);
    }
    return result;
}

bool RoutingManager::isPadInNet(const PadId& pad) const
{
    return padsOfNet(m_currentRoute.netName).contains(pad);
}

void RoutingManager::setPadObstacleProvider(PadObstacleProvider provider)
{
    m_padObstacleProvider = std::move(provider);
}
