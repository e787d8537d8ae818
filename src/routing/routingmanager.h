// The routing model: finished tracks, the track being drawn, rules and route identities.
#pragma once

#include "model/padid.h"
#include "model/routerecords.h"

#include <Message_ProgressRange.hxx>

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

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

    // Answer of checkCollisionDetailed.
    enum PairVerdict { PairClear = 0, PairClearance = 1, PairShort = 2, PairUnchecked = 3 };

    RoutingManager();

    // Rules
    const RoutingRules& routingRules() const { return m_rules; }
    const RoutingRules& rules() const { return m_rules; }
    void setRoutingRules(const RoutingRules& rules);

    // Finished routes
    const QList<Route>& routes() const { return m_routes; }
    void addRoute(const Route& route);
    // Adds a route of other under a new identity here, with the solid other built for it.
    void addRouteOf(const RoutingManager& other, const Route& route);
    bool removeRouteAt(int index);
    // Empties the finished and the unbuilt routes.
    void clearRoutes();
    void adoptRouteId(Route& route);
    quint64 nextRouteId() const { return m_nextRouteId; }
    int indexOfRouteId(quint64 id) const;
    Route* routeById(quint64 id);

    // Stored tracks kept but never built; they take no index among routes().
    const QList<UnbuiltRoute>& unbuiltRoutes() const { return m_unbuiltRoutes; }
    // place: finished routes before it (clamped); -1 puts it after the last one.
    void addUnbuiltRoute(const Route& route, int place = -1);
    bool hasAnyRoute() const { return !m_routes.isEmpty() || !m_unbuiltRoutes.isEmpty(); }
    // The finished routes with the unbuilt ones at their places, as the project file holds them.
    QList<Route> storedRoutes() const;

    // Edits of finished routes: all or nothing, no collision test (undo and redo replay them).
    bool setSegmentEndpointsAtomic(int routeIndex, const QList<SegmentEndpoints>& changes);
    bool setSegmentEndpoints(int routeIndex, int segmentIndex, const gp_Pnt& start, const gp_Pnt& end);
    bool setSegmentDimensions(int routeIndex, int segmentIndex, double width, double height);
    // The user's new section: refused (lastRefusal says why) when its solid cannot be built or
    // it brings the track closer to another net than it was, down to the clearance or contact.
    bool setRouteDimensions(int routeIndex, double width, double height);

    // Route being drawn
    bool isRouting() const { return m_routing; }
    const Route& currentRoute() const { return m_currentRoute; }
    bool isVerticalMode() const { return m_verticalMode; }
    gp_Pnt currentEndPoint() const;
    void commitCurrentRoute();
    void resetCurrentRoute();

    bool startRouting(const QString& netName, const PadId& pad, const gp_Pnt& startPoint);
    bool addRoutePoint(const gp_Pnt& point);
    bool undoLastPoint();
    bool finishRouting(const PadId& pad);
    bool finishRoutingOnTrack(const JunctionHost& host);
    void cancelRouting();
    void toggleMode();
    RouteSegment previewSegment(const gp_Pnt& cursor) const;
    // Why the last refused build step was refused (translated); empty after a success.
    const QString& lastRefusal() const { return m_lastRefusal; }

    // Pads of each net, from the netlist
    const QMap<QString, QList<PadId>>& netPads() const { return m_netPads; }
    void setNetPads(const QMap<QString, QList<PadId>>& netPads);
    void clearNetPads();
    QList<PadId> padsOfNet(const QString& netName) const;
    bool isPadInNet(const PadId& pad) const;

    void setPadObstacleProvider(PadObstacleProvider provider);
    const PadObstacleProvider& padObstacleProvider() const { return m_padObstacleProvider; }

    // Collision and clearance test
    QList<PadObstacle> padObstacles() const;
    CollisionResult checkCollision(const RouteSegment& segment, const QString& netName,
                                   int skipRouteIndex = -1,
                                   const std::optional<QList<PadObstacle>>& pads = std::nullopt) const;
    // The filler that the track's solid puts in the bend from first to second, tested like a
    // segment; clear when there is none.
    CollisionResult checkCornerCollision(const RouteSegment& first, const RouteSegment& second,
                                         const QString& netName, int skipRouteIndex = -1,
                                         const std::optional<QList<PadObstacle>>& pads = std::nullopt) const;
    static bool hasCornerFiller(const RouteSegment& first, const RouteSegment& second);
    // A whole chain of segments (and the fillers of its bends) against other nets' tracks and
    // pads, as a track of netName; the route skipIndex is left out. Stops at the first short.
    CollisionResult checkSegments(const QList<RouteSegment>& segments, const QString& netName, int skipRouteIndex,
                                  const std::optional<QList<PadObstacle>>& pads = std::nullopt) const;
    // The user's reason for a collision that refuses a track (translated).
    static QString collisionRefusal(const CollisionResult& collision);
    // Pairs of route indices (lower first) of different nets whose tracks touch, for a check
    // of loaded designs.
    QList<QPair<int, int>> shortedRoutes() const;
    static int checkCollisionDetailed(const Bnd_Box& box, const TopoDS_Shape& shape,
                                      const TopoDS_Shape& other, const Bnd_Box& otherBox,
                                      double clearance, const QString& kind, const QString& name);

    // Host search for T junctions
    static bool findHostSegment(const QList<Route>& routes, const QString& netName,
                                const gp_Pnt& point, double tolerance, JunctionHost& out,
                                int skipRouteIndex = -1,
                                std::optional<double> zHint = std::nullopt);
    bool findHostSegment(const QString& netName, const gp_Pnt& point, double tolerance,
                         JunctionHost& out, int skipRouteIndex = -1) const;
    static bool hostOfJunction(const QList<Route>& routes, int routeIndex, JunctionHost& out);

    // Track solids
    // Empty when the segment's points, width and height lie within the reach of
    // DesignLimits; otherwise the first value beyond it (translated). Such a segment is never
    // built: the fuse of a solid that long runs for ages.
    static QString valueBeyondReach(const RouteSegment& segment);
    static TopoDS_Shape createSegmentShape(const RouteSegment& segment);
    static bool buildSegmentShape(RouteSegment& segment);
    static Bnd_Box segmentBox(const RouteSegment& segment);
    // The segments that have a length, in order.
    static QList<RouteSegment> withoutZeroLength(const QList<RouteSegment>& segments);
    // The union of routePieces: each horizontal run of one section made as one swept outline,
    // the rest united by one fuse.
    static TopoDS_Shape createRouteShape(const Route& route);
    // The same, null when progress is broken off.
    static TopoDS_Shape createRouteShapeWithin(const Route& route, const Message_ProgressRange& progress);
    // Each buildable segment's solid, each followed by the filler of its horizontal bend when
    // there is one.
    static QList<TopoDS_Shape> routePieces(const Route& route);
    // The same union by one general fuse of every piece: slower, kept as the reference.
    static TopoDS_Shape fusedRouteShape(const Route& route);
    // createRouteShape's solid, kept per route identity until the route's geometry differs
    // from the one it was built from; routes without an identity are built every time.
    TopoDS_Shape routeShape(const Route& route, const Message_ProgressRange& progress = Message_ProgressRange()) const;
    // What is wrong with routeShape's solid against the copper the route's segments make (missing,
    // short of copper, in pieces; translated); empty when it is sound.
    QString routeFault(const Route& route) const;
    static TopoDS_Shape createCornerRound(const RouteSegment& first, const RouteSegment& second);
    // Adds solid to a running union; never loses a solid (falls back to a compound).
    static void safeFuse(TopoDS_Shape& result, bool& hasResult, const TopoDS_Shape& solid);
    // Minimum distance between two solids; empty when it cannot be computed.
    static std::optional<double> solidDistance(const TopoDS_Shape& a, const TopoDS_Shape& b);

