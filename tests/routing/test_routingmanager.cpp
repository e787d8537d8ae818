#include "logcapture.h"

#include "routing/routingmanager.h"
#include "routingtestutil.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using RoutingTest::bareSegment;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Route route(const QString& net, QList<RouteSegment> segments, bool endsOnTrack = false,
            quint64 id = 0)
{
    Route r;
    r.id = id;
    r.netName = net;
    r.startRef = "R1";
    r.startPad = "1";
    if (!endsOnTrack) {
        r.endRef = "R2";
        r.endPad = "1";
    }
    r.isComplete = true;
    r.endsOnTrack = endsOnTrack;
    r.segments = segments;
    return r;
}

void expectBox(const Bnd_Box& box, double xmin, double ymin, double zmin, double xmax, double ymax,
               double zmax, double tol)
{
    ASSERT_FALSE(box.IsVoid());
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(x0, xmin, tol);
    EXPECT_NEAR(y0, ymin, tol);
    EXPECT_NEAR(z0, zmin, tol);
    EXPECT_NEAR(x1, xmax, tol);
    EXPECT_NEAR(y1, ymax, tol);
    EXPECT_NEAR(z1, zmax, tol);
}

} // namespace

TEST(RoutingManager, SetRoutingRulesTakesOnlyValidFields)
{
    struct Row
    {
        const char* name;
        RoutingRules in;
        RoutingRules expected;
    };
    const RoutingRules start{3.0, 1.5, 0.7, 0.8};
    const QList<Row> rows = {
        {"all valid", {1.0, 0.5, 0.0, 0.0}, {1.0, 0.5, 0.0, 0.0}},
        {"zero, negative", {0.0, -1.0, -0.1, 0.0}, {3.0, 1.5, 0.7, 0.0}},
        {"NaN everywhere", {kNaN, kNaN, kNaN, kNaN}, start},
        {"infinite", {kInf, kInf, kInf, kInf}, start},
        {"negative zero clearance", {-0.0, 2.0, -0.0, 0.3}, {3.0, 2.0, 0.0, 0.3}},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        rm.setRoutingRules(start);
        rm.setRoutingRules(row.in);
        const RoutingRules& r = rm.routingRules();
        EXPECT_EQ(r.trackWidth, row.expected.trackWidth) << row.name;
        EXPECT_EQ(r.trackHeight, row.expected.trackHeight) << row.name;
        EXPECT_EQ(r.clearance, row.expected.clearance) << row.name;
        EXPECT_EQ(r.padClearance, row.expected.padClearance) << row.name;
    }
}

TEST(RoutingManager, AddRouteHandsOutUniqueIdentities)
{
    RoutingManager rm;
    EXPECT_EQ(Route().label(), "#0");
    rm.addRoute(route("N", {}));
    rm.addRoute(route("N", {}));
    EXPECT_EQ(rm.routes().at(0).id, 1u);
    EXPECT_EQ(rm.routes().at(1).id, 2u);
    EXPECT_EQ(rm.nextRouteId(), 3u);

    rm.addRoute(route("N", {}, false, 7));
    EXPECT_EQ(rm.routes().at(2).id, 7u);
    EXPECT_EQ(rm.routes().at(2).label(), "#7");
    EXPECT_EQ(rm.nextRouteId(), 8u);

    {
        FoundationLogCapture capture;
        rm.addRoute(route("N", {}, false, 7));
        EXPECT_EQ(rm.routes().at(3).id, 8u);
        EXPECT_EQ(rm.nextRouteId(), 9u);
        EXPECT_TRUE(capture.contains(
            "RoutingManager::adoptRouteId: identity \"#7\" already in use — a fresh identity was assigned"))
            << capture.joined().toStdString();
    }

    // A free identity below the counter is kept and does not lower it.
    rm.addRoute(route("N", {}, false, 5));
    EXPECT_EQ(rm.routes().at(4).id, 5u);
    EXPECT_EQ(rm.nextRouteId(), 9u);

    // Clearing never lowers the counter; the largest identity still moves it.
    rm.clearRoutes();
    EXPECT_TRUE(rm.routes().isEmpty());
    rm.addRoute(route("N", {}));
    EXPECT_EQ(rm.routes().at(0).id, 9u);
    rm.addRoute(route("N", {}, false, std::numeric_limits<quint64>::max() - 1));
    EXPECT_EQ(rm.nextRouteId(), std::numeric_limits<quint64>::max());

    for (const Route& r : rm.routes())
        EXPECT_NE(r.id, 0u);
}

