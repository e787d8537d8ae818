#include "routingtestutil.h"
#include "testsupport.h"

#include <BRepCheck_Analyzer.hxx>
#include <TopExp_Explorer.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace RoutingTest;

namespace {

int solidCount(const TopoDS_Shape& shape)
{
    int count = 0;
    for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next())
        ++count;
    return count;
}

// The route's pieces united one after the other, the way route solids used to be made.
TopoDS_Shape runningUnion(const Route& route)
{
    TopoDS_Shape result;
    bool has = false;
    for (const TopoDS_Shape& piece : RoutingManager::routePieces(route))
        RoutingManager::safeFuse(result, has, piece);
    return result;
}

// Routes drawn through the routing model on the test board: bends at right and oblique angles,
// climbs and descents through mode changes, and a track ending on another one.
QList<Route> drawnRoutes()
{
    RoutingManager rm;
    setUpBoard(rm);
    QList<Route> none;
    // GND R1/1 → R2/1 with a right-angle and two oblique bends.
    if (!rm.startRouting("GND", {"R1", "1"}, gp_Pnt(0, 0, 0)) || !rm.addRoutePoint(gp_Pnt(10, 0, 0))
        || !rm.addRoutePoint(gp_Pnt(15, -5, 0)) || !rm.addRoutePoint(gp_Pnt(20, -5, 0))
        || !rm.addRoutePoint(gp_Pnt(20, 0, 0)) || !rm.finishRouting({"R2", "1"}))
        return none;
    // GND R3/1 down to the first track, ending on it (a T junction).
    JunctionHost host;
    if (!rm.startRouting("GND", {"R3", "1"}, gp_Pnt(20, 20, 0)) || !rm.addRoutePoint(gp_Pnt(5, 20, 0))
        || !rm.findHostSegment("GND", gp_Pnt(5, 0.2, 0), 0.25, host) || !rm.addRoutePoint(host.point)
        || !rm.finishRoutingOnTrack(host))
        return none;
    // VCC R1/2 → R2/2 climbing over the junction track and coming back down.
    if (!rm.startRouting("VCC", {"R1", "2"}, gp_Pnt(0, 10, 0)))
        return none;
    rm.toggleMode();
    if (!rm.addRoutePoint(gp_Pnt(0, 10, 5)) || !rm.addRoutePoint(gp_Pnt(30, 14, 5)))
        return none;
    rm.toggleMode();
    if (!rm.addRoutePoint(gp_Pnt(30, 14, 0)) || !rm.addRoutePoint(gp_Pnt(40, 10, 0))
        || !rm.finishRouting({"R2", "2"}))
        return none;
    return rm.routes();
}

} // namespace

TEST(RouteShapes, OneFuseGivesTheRunningUnionsSolid)
{
    const QList<Route> routes = drawnRoutes();
    ASSERT_EQ(routes.size(), 3);
    ASSERT_TRUE(routes.at(1).endsOnTrack);
    bool sawVertical = false;
    for (const RouteSegment& s : routes.at(2).segments)
        sawVertical = sawVertical || s.type == RouteSegment::Vertical;
    ASSERT_TRUE(sawVertical);

    QList<Route> cases = routes;
    // Many bends in a row, one of them folding back sharply.
    Route zigzag;
    zigzag.segments = {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {12, 6, 0}),
                       segment({12, 6, 0}, {20, 6, 0}), segment({20, 6, 0}, {11, 9, 0}),
                       segment({11, 9, 0}, {11, 20, 0})};
    cases.append(zigzag);
    for (int i = 0; i < cases.size(); ++i) {
        const TopoDS_Shape fast = RoutingManager::createRouteShape(cases.at(i));
        const TopoDS_Shape reference = runningUnion(cases.at(i));
        ASSERT_FALSE(fast.IsNull()) << i;
        const double expected = TestSupport::volumeOf(reference);
        EXPECT_NEAR(TestSupport::volumeOf(fast), expected, 1e-6 * expected) << i;
        EXPECT_TRUE(BRepCheck_Analyzer(fast).IsValid()) << i;
        EXPECT_EQ(solidCount(fast), 1) << i;
        EXPECT_EQ(solidCount(reference), 1) << i;
    }

    // Pieces that do not touch still all come back.
    Route apart;
    apart.segments = {segment({0, 0, 0}, {10, 0, 0})};
    apart.segments.append(segment({0, 50, 0}, {10, 50, 0}));
    const TopoDS_Shape both = RoutingManager::createRouteShape(apart);
    EXPECT_EQ(solidCount(both), 2);
    EXPECT_NEAR(TestSupport::volumeOf(both), 40.0, 1e-6);
}

