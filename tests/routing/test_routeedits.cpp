#include "logcapture.h"
#include "routingtestutil.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace RoutingTest;

namespace {

// Five horizontal segments along X at Z 1, 2 mm wide and 1 mm high.
Route straightRoute()
{
    Route r;
    r.netName = "GND";
    r.isComplete = true;
    for (int i = 0; i < 5; ++i)
        r.segments.append(segment({i * 10.0, 0, 1}, {i * 10.0 + 10.0, 0, 1}));
    return r;
}

void expectUnchanged(const Route& before, const Route& after)
{
    ASSERT_EQ(before.segments.size(), after.segments.size());
    for (int i = 0; i < before.segments.size(); ++i) {
        EXPECT_TRUE(before.segments[i].start.IsEqual(after.segments[i].start, 0.0)) << i;
        EXPECT_TRUE(before.segments[i].end.IsEqual(after.segments[i].end, 0.0)) << i;
        EXPECT_EQ(before.segments[i].width, after.segments[i].width) << i;
        EXPECT_EQ(before.segments[i].height, after.segments[i].height) << i;
        EXPECT_TRUE(before.segments[i].shape.IsSame(after.segments[i].shape)) << i;
    }
}

} // namespace

TEST(RouteEdits, RemovalAndLookup)
{
    RoutingManager rm;
    rm.addRoute(straightRoute());
    rm.addRoute(straightRoute());
    EXPECT_FALSE(rm.removeRouteAt(-1));
    EXPECT_FALSE(rm.removeRouteAt(2));
    EXPECT_EQ(rm.routes().size(), 2);
    EXPECT_EQ(rm.indexOfRouteId(0), -1);
    EXPECT_EQ(rm.routeById(0), nullptr);
    EXPECT_EQ(rm.indexOfRouteId(2), 1);
    ASSERT_TRUE(rm.removeRouteAt(0));
    EXPECT_EQ(rm.indexOfRouteId(2), 0);
    EXPECT_EQ(rm.indexOfRouteId(1), -1);
    ASSERT_NE(rm.routeById(2), nullptr);
    EXPECT_EQ(rm.routeById(2)->id, 2u);
    rm.clearRoutes();
    EXPECT_EQ(rm.indexOfRouteId(2), -1);
    rm.addRoute(straightRoute());
    EXPECT_EQ(rm.routes().first().id, 3u); // identities are never reused
}

TEST(RouteEdits, AtomicEndpointChangesAreAllOrNothing)
{
    struct Row
    {
        const char* name;
        int routeIndex;
        QList<SegmentEndpoints> changes;
        const char* warning;
    };
    const QList<Row> rows = {
        {"route out of range", 3, {{0, {0, 0, 1}, {10, 5, 1}}}, "routeIndex 3 out of range"},
        {"second change out of range", 0,
         {{0, {0, 0, 1}, {10, 5, 1}}, {99, {0, 0, 1}, {1, 0, 1}}, {2, {20, 5, 1}, {30, 0, 1}}},
         "segmentIndex 99 out of range"},
        {"zero length", 0, {{0, {0, 0, 1}, {10, 5, 1}}, {1, {10, 5, 1}, {10, 5, 1}}}, "null shape for"},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        rm.addRoute(straightRoute());
        const Route before = rm.routes().first();
        FoundationLogCapture capture;
        EXPECT_FALSE(rm.setSegmentEndpointsAtomic(row.routeIndex, row.changes)) << row.name;
        EXPECT_TRUE(capture.contains(row.warning)) << row.name << capture.joined().toStdString();
        expectUnchanged(before, rm.routes().first());
    }

    RoutingManager rm;
    rm.addRoute(straightRoute());
    EXPECT_TRUE(rm.setSegmentEndpointsAtomic(0, {}));
    ASSERT_TRUE(rm.setSegmentEndpointsAtomic(0, {{0, {0, 0, 1}, {10, 5, 1}}, {1, {10, 5, 1}, {20, 0, 1}}}));
    const QList<RouteSegment>& s = rm.routes().first().segments;
    EXPECT_TRUE(s[0].end.IsEqual(gp_Pnt(10, 5, 1), 0.0));
    EXPECT_TRUE(s[1].start.IsEqual(gp_Pnt(10, 5, 1), 0.0));
    const TestSupport::Box b = TestSupport::boxOf(s[0].shape);
    EXPECT_GT(b.ymax, 5.0); // the solid was rebuilt with the points
    ASSERT_TRUE(rm.setSegmentEndpoints(0, 0, {0, 0, 1}, {10, 0, 1}));
    EXPECT_TRUE(rm.routes().first().segments[0].end.IsEqual(gp_Pnt(10, 0, 1), 0.0));
}

