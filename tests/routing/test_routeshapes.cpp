#include "routingtestutil.h"
#include "routing/trackoutline.h"
#include "testsupport.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>


#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace RoutingTest;

namespace {

using TestSupport::countOf;


int solidCount(const TopoDS_Shape& shape)
{
    return countOf(shape, TopAbs_SOLID);
}

int faceCount(const TopoDS_Shape& shape)
{
    return countOf(shape, TopAbs_FACE);
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

namespace {

Route polyline(const QList<gp_Pnt>& points, double width = 2.0, double height = 1.0)
{
    Route route;
    for (int i = 1; i < points.size(); ++i)
        route.segments.append(segment(points.at(i - 1), points.at(i), RouteSegment::Horizontal, width, height));
    return route;
}

// A track's outline may leave out scallops shallower than this (narrow tracks keep closer).
constexpr double kOutlineTolerance = 0.01;

// The area of the faces that are not flat: the outline times the height.
double sideArea(const TopoDS_Shape& shape)
{
    double area = 0.0;
    for (TopExp_Explorer it(shape, TopAbs_FACE); it.More(); it.Next()) {
        const BRepAdaptor_Surface surface(TopoDS::Face(it.Current()));
        if (surface.GetType() == GeomAbs_Plane && surface.Plane().Axis().Direction().IsParallel(gp::DZ(), 1e-9))
            continue;
        GProp_GProps props;
        BRepGProp::SurfaceProperties(it.Current(), props);
        area += props.Mass();
    }
    return area;
}

// The farthest a vertex of one solid lies from the other's boundary.
double farthestVertex(const TopoDS_Shape& from, const TopoDS_Shape& to)
{
    TopTools_IndexedMapOfShape vertices;
    TopExp::MapShapes(from, TopAbs_VERTEX, vertices);
    TopoDS_Shape shell;
    for (TopExp_Explorer it(to, TopAbs_SHELL); it.More(); it.Next())
        shell = it.Current();
    double farthest = 0.0;
    for (int i = 1; i <= vertices.Extent(); ++i) {
        BRepExtrema_DistShapeShape distance(vertices(i), to.ShapeType() == TopAbs_SOLID ? shell : to);
        farthest = std::max(farthest, distance.IsDone() ? distance.Value() : HUGE_VAL);
    }
    return farthest;
}

// The solid as the one general fuse of every piece makes it, within the outline's tolerance:
// each one's corners on the other's boundary, the volume within the band along the outline,
// valid, same bounds.
void expectSameAsFused(const Route& route, const std::string& name)
{
    const TopoDS_Shape fast = RoutingManager::createRouteShape(route);
    const TopoDS_Shape reference = RoutingManager::fusedRouteShape(route);
    ASSERT_EQ(fast.IsNull(), reference.IsNull()) << name;
    if (reference.IsNull())
        return;
    const double expected = TestSupport::volumeOf(reference);
    EXPECT_NEAR(TestSupport::volumeOf(fast), expected, 1e-6 * expected + kOutlineTolerance * sideArea(reference))
        << name;
    EXPECT_TRUE(BRepCheck_Analyzer(fast).IsValid()) << name;
    EXPECT_EQ(solidCount(fast), solidCount(reference)) << name;
    if (solidCount(reference) == 1) {
        EXPECT_LE(farthestVertex(fast, reference), kOutlineTolerance + 1e-6) << name;
        EXPECT_LE(farthestVertex(reference, fast), kOutlineTolerance + 1e-6) << name;
    }
    const TestSupport::Box a = TestSupport::boxOf(fast);
    const TestSupport::Box b = TestSupport::boxOf(reference);
    const double tolerance = kOutlineTolerance + 1e-6;
    EXPECT_NEAR(a.xmin, b.xmin, tolerance) << name;
    EXPECT_NEAR(a.ymin, b.ymin, tolerance) << name;
    EXPECT_NEAR(a.zmin, b.zmin, tolerance) << name;
    EXPECT_NEAR(a.xmax, b.xmax, tolerance) << name;
    EXPECT_NEAR(a.ymax, b.ymax, tolerance) << name;
    EXPECT_NEAR(a.zmax, b.zmax, tolerance) << name;
}

// (0,0) to (10,0) and back, segments times.
QList<gp_Pnt> retraced(int segments)
{
    QList<gp_Pnt> points;
    for (int i = 0; i <= segments; ++i)
        points.append(gp_Pnt(i % 2 ? 10.0 : 0.0, 0, 1));
    return points;
}

// Steps of 0.1 mm, along X and Y in turn.
QList<gp_Pnt> staircase(int steps)
{
    QList<gp_Pnt> points = {gp_Pnt(0, 0, 1)};
    for (int i = 1; i <= steps; ++i)
        points.append(points.last().Translated(i % 2 ? gp_Vec(0.1, 0, 0) : gp_Vec(0, 0.1, 0)));
    return points;
}

// Steps of 2 micrometres, along X and Y in turn.
QList<gp_Pnt> fineStaircase(int steps)
{
    QList<gp_Pnt> points = {gp_Pnt(0, 0, 1)};
    for (int i = 1; i <= steps; ++i)
        points.append(points.last().Translated(i % 2 ? gp_Vec(0.002, 0, 0) : gp_Vec(0, 0.002, 0)));
    return points;
}

// Steps of 0.1 mm along X and 0.3 mm along Y in turn: taller than wide.
QList<gp_Pnt> steepStaircase(int steps)
{
    QList<gp_Pnt> points = {gp_Pnt(0, 0, 1)};
    for (int i = 1; i <= steps; ++i)
        points.append(points.last().Translated(i % 2 ? gp_Vec(0.1, 0, 0) : gp_Vec(0, 0.3, 0)));
    return points;
}

// Steps of 0.1 mm closing a diamond around a hole, along each diagonal in turn.
QList<gp_Pnt> steppedRing(int stepsPerSide)
{
    QList<gp_Pnt> points = {gp_Pnt(0, 0, 1)};
    const gp_Vec sides[4][2] = {{{0.1, 0, 0}, {0, 0.1, 0}}, {{-0.1, 0, 0}, {0, 0.1, 0}},
                                {{-0.1, 0, 0}, {0, -0.1, 0}}, {{0.1, 0, 0}, {0, -0.1, 0}}};
    for (const auto& side : sides)
        for (int i = 0; i < 2 * stepsPerSide; ++i)
            points.append(points.last().Translated(side[i % 2]));
    return points;
}

QList<gp_Pnt> upAndDown(int steps)
{
    QList<gp_Pnt> points = staircase(steps);
    for (int i = steps - 1; i >= 0; --i)
        points.append(points.at(i));
    return points;
}

} // namespace

// Every shape of track the routing makes, swept as one outline where it can be and united
// otherwise, against the fuse of its pieces.
TEST(RouteShapes, SweptRunsGiveTheFusedSolid)
{
    struct Row
    {
        std::string name;
        Route route;
        bool swept; // the first run becomes one outline
    };
    Route posts;
    posts.segments = {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {10, 8, 0}),
                      segment({10, 8, -0.5}, {10, 8, 5}, RouteSegment::Vertical),
                      segment({10, 8, 4}, {20, 8, 4}), segment({20, 8, 4}, {25, 13, 4})};
    Route sections = polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}});
    sections.segments.append(segment({10, 10, 0}, {0, 15, 0}, RouteSegment::Horizontal, 1.0, 0.6));
    sections.segments.append(segment({0, 15, 0}, {-5, 15, 0}, RouteSegment::Horizontal, 1.0, 0.6));
    Route zeroLength = polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}});
    zeroLength.segments.insert(1, bareSegment({10, 0, 0}, {10, 0, 0}));
    // Steps in line shorter than the track is wide, along an axis, on a diagonal and after a bend.
    QList<gp_Pnt> steps, diagonalSteps, bendThenSteps = {{-10, 0, 0}};
    for (int i = 0; i <= 20; ++i) {
        steps.append(gp_Pnt(i * 0.5, 0, 0));
        diagonalSteps.append(gp_Pnt(i * 0.3, i * 0.7, 0));
        bendThenSteps.append(gp_Pnt(0, i * 0.25, 0));
    }
    Route zeroInside = polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {20, 10, 0}});
    zeroInside.segments.insert(2, bareSegment({10, 10, 0}, {10, 10, 0}));
    const QList<Row> rows = {
        {"straight", polyline({{0, 0, 1}, {10, 0, 1}}), true},
        {"straight diagonal", polyline({{0, 0, 1}, {7, 3, 1}}), true},
        {"collinear pair", polyline({{0, 0, 0}, {5, 0, 0}, {10, 0, 0}}), true},
        {"steps in line", polyline(steps), true},
        {"diagonal steps in line", polyline(diagonalSteps), true},
        {"steps in line after a bend", polyline(bendThenSteps), true},
        {"step back along the line", polyline({{0, 0, 0}, {10, 0, 0}, {5, 0, 0}}), false},
        {"left bend", polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}), true},
        {"right bend", polyline({{0, 0, 0}, {10, 0, 0}, {10, -10, 0}}), true},
        {"oblique bends both ways", polyline({{0, 0, 0}, {10, 0, 0}, {15, -5, 0}, {20, -5, 0}, {20, 0, 0}}), true},
        {"sharp fold", polyline({{0, 0, 0}, {30, 0, 0}, {0, 3, 0}}), true},
        {"fold too sharp for its length", polyline({{0, 0, 0}, {10, 0, 0}, {0, 1, 0}}), false},
        {"almost straight", polyline({{0, 0, 0}, {10, 0, 0}, {20, 1e-7, 0}}), true},
        {"zigzag", polyline({{0, 0, 0}, {10, 0, 0}, {12, 6, 0}, {20, 6, 0}, {11, 9, 0}, {11, 20, 0}}), true},
        {"U turn", polyline({{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}}), true},
        {"U turn narrower than its rounds", polyline({{0, 0, 0}, {10, 0, 0}, {10, 1.5, 0}, {0, 1.5, 0}}), false},
        {"run crossing itself", polyline({{0, 0, 0}, {10, 0, 0}, {10, 4, 0}, {3, 4, 0}, {3, -3, 0}}), false},
        {"closed loop", polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}}), false},
        {"segment shorter than its bend", polyline({{0, 0, 0}, {10, 0, 0}, {10, 0.8, 0}, {20, 0.8, 0}}), false},
        {"thin and low", polyline({{0, 0, 2}, {10, 0, 2}, {14, 4, 2}}, 0.4, 0.2), true},
        {"posts between runs", posts, true},
        {"sections change", sections, true},
        {"zero-length segment at a bend", zeroLength, true},
        {"zero-length segment inside a run", zeroInside, true},
        {"back and forth over itself", polyline(retraced(6), 0.8, 0.5), false},
        {"back over part of itself", polyline({{0, 0, 0}, {10, 0, 0}, {4, 0, 0}, {4, 3, 0}}), false},
        {"staircase", polyline(staircase(8), 0.8, 0.5), false},
        {"staircase and back down", polyline(upAndDown(4), 0.8, 0.5), false},
    };
    for (const Row& row : rows) {
        expectSameAsFused(row.route, row.name);
        int last = 0;
        const QList<RouteSegment>& s = row.route.segments;
        while (last + 1 < s.size() && TrackOutline::continuesRun(s.at(last), s.at(last + 1)))
            ++last;
        if (last > 0) {
            EXPECT_EQ(!TrackOutline::runSolid(s, 0, last).IsNull(), row.swept) << row.name;
        }
    }

    // The routes the routing model draws: T junction and climbs included.
    const QList<Route> drawn = drawnRoutes();
    ASSERT_EQ(drawn.size(), 3);
    for (int i = 0; i < drawn.size(); ++i)
        expectSameAsFused(drawn.at(i), "drawn " + std::to_string(i));
}

