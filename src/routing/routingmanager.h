// The routing model: finished tracks, the track being drawn, rules and route identities.
#pragma once

#include "model/padid.h"
#include "model/routerecords.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

class RoutingManager
{
public:
    // A pad as seen by the collision test.
    struct PadObstacle
    {
        QString net; // empty for a pad on no net
        QString label;
        TopoDS_Shape shape;
        Bnd_Box box; // may be void; then computed from shape
    };
    using PadObstacleProvider = std::function<QList<PadObstacle>()>;

    RoutingManager();

    // Rules
    const RoutingRules& routingRules() const { return m_rules; }
    void setRoutingRules(const RoutingRules& rules);

    // Finished routes
    const QList<Route>& routes() const { return m_routes; }
    void addRoute(const Route& route);
    void clearRoutes();
    void adoptRouteId(Route& route);
    quint64 nextRouteId() const { return m_nextRouteId; }

    // Route being drawn
    bool isRouting() const { return m_routing; }
    const Route& currentRoute() const { return m_currentRoute; }
    bool isVerticalMode() const { return m_verticalMode; }
    gp_Pnt currentEndPoint() const;
    void commitCurrentRoute();
    void resetCurrentRoute();

    // Pads of each net, from the netlist
    const QMap<QString, QList<PadId>>& netPads() const { return m_netPads; }
    void setNetPads(const QMap<QString, QList<PadId>>& netPads);
    void clearNetPads();
    QList<PadId> padsOfNet(const QString& netName) const;
    bool isPadInNet(const PadId& pad) const;

    void setPadObstacleProvider(PadObstacleProvider provider);
    const PadObstacleProvider& padObstacleProvider() const { return m_padObstacleProvider; }

    // Host search for T junctions
    static bool findHostSegment(const QList<Route>& routes, const QString& netName,
                                const gp_Pnt& point, double tolerance, JunctionHost& out,
                                int skipRouteIndex = -1,
                                std::optional<double> zHint = std::nullopt);
    bool findHostSegment(const QString& netName, const gp_Pnt& point, double tolerance,
                         JunctionHost& out, int skipRouteIndex = -1) const;
    static bool hostOfJunction(const QList<Route>& routes, int routeIndex, JunctionHost& out);

    // Track solids
    static TopoDS_Shape createSegmentShape(const RouteSegment& segment);
    static bool buildSegmentShape(RouteSegment& segment);
    static Bnd_Box segmentBox(const RouteSegment& segment);

private:
    RoutingRules m_rules;
    bool m_routing = false;
    Route m_currentRoute;
    bool m_verticalMode = false;
    QList<Route> m_routes;
    quint64 m_nextRouteId = 1;
    QMap<QString, QList<PadId>> m_netPads;
    PadObstacleProvider m_padObstacleProvider;
};