TEST(RouteEdits, ResizingKeepsTheTopFace)
{
    struct Row
    {
        const char* name;
        RouteSegment segment;
        double newHeight;
        double startZ;
        double endZ;
    };
    const QList<Row> rows = {
        {"horizontal thicker", segment({0, 0, 1}, {10, 0, 1}), 2.0, 0.0, 0.0},
        {"vertical ascending", segment({0, 0, 1}, {0, 0, 5}, RouteSegment::Vertical), 0.5, 1.5, 5.0},
        {"vertical descending", segment({0, 0, 5}, {0, 0, 1}, RouteSegment::Vertical), 0.5, 5.0, 1.5},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        Route r;
        r.netName = "N";
        r.segments = {row.segment};
        rm.addRoute(r);
        ASSERT_TRUE(rm.setSegmentDimensions(0, 0, 3.0, row.newHeight)) << row.name;
        const RouteSegment& s = rm.routes().first().segments.first();
        EXPECT_NEAR(s.start.Z(), row.startZ, 1e-12) << row.name;
        EXPECT_NEAR(s.end.Z(), row.endZ, 1e-12) << row.name;
        EXPECT_EQ(s.width, 3.0);
        EXPECT_EQ(s.height, row.newHeight);
    }
    // Back to the old height returns to the old place.
    RoutingManager rm;
    Route r;
    r.segments = {segment({0, 0, 1}, {10, 0, 1})};
    rm.addRoute(r);
    ASSERT_TRUE(rm.setSegmentDimensions(0, 0, 2.0, 2.0));
    ASSERT_TRUE(rm.setSegmentDimensions(0, 0, 2.0, 1.0));
    EXPECT_NEAR(rm.routes().first().segments.first().start.Z(), 1.0, 1e-12);

    FoundationLogCapture capture;
    EXPECT_FALSE(rm.setSegmentDimensions(0, 1, 2.0, 1.0));
    EXPECT_FALSE(rm.setSegmentDimensions(1, 0, 2.0, 1.0));
    EXPECT_FALSE(rm.setSegmentDimensions(0, 0, 0.0, 1.0));
    EXPECT_TRUE(capture.contains("segment unchanged"));
}

TEST(RouteEdits, RouteResizeIsAllOrNothing)
{
    RoutingManager rm;
    rm.addRoute(straightRoute());
    Route withBadSegment = straightRoute();
    withBadSegment.segments[3].end = withBadSegment.segments[3].start; // no solid possible
    rm.addRoute(withBadSegment);
    const Route before = rm.routes().at(1);
    FoundationLogCapture capture;
    EXPECT_FALSE(rm.setRouteDimensions(1, 3.0, 2.0));
    EXPECT_TRUE(capture.contains("setRouteDimensions: null shape for segment 3"));
    expectUnchanged(before, rm.routes().at(1));
    EXPECT_FALSE(rm.setRouteDimensions(-1, 3.0, 2.0));

    ASSERT_TRUE(rm.setRouteDimensions(0, 3.0, 2.0));
    for (const RouteSegment& s : rm.routes().first().segments) {
        EXPECT_EQ(s.width, 3.0);
        EXPECT_NEAR(s.start.Z(), 0.0, 1e-12);
    }
    Route empty;
    rm.addRoute(empty);
    EXPECT_TRUE(rm.setRouteDimensions(2, 3.0, 2.0));
}

TEST(RouteEdits, RouteSolidsRoundHorizontalBends)
{
    // L of two 10 mm horizontals: 20 + 20 - 1 (overlap) plus the quarter disc at the outer corner.
    Route l;
    l.segments = {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {10, 10, 0})};
    EXPECT_FALSE(RoutingManager::createCornerRound(l.segments[0], l.segments[1]).IsNull());
    EXPECT_NEAR(TestSupport::volumeOf(RoutingManager::createRouteShape(l)), 39.0 + M_PI / 4.0, 1e-4);

    Route straight;
    straight.segments = {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {20, 0, 0})};
    EXPECT_TRUE(RoutingManager::createCornerRound(straight.segments[0], straight.segments[1]).IsNull());
    EXPECT_NEAR(TestSupport::volumeOf(RoutingManager::createRouteShape(straight)), 40.0, 1e-4);

    // A horizontal then a vertical: no filler, just the two solids.
    Route up;
    up.segments = {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {10, 0, 5}, RouteSegment::Vertical)};
    EXPECT_NEAR(TestSupport::volumeOf(RoutingManager::createRouteShape(up)), 20.0 + 20.0 - 2.0, 1e-4);

    EXPECT_TRUE(RoutingManager::createRouteShape(Route()).IsNull());
    Route degenerate;
    degenerate.segments = {segment({0, 0, 0}, {0, 0, 0})};
    EXPECT_TRUE(RoutingManager::createRouteShape(degenerate).IsNull());

    // Disjoint solids still all come back.
    TopoDS_Shape all;
    bool has = false;
    RoutingManager::safeFuse(all, has, TopoDS_Shape());
    EXPECT_FALSE(has);
    RoutingManager::safeFuse(all, has, segment({0, 0, 0}, {10, 0, 0}).shape);
    RoutingManager::safeFuse(all, has, segment({0, 50, 0}, {10, 50, 0}).shape);
    EXPECT_NEAR(TestSupport::volumeOf(all), 40.0, 1e-4);
}