// Random walks of a few segments in the plane, most of them swept and some left to the fuse.
TEST(RouteShapes, RandomRunsGiveTheFusedSolid)
{
    std::mt19937 random(20);
    std::uniform_real_distribution<double> length(0.5, 12.0), turn(-3.1, 3.1), width(0.3, 2.5);
    int swept = 0;
    for (int n = 0; n < 40; ++n) {
        QList<gp_Pnt> points = {gp_Pnt(0, 0, 1.5)};
        double heading = turn(random);
        const int count = 2 + n % 4;
        for (int i = 0; i < count; ++i) {
            const double l = length(random);
            points.append(points.last().Translated(gp_Vec(l * std::cos(heading), l * std::sin(heading), 0)));
            heading += turn(random);
        }
        const Route route = polyline(points, width(random), 0.8);
        swept += TrackOutline::runSolid(route.segments, 0, count - 1).IsNull() ? 0 : 1;
        expectSameAsFused(route, "walk " + std::to_string(n));
    }
    EXPECT_GT(swept, 12);
}

// A track of thousands of steps in line used to be united piece by piece, for minutes on the
// window's thread: it is one straight leg of the swept outline now.
TEST(RouteShapes, ThousandsOfStepsInLineSweepAsOneLeg)
{
    QList<gp_Pnt> points;
    for (int i = 0; i <= 5000; ++i)
        points.append(gp_Pnt(i * 0.1, i * 0.05, 2.0));
    const Route route = polyline(points, 1.0, 0.5);
    ASSERT_FALSE(TrackOutline::runSolid(route.segments, 0, 4999).IsNull());
    const TopoDS_Shape solid = RoutingManager::createRouteShape(route);
    ASSERT_FALSE(solid.IsNull());
    EXPECT_TRUE(BRepCheck_Analyzer(solid).IsValid());
    const double length = points.first().Distance(points.last());
    EXPECT_NEAR(TestSupport::volumeOf(solid), length * 1.0 * 0.5, 1e-6 * length);
    int faces = 0;
    for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next())
        ++faces;
    EXPECT_EQ(faces, 6);
}