private:
    RouteSegment makeOpenSegment(const RouteSegment& committed, bool vertical) const;
    bool validateSegments();
    bool hasCommittedSegment() const;
    bool lastSegmentTouches(const QList<TopoDS_Shape>& targets, const QString& what);
    void refuse(const QString& reason);
    QList<QPair<int, JunctionHost>> junctionsHostedBy(int routeIndex) const;
    void followHostedJunctions(const QList<QPair<int, JunctionHost>>& hosted, const QList<RouteSegment>& before);
    CollisionResult checkSolid(const TopoDS_Shape& shape, const Bnd_Box& box,
                               const std::optional<RouteSegment>& asSegment, const QString& netName,
                               int skipRouteIndex, const std::optional<QList<PadObstacle>>& pads) const;

    // Pad boxes of the last padObstacles call, by solid (same topology and place): a pad
    // that did not move is not measured again.
    struct CachedBox
    {
        TopoDS_Shape shape;
        Bnd_Box box;
    };
    using PadBoxCache = QHash<const TopoDS_TShape*, QList<CachedBox>>;

    // A route's solid with the segment geometry it was built from, compared in full on every
    // lookup: whatever changed the route, a different geometry means a rebuild.
    struct CachedRouteShape
    {
        std::vector<double> geometry;
        TopoDS_Shape shape;
        QString fault; // what the volume check found wrong with shape; empty when sound
    };
    void forgetRouteShape(quint64 id);

    RoutingRules m_rules;
    bool m_routing = false;
    Route m_currentRoute;
    bool m_verticalMode = false;
    QList<Route> m_routes;
    QList<UnbuiltRoute> m_unbuiltRoutes;
    quint64 m_nextRouteId = 1;
    QMap<QString, QList<PadId>> m_netPads;
    PadObstacleProvider m_padObstacleProvider;
    QString m_lastRefusal;
    mutable PadBoxCache m_padBoxCache;
    mutable QHash<quint64, CachedRouteShape> m_routeShapes;
};