// Thinning a track moves it up (its top stays): a T junction on it must still be found there
// while the joining track meets the new thickness, and undoing the resize must bring it back.
TEST(RouteEdits, TJunctionsFollowTheirHostThroughAResize)
{
    RoutingManager rm;
    rm.addRoute(straightRoute()); // Z 1..2
    const auto tee = [](double x, double height) {
        Route r;
        r.netName = "GND";
        r.isComplete = true;
        r.endsOnTrack = true;
        r.endJunction = gp_Pnt(x, 0, 1);
        r.segments = {segment({x, 10, 1}, {x, 0, 1}, RouteSegment::Horizontal, 2.0, height)};
        return r;
    };
    rm.addRoute(tee(15, 1.0)); // Z 1..2: still meets a host at 1.5..2
    rm.addRoute(tee(35, 0.3)); // Z 1..1.3: no longer meets it
    JunctionHost host;

    ASSERT_TRUE(rm.setRouteDimensions(0, 2.0, 0.5));
    ASSERT_NEAR(rm.routes().at(0).segments.at(1).start.Z(), 1.5, 1e-12);
    ASSERT_TRUE(RoutingManager::hostOfJunction(rm.routes(), 1, host));
    EXPECT_EQ(host.routeIndex, 0);
    EXPECT_EQ(host.segmentIndex, 1);
    EXPECT_FALSE(RoutingManager::hostOfJunction(rm.routes(), 2, host));
    EXPECT_NEAR(rm.routes().at(2).endJunction.Z(), 1.0, 1e-12);

    // The undo path resizes segment by segment.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(rm.setSegmentDimensions(0, i, 2.0, 1.0));
    EXPECT_NEAR(rm.routes().at(1).endJunction.Z(), 1.0, 1e-12);
    EXPECT_NEAR(rm.routes().at(2).endJunction.Z(), 1.0, 1e-12);
    EXPECT_TRUE(RoutingManager::hostOfJunction(rm.routes(), 1, host));
    EXPECT_TRUE(RoutingManager::hostOfJunction(rm.routes(), 2, host));
}

// A new section is checked like a drawn segment: a short or a clearance it would make is
// refused with its reason and changes nothing; a track already too close may still shrink.
TEST(RouteEdits, RouteResizeRefusesWhatDrawingRefuses)
{
    struct Row
    {
        const char* name;
        double otherY;  // the VCC track's axis; the GND track runs along Y 0
        double width;   // new section of the GND track, height 2
        const char* refusal; // empty: accepted
    };
    const Row rows[] = {
        {"clear", 4.0, 2.5, ""},
        {"under the clearance", 4.0, 5.2, "Insufficient clearance with VCC."},
        {"touching", 4.0, 6.5, "Short circuit with VCC."},
        {"already close, shrinks", 2.3, 1.5, ""},
        {"already close, no worse", 2.3, 2.2, ""},
        {"already close, now touching", 2.3, 3.0, "Short circuit with VCC."},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        rm.addRoute(straightRoute());
        Route other = straightRoute();
        other.netName = "VCC";
        for (RouteSegment& s : other.segments) {
            s.start.SetY(row.otherY);
            s.end.SetY(row.otherY);
            RoutingManager::buildSegmentShape(s);
        }
        rm.addRoute(other);
        const Route before = rm.routes().first();
        const bool accepted = rm.setRouteDimensions(0, row.width, 2.0);
        EXPECT_EQ(accepted, QString(row.refusal).isEmpty()) << row.name;
        EXPECT_EQ(rm.lastRefusal(), QString(row.refusal)) << row.name;
        if (!accepted)
            expectUnchanged(before, rm.routes().first());
    }

    // Pads of other nets count as well: the section grows towards VCC's R1/2 (y 9 to 11).
    RoutingManager rm;
    setUpBoard(rm);
    Route gnd;
    gnd.netName = "GND";
    gnd.isComplete = true;
    gnd.segments.append(segment({-10, 7.5, 0}, {10, 7.5, 0}, RouteSegment::Horizontal, 1.0, 1.0));
    rm.addRoute(gnd);
    EXPECT_FALSE(rm.setRouteDimensions(0, 2.5, 1.0));
    EXPECT_EQ(rm.lastRefusal(), "Insufficient clearance with VCC.");
    EXPECT_FALSE(rm.setRouteDimensions(0, 4.0, 1.0));
    EXPECT_EQ(rm.lastRefusal(), "Short circuit with VCC.");
    EXPECT_TRUE(rm.setRouteDimensions(0, 1.5, 1.0));
    EXPECT_TRUE(rm.lastRefusal().isEmpty());
}