// Tracks that go back over themselves or climb in steps finer than their width, at sizes that
// used to hold the window for minutes in one fuse: one solid, swept in a few parts, of the
// area the pieces cover. That area comes from the fuse of a few periods of the same track.
TEST(RouteShapes, RetracedAndSteppedTracksAreOneSweptSolid)
{
    struct Row
    {
        std::string name;
        std::function<QList<gp_Pnt>(int)> path;
        int size, small, period;
        double facesPerStep; // at most; bends are faceted
        size_t legs;         // at most, each a piece of the union
    };
    const QList<Row> rows = {
        {"retraced 100", retraced, 100, 4, 2, 0.35, 3},
        {"staircase 2000", staircase, 2000, 6, 2, 0.022, 2001},
        {"steep staircase 2000", steepStaircase, 2000, 6, 2, 5.25, 2001},
        {"fine staircase 1000", fineStaircase, 1000, 6, 2, 0.035, 3},
    };
    for (const Row& row : rows) {
        const double v0 = TestSupport::volumeOf(RoutingManager::fusedRouteShape(polyline(row.path(row.small), 0.8, 0.5)));
        const double v1 =
            TestSupport::volumeOf(RoutingManager::fusedRouteShape(polyline(row.path(row.small + row.period), 0.8, 0.5)));
        const double expected = v0 + (v1 - v0) * (row.size - row.small) / row.period;
        const Route route = polyline(row.path(row.size), 0.8, 0.5);
        // The fuse of the pieces took minutes: the outline is traced instead, the fine steps
        // as one leg rather than a round at each that meets hundreds of others.
        const TopoDS_Shape solid = TrackOutline::tracedRunSolid(route.segments, 0, row.size - 1);
        EXPECT_LE(TrackOutline::legsOf(route.segments, 0, row.size - 1, true).points.size(), row.legs) << row.name;
        ASSERT_FALSE(solid.IsNull()) << row.name;
        EXPECT_EQ(faceCount(RoutingManager::createRouteShape(route)), faceCount(solid)) << row.name;
        EXPECT_EQ(solidCount(solid), 1) << row.name;
        EXPECT_TRUE(BRepCheck_Analyzer(solid).IsValid()) << row.name;
        EXPECT_NEAR(TestSupport::volumeOf(solid), expected, 1e-3 * expected) << row.name;
        int flat = 0, faces = 0; // the bottom and the top, in a few parts, not one face per piece
        for (TopExp_Explorer it(solid, TopAbs_FACE); it.More(); it.Next(), ++faces)
            flat += TestSupport::boxOf(it.Current()).zmax - TestSupport::boxOf(it.Current()).zmin < 1e-9 ? 1 : 0;
        EXPECT_LT(flat, row.size / 4) << row.name;
        // Scallops shallower than the tolerance are one side face, not one for each step.
        EXPECT_LT(faces, row.size * row.facesPerStep) << row.name;
    }

    // Cut across into strips, a ring is two pieces in some of them: still one solid round a hole.
    const TopoDS_Shape ring = RoutingManager::createRouteShape(polyline(steppedRing(60), 0.8, 0.5));
    ASSERT_FALSE(ring.IsNull());
    EXPECT_EQ(solidCount(ring), 1);
    EXPECT_TRUE(BRepCheck_Analyzer(ring).IsValid());
    const bool hole = BRepClass3d_SolidClassifier(ring, gp_Pnt(0, 6, 1.25), 1e-7).State() == TopAbs_OUT;
    EXPECT_TRUE(hole);

    // Steps within a quarter of the outline's tolerance of a line are one leg of it, not a
    // round at each whose scallops the simplified outline leaves in extra faces: no more faces
    // than the same track with its steps dropped.
    for (const double width : {0.8, 2.0}) {
        const QList<gp_Pnt> p = fineStaircase(1000);
        const Route stepped = polyline(p, width, 0.5);
        const Route dropped = polyline({p.first(), p.at(1), p.at(999), p.last()}, width, 0.5);
        EXPECT_LE(faceCount(TrackOutline::tracedRunSolid(stepped.segments, 0, 999)),
                  faceCount(TrackOutline::tracedRunSolid(dropped.segments, 0, 2)))
            << width << " mm wide";
    }
}