TEST(RouteShapes, KeptSolidFollowsEveryEditPath)
{
    // Route 0: an L with a rounded bend; route 1: a climb between two horizontals.
    const auto makeRoutes = [] {
        Route l;
        l.netName = "GND";
        l.segments = {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {10, 10, 0})};
        Route climb;
        climb.netName = "VCC";
        climb.segments = {segment({0, 30, 0}, {10, 30, 0}), segment({10, 30, 0}, {10, 30, 5}, RouteSegment::Vertical),
                          segment({10, 30, 4}, {20, 30, 4})};
        return QList<Route>{l, climb};
    };
    struct Row
    {
        const char* name;
        std::function<void(RoutingManager&)> edit;
    };
    const QList<Row> rows = {
        {"move one segment's end points",
         [](RoutingManager& rm) { ASSERT_TRUE(rm.setSegmentEndpoints(0, 1, {10, 0, 0}, {10, 14, 0})); }},
        {"drag a vertex (atomic change of two segments)",
         [](RoutingManager& rm) {
             ASSERT_TRUE(rm.setSegmentEndpointsAtomic(0, {{0, {0, 0, 0}, {12, 3, 0}}, {1, {12, 3, 0}, {10, 10, 0}}}));
         }},
        {"resize one segment's width",
         [](RoutingManager& rm) { ASSERT_TRUE(rm.setSegmentDimensions(0, 0, 3.0, 1.0)); }},
        {"resize one segment's height",
         [](RoutingManager& rm) { ASSERT_TRUE(rm.setSegmentDimensions(0, 1, 2.0, 0.5)); }},
        {"apply track properties to the route",
         [](RoutingManager& rm) { ASSERT_TRUE(rm.setRouteDimensions(0, 1.2, 0.6)); }},
        {"undo puts back another state under the same identity",
         [](RoutingManager& rm) {
             Route kept = rm.routes().first();
             kept.segments[1] = segment({10, 0, 0}, {4, 8, 0});
             ASSERT_TRUE(rm.removeRouteAt(0));
             rm.addRoute(kept);
         }},
        {"clear and load again (identities reused)",
         [](RoutingManager& rm) {
             QList<Route> loaded = rm.routes();
             loaded[0].segments[0] = segment({-5, 0, 0}, {10, 0, 0});
             rm.clearRoutes();
             for (const Route& route : loaded)
                 rm.addRoute(route);
         }},
        {"segments written through the route's pointer",
         [](RoutingManager& rm) {
             Route* route = rm.routeById(rm.routes().first().id);
             ASSERT_NE(route, nullptr);
             route->segments[1] = segment({10, 0, 0}, {10, 6, 0});
         }},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        for (const Route& route : makeRoutes())
            rm.addRoute(route);
        const quint64 editedId = rm.routes().first().id;
        const quint64 otherId = rm.routes().last().id;
        const TopoDS_Shape editedBefore = rm.routeShape(rm.routes().first());
        rm.routeShape(rm.routes().last());
        ASSERT_TRUE(rm.routeShape(rm.routes().first()).IsSame(editedBefore)) << row.name;

        row.edit(rm);

        const Route* edited = rm.routeById(editedId);
        ASSERT_NE(edited, nullptr) << row.name;
        const double fresh = TestSupport::volumeOf(RoutingManager::createRouteShape(*edited));
        ASSERT_GT(std::abs(fresh - TestSupport::volumeOf(editedBefore)), 1e-3) << row.name;
        const TopoDS_Shape kept = rm.routeShape(*edited);
        EXPECT_FALSE(kept.IsSame(editedBefore)) << row.name;
        EXPECT_NEAR(TestSupport::volumeOf(kept), fresh, 1e-9 * fresh) << row.name;
        const Route* untouched = rm.routeById(otherId);
        ASSERT_NE(untouched, nullptr) << row.name;
        const double otherVolume = TestSupport::volumeOf(RoutingManager::createRouteShape(*untouched));
        EXPECT_NEAR(TestSupport::volumeOf(rm.routeShape(*untouched)), otherVolume, 1e-9 * otherVolume) << row.name;
    }

    // An unchanged route is served its kept solid; one without identity is built every time.
    RoutingManager rm;
    for (const Route& route : makeRoutes())
        rm.addRoute(route);
    const TopoDS_Shape first = rm.routeShape(rm.routes().last());
    ASSERT_TRUE(rm.setRouteDimensions(0, 1.2, 0.6));
    EXPECT_TRUE(rm.routeShape(rm.routes().last()).IsSame(first));
    Route anonymous = makeRoutes().first();
    EXPECT_FALSE(rm.routeShape(anonymous).IsSame(rm.routeShape(anonymous)));
}