TEST(RoutingManager, NetPadsAndPadsOfNet)
{
    RoutingManager rm;
    rm.setNetPads({{"GND", {{"R1", "1"}, {"R2", ""}, {"", "3"}, {"U1", "4"}}}});
    EXPECT_EQ(rm.padsOfNet("GND"), (QList<PadId>{{"R1", "1"}, {"U1", "4"}}));
    EXPECT_TRUE(rm.padsOfNet("VCC").isEmpty());
    EXPECT_EQ(rm.netPads().value("GND").size(), 4);
    rm.clearNetPads();
    EXPECT_TRUE(rm.netPads().isEmpty());
}

TEST(RoutingManager, HostOfJunctionFindsTheHorizontalHost)
{
    const Route host = route("N1", {bareSegment({0, 0, 1}, {10, 0, 1}),
                                    bareSegment({10, 0, 1}, {10, 0, 5}, RouteSegment::Vertical),
                                    bareSegment({10, 0, 5}, {10, 20, 5})});
    Route tee = route("N1", {bareSegment({5, 20, 5}, {10, 10.5, 5})}, true);
    tee.endJunction = gp_Pnt(10.5, 10, 5.5);
    QList<Route> routes{host, tee};

    JunctionHost out;
    ASSERT_TRUE(RoutingManager::hostOfJunction(routes, 1, out));
    EXPECT_EQ(out.routeIndex, 0);
    EXPECT_EQ(out.segmentIndex, 2);
    EXPECT_TRUE(out.point.IsEqual(gp_Pnt(10, 10, 5), 1e-9));
    EXPECT_NEAR(out.distanceAlongHost, 10.0 + 4.0 + 10.0, 1e-9);

    // The Z hint rules out a host at another height.
    routes[1].endJunction.SetZ(3.0);
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, 1, out));
    EXPECT_EQ(out.routeIndex, -1);
    EXPECT_EQ(out.segmentIndex, -1);

    // Beyond half the width (tolerance 0): none.
    routes[1].endJunction = gp_Pnt(11.01, 10, 5);
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, 1, out));

    // A NaN height or tolerance matches no segment, however near.
    routes[1].endJunction = gp_Pnt(10, 10, kNaN);
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, 1, out));
    EXPECT_FALSE(RoutingManager::findHostSegment(routes, "N1", gp_Pnt(10, 10, 5), kNaN, out));
    EXPECT_TRUE(RoutingManager::findHostSegment(routes, "N1", gp_Pnt(10, 10, 5), 0.0, out));
}

TEST(RoutingManager, HostOfJunctionRefusals)
{
    Route tee = route("N1", {bareSegment({0, 5, 1}, {0, 0, 1})}, true);
    tee.endJunction = gp_Pnt(0, 0, 1);
    Route other = route("N2", {bareSegment({-5, 0, 1}, {5, 0, 1})});
    Route unfinished = route("N1", {bareSegment({-5, 0, 1}, {5, 0, 1})});
    unfinished.isComplete = false;
    Route vertical = route("N1", {bareSegment({0, 0, 0}, {0, 0, 3}, RouteSegment::Vertical)});
    const QList<Route> routes{tee, other, unfinished, vertical};

    JunctionHost out;
    out.routeIndex = 3;
    out.point = gp_Pnt(1, 2, 3);
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, -1, out));
    EXPECT_EQ(out.routeIndex, -1);
    EXPECT_TRUE(out.point.IsEqual(gp_Pnt(0, 0, 0), 0.0));
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, 4, out));
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, 1, out)); // does not end on a track
    EXPECT_FALSE(RoutingManager::hostOfJunction(routes, 0, out)); // other net, unfinished, vertical

    Route empty = tee;
    empty.segments.clear();
    EXPECT_FALSE(RoutingManager::hostOfJunction({empty, route("N1", {bareSegment({-5, 0, 1}, {5, 0, 1})})},
                                                0, out));
}

TEST(RoutingManager, HostSearchPrefersRoutesEndingOnPads)
{
    Route onTrack = route("N1", {bareSegment({-5, 0, 1}, {5, 0, 1})}, true);
    onTrack.endJunction = gp_Pnt(100, 100, 1);
    const Route onPad = route("N1", {bareSegment({-5, 0, 1}, {5, 0, 1})});
    const QList<Route> routes{onTrack, onPad};
    JunctionHost out;
    ASSERT_TRUE(RoutingManager::findHostSegment(routes, "N1", gp_Pnt(0, 0.5, 1), 0.0, out));
    EXPECT_EQ(out.routeIndex, 1);
    ASSERT_TRUE(RoutingManager::findHostSegment(routes, "N1", gp_Pnt(0, 0.5, 1), 0.0, out, 1));
    EXPECT_EQ(out.routeIndex, 0);

    // Nearer wins over the preference.
    QList<Route> swapped{onTrack, route("N1", {bareSegment({-5, 0.8, 1}, {5, 0.8, 1})})};
    ASSERT_TRUE(RoutingManager::findHostSegment(swapped, "N1", gp_Pnt(0, 0.1, 1), 0.0, out));
    EXPECT_EQ(out.routeIndex, 0);
}

TEST(RoutingManager, SegmentSolids)
{
    struct Row
    {
        const char* name;
        RouteSegment seg;
        TestSupport::Box box;
    };
    const QList<Row> rows = {
        {"horizontal", bareSegment({0, 0, 1}, {10, 0, 1}), {0, -1, 1, 10, 1, 2}},
        {"horizontal reversed", bareSegment({10, 0, 1}, {0, 0, 1}), {0, -1, 1, 10, 1, 2}},
        {"vertical up", bareSegment({5, 5, 1}, {5, 5, 4}, RouteSegment::Vertical), {4, 4, 1, 6, 6, 4}},
        {"vertical down", bareSegment({5, 5, 4}, {5, 5, 1}, RouteSegment::Vertical), {4, 4, 1, 6, 6, 4}},
        {"vertical ignores height", bareSegment({0, 0, 0}, {0, 0, 2}, RouteSegment::Vertical, 1.0, 9.0),
         {-0.5, -0.5, 0, 0.5, 0.5, 2}},
    };
    for (const Row& row : rows) {
        RouteSegment s = row.seg;
        ASSERT_TRUE(RoutingManager::buildSegmentShape(s)) << row.name;
        ASSERT_FALSE(s.shape.IsNull());
        const TestSupport::Box b = TestSupport::boxOf(s.shape);
        EXPECT_NEAR(b.xmin, row.box.xmin, 1e-6) << row.name;
        EXPECT_NEAR(b.ymin, row.box.ymin, 1e-6) << row.name;
        EXPECT_NEAR(b.zmin, row.box.zmin, 1e-6) << row.name;
        EXPECT_NEAR(b.xmax, row.box.xmax, 1e-6) << row.name;
        EXPECT_NEAR(b.ymax, row.box.ymax, 1e-6) << row.name;
        EXPECT_NEAR(b.zmax, row.box.zmax, 1e-6) << row.name;
        // The cached box holds the solid (it may carry a small tolerance gap).
        expectBox(s.box, row.box.xmin, row.box.ymin, row.box.zmin, row.box.xmax, row.box.ymax,
                  row.box.zmax, 1e-3);
    }

    // A diagonal track keeps its section: 5 mm long, 2 x 1 mm.
    RouteSegment diagonal = bareSegment({0, 0, 0}, {3, 4, 0});
    ASSERT_TRUE(RoutingManager::buildSegmentShape(diagonal));
    EXPECT_NEAR(TestSupport::volumeOf(diagonal.shape), 10.0, 1e-6);

    RouteSegment tiny = bareSegment({0, 0, 0}, {1e-8, 0, 0});
    tiny.shape = diagonal.shape;
    tiny.box = diagonal.box;
    EXPECT_FALSE(RoutingManager::buildSegmentShape(tiny));
    EXPECT_TRUE(tiny.shape.IsNull());
    EXPECT_TRUE(tiny.box.IsVoid());

    FoundationLogCapture capture;
    RouteSegment flat = bareSegment({0, 0, 0}, {10, 0, 0}, RouteSegment::Horizontal, 0.0, 1.0);
    EXPECT_FALSE(RoutingManager::buildSegmentShape(flat));
    RouteSegment bad = bareSegment({0, 0, 0}, {10, 0, 0}, RouteSegment::Horizontal, kNaN, 1.0);
    EXPECT_FALSE(RoutingManager::buildSegmentShape(bad));
}

TEST(RoutingManager, SegmentBoxFallbacks)
{
    // Cached box first.
    RouteSegment cached = bareSegment({0, 0, 0}, {10, 0, 0});
    cached.box.Update(-100, -100, -100, 100, 100, 100);
    expectBox(RoutingManager::segmentBox(cached), -100, -100, -100, 100, 100, 100, 0.0);

    // Solid without a cached box.
    RouteSegment solidOnly = bareSegment({0, 0, 1}, {10, 0, 1});
    solidOnly.shape = RoutingManager::createSegmentShape(solidOnly);
    expectBox(RoutingManager::segmentBox(solidOnly), 0, -1, 1, 10, 1, 2, 1e-3);

    // Neither: the end points widened by half the width, up by the height.
    const RouteSegment bare = bareSegment({10, 4, 3}, {0, 4, 1}, RouteSegment::Horizontal, 2.0, 1.0);
    expectBox(RoutingManager::segmentBox(bare), -1, 3, 1, 11, 5, 4, 0.0);
}
