#include "logcapture.h"
#include "routingtestutil.h"

#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace RoutingTest;

namespace {

Route finished(const QString& net, QList<RouteSegment> segments)
{
    Route r;
    r.netName = net;
    r.startRef = "X1";
    r.startPad = "1";
    r.endRef = "X2";
    r.endPad = "1";
    r.isComplete = true;
    r.segments = segments;
    return r;
}

RoutingManager::PadObstacle obstacle(const QString& net, const QString& label, const gp_Pnt& base)
{
    return {net, label, padSolid(base), Bnd_Box()};
}

} // namespace

TEST(RouteCollision, TracksAndPads)
{
    // The tested segment runs along Y 0 from X 0 to 10 (Y -1..1, Z 0..1).
    struct Row
    {
        const char* name;
        QString testedNet;
        QString otherNet;
        double otherY; // axis of another track along X 0..10 (NaN: none)
        QList<RoutingManager::PadObstacle> pads;
        double clearance;
        bool isShort;
        bool isClearance;
        QString offender;
    };
    const double none = std::numeric_limits<double>::quiet_NaN();
    const QList<Row> rows = {
        {"parallel 0.3 apart", "A", "B", 2.3, {}, 0.5, false, true, "B"},
        {"exactly the clearance", "A", "B", 2.5, {}, 0.5, false, false, ""},
        {"touching", "A", "B", 2.0, {obstacle("", "U1/1", {5, -1.2, 0})}, 0.5, true, false, "B"},
        {"same net crossing", "A", "A", 0.0, {}, 0.5, false, false, ""},
        {"pad of no net 0.2 away", "A", "", none, {obstacle("", "U1/1", {5, -2.2, 0})}, 0.5, false, true,
         "U1/1"},
        {"own net pad", "A", "", none, {obstacle("A", "U1/1", {5, -2.2, 0})}, 0.5, false, false, ""},
        {"other net pad overlapping", "A", "", none, {obstacle("C", "U1/1", {5, 0, 0})}, 0.5, true, false,
         "C"},
        {"empty net: every pad counts", "", "", none, {obstacle("", "U1/1", {5, -2.2, 0})}, 0.5, false,
         true, "U1/1"},
        {"empty net: other empty-net tracks ignored", "", "", 2.0, {}, 0.5, false, false, ""},
        {"clearance 0, 0.3 apart", "A", "B", 2.3, {}, 0.0, false, false, ""},
        {"clearance 0, touching", "A", "B", 2.0, {}, 0.0, true, false, "B"},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        RoutingRules rules;
        rules.clearance = row.clearance;
        rm.setRoutingRules(rules);
        if (!std::isnan(row.otherY))
            rm.addRoute(finished(row.otherNet, {segment({0, row.otherY, 0}, {10, row.otherY, 0})}));
        int providerCalls = 0;
        rm.setPadObstacleProvider([&] {
            ++providerCalls;
            return row.pads;
        });
        const RouteSegment tested = segment({0, 0, 0}, {10, 0, 0});
        const CollisionResult result = rm.checkCollision(tested, row.testedNet);
        EXPECT_EQ(result.isShort, row.isShort) << row.name;
        EXPECT_EQ(result.isClearance, row.isClearance) << row.name;
        EXPECT_FALSE(result.isUnchecked) << row.name;
        EXPECT_EQ(result.offender, row.offender) << row.name;
        if (row.isShort && !std::isnan(row.otherY)) {
            EXPECT_EQ(providerCalls, 0) << row.name << ": no pad is examined after a track short";
        }
    }
}

TEST(RouteCollision, SkippedRouteAndSolidlessSegments)
{
    RoutingManager rm;
    rm.addRoute(finished("B", {segment({0, 2, 0}, {10, 2, 0})}));
    const RouteSegment tested = segment({0, 0, 0}, {10, 0, 0});
    EXPECT_TRUE(rm.checkCollision(tested, "A").isShort);
    EXPECT_TRUE(rm.checkCollision(tested, "A", 0).isClear());
    RouteSegment bare = tested;
    bare.shape.Nullify();
    EXPECT_TRUE(rm.checkCollision(bare, "A").isClear());
}

TEST(RouteCollision, UncomputableDistanceIsNeverClear)
{
    // An empty compound has a box but no geometry: the distance cannot be computed.
    BRep_Builder builder;
    TopoDS_Compound empty;
    builder.MakeCompound(empty);
    Bnd_Box near;
    near.Update(-1, -1, -1, 1, 1, 1);

    const RouteSegment tested = segment({0, 0, 0}, {10, 0, 0});
    FoundationLogCapture capture;
    EXPECT_EQ(RoutingManager::checkCollisionDetailed(tested.box, tested.shape, empty, near, 0.5, "pad", "P1"),
              RoutingManager::PairUnchecked);
    EXPECT_TRUE(capture.contains("checkCollisionDetailed"));

    // A pad whose box could not be computed is measured exactly instead of being passed over.
    const RouteSegment crossing = segment({-5, 0, 0}, {5, 0, 0});
    EXPECT_EQ(RoutingManager::checkCollisionDetailed(tested.box, tested.shape, crossing.shape, Bnd_Box(), 0.5, "pad",
                                                     "P2"),
              RoutingManager::PairShort);
    EXPECT_EQ(RoutingManager::checkCollisionDetailed(tested.box, tested.shape, TopoDS_Shape(), Bnd_Box(), 0.5, "pad",
                                                     "P3"),
              RoutingManager::PairClear);

    RoutingManager rm;
    const QList<RoutingManager::PadObstacle> pads = {{"", "P1", empty, near}};
    const CollisionResult result = rm.checkCollision(tested, "A", -1, pads);
    EXPECT_TRUE(result.isUnchecked);
    EXPECT_FALSE(result.isClear());
    EXPECT_EQ(result.offender, "P1");

    // Route building refuses such a segment instead of letting it through.
    setUpBoard(rm);
    rm.setPadObstacleProvider([pads] { return pads; });
    ASSERT_TRUE(rm.startRouting("GND", {"R1", "1"}, gp_Pnt(0, 0, 0)));
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(10, 0, 0)));
    EXPECT_TRUE(capture.contains("could not be checked"));
    EXPECT_EQ(rm.currentRoute().segments.size(), 1);
}

TEST(RouteCollision, PadObstaclesGetTheirBoxes)
{
    RoutingManager rm;
    EXPECT_TRUE(rm.padObstacles().isEmpty());
    setUpBoard(rm);
    const QList<RoutingManager::PadObstacle> pads = rm.padObstacles();
    ASSERT_EQ(pads.size(), boardPads().size());
    for (const RoutingManager::PadObstacle& pad : pads)
        EXPECT_FALSE(pad.box.IsVoid()) << pad.label.toStdString();

    // Boxes are remembered per solid: the same pad moved gets its new box.
    const TopoDS_Shape pad = padSolid({0, 0, 0});
    gp_Trsf shift;
    shift.SetTranslation(gp_Vec(50, 0, 0));
    TopoDS_Shape current = pad;
    rm.setPadObstacleProvider([&current] { return QList<RoutingManager::PadObstacle>{{"", "P/1", current, {}}}; });
    double x0, y0, z0, x1, y1, z1;
    rm.padObstacles().first().box.Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(x0, -1.0, 1e-3);
    current = pad.Moved(TopLoc_Location(shift));
    rm.padObstacles().first().box.Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(x0, 49.0, 1e-3);
    current = pad;
    rm.padObstacles().first().box.Get(x0, y0, z0, x1, y1, z1);
    EXPECT_NEAR(x0, -1.0, 1e-3);
}

TEST(RouteCollision, BoxShortcutAgreesWithTheSolidDistance)
{
    // Pairs of tracks along X, along Y and upright, at gaps around the clearance: the verdict
    // must be the one the exact solid distance gives.
    const RouteSegment tested = segment({0, 0, 1}, {10, 0, 1});
    const QList<RouteSegment> others = {
        segment({0, 2.3, 1}, {10, 2.3, 1}),
        segment({-5, 2, 1}, {5, 2, 1}), // touching
        segment({12.4, -5, 1}, {12.4, 5, 1}),
        segment({11.2, 0, 1}, {20, 0, 1}),
        segment({5, 0, 2.4}, {5, 8, 2.4}),
        segment({11.3, 1.3, -4}, {11.3, 1.3, 0.8}, RouteSegment::Vertical),
        segment({4, 0, -3}, {4, 0, 0.6}, RouteSegment::Vertical),
        segment({3, 6, 1}, {9, 1.6, 1}), // slanted: through the general computation
    };
    for (int i = 0; i < others.size(); ++i) {
        RoutingManager rm;
        Route other;
        other.netName = "B";
        other.segments = {others[i]};
        rm.addRoute(other);
        const std::optional<double> d = RoutingManager::solidDistance(tested.shape, others[i].shape);
        ASSERT_TRUE(d.has_value()) << i;
        const CollisionResult result = rm.checkCollision(tested, "A");
        EXPECT_EQ(result.isShort, *d < 1e-7) << i << " distance " << *d;
        EXPECT_EQ(result.isClearance, *d >= 1e-7 && *d < 0.5) << i << " distance " << *d;
    }
}

TEST(RouteCollision, ShortedRoutesOfALoadedDesign)
{
    RoutingManager rm;
    Route a;
    a.netName = "A";
    a.segments = {segment({0, 0, 0}, {10, 0, 0})};
    Route b = a; // same net, overlapping: allowed
    Route c;
    c.netName = "C";
    c.segments = {segment({20, 5, 0}, {20, -5, 0}), segment({5, 1.5, 0}, {5, -5, 0})};
    Route d;
    d.netName = "D";
    d.segments = {segment({0, 0.3, 3}, {10, 0.3, 3})}; // above, 1 mm clear
    for (const Route& r : {a, b, c, d})
        rm.addRoute(r);
    const QList<QPair<int, int>> pairs = rm.shortedRoutes();
    EXPECT_EQ(pairs, (QList<QPair<int, int>>{{0, 2}, {1, 2}}));
}

// The printed track fills each bend between two horizontal segments with a round of half its
// width; that filler reaches beyond both segments, so it counts in the test both as a part of
// another net's track and as a part of the track being drawn.
TEST(RouteCollision, BendFillersCount)
{
    // B turns left at (10,0): its filler covers the quarter disc of radius 1 towards (+X,-Y).
    RoutingManager rm;
    rm.addRoute(finished("B", {segment({0, 0, 0}, {10, 0, 0}), segment({10, 0, 0}, {10, 10, 0})}));
    // A thin column 0.65 mm off both of B's segments, inside the filler.
    const RouteSegment inside = segment({10.75, -0.75, 0}, {10.75, -0.75, 1}, RouteSegment::Vertical, 0.2);
    const CollisionResult hit = rm.checkCollision(inside, "A", -1, QList<RoutingManager::PadObstacle>());
    EXPECT_TRUE(hit.isShort);
    EXPECT_EQ(hit.offender, "B");
    // Off the bend the same column is clear.
    const RouteSegment away = segment({5.75, -1.75, 0}, {5.75, -1.75, 1}, RouteSegment::Vertical, 0.2);
    EXPECT_TRUE(rm.checkCollision(away, "A", -1, QList<RoutingManager::PadObstacle>()).isClear());

    // The other way round: the filler of the pair tested against a column of another net.
    RoutingManager other;
    other.addRoute(finished("B", {segment({10.75, -0.75, 0}, {10.75, -0.75, 1}, RouteSegment::Vertical, 0.2)}));
    const RouteSegment first = segment({0, 0, 0}, {10, 0, 0});
    const RouteSegment second = segment({10, 0, 0}, {10, 10, 0});
    const QList<RoutingManager::PadObstacle> noPads;
    EXPECT_TRUE(other.checkCollision(first, "A", -1, noPads).isClear());
    EXPECT_TRUE(other.checkCollision(second, "A", -1, noPads).isClear());
    EXPECT_TRUE(other.checkCornerCollision(first, second, "A", -1, noPads).isShort);
    // Collinear segments have no filler.
    EXPECT_TRUE(other.checkCornerCollision(first, segment({10, 0, 0}, {20, 0, 0}), "A", -1, noPads).isClear());
}

namespace {

// Whether two solids can be within 1e-7 mm: their boxes, widened well beyond that, meet.
bool near(const RouteSegment& a, const RouteSegment& b)
{
    Bnd_Box wide = RoutingManager::segmentBox(a);
    wide.Enlarge(1e-5);
    return !wide.IsOut(RoutingManager::segmentBox(b));
}

// The pairs of routes of different nets whose segment solids touch, by the solid distance of
// every pair of segments: what the short check of a loaded design must find.
QList<QPair<int, int>> exactlyShorted(const QList<Route>& routes)
{
    QList<QPair<int, int>> pairs;
    for (int r = 0; r < routes.size(); ++r) {
        for (int o = r + 1; o < routes.size(); ++o) {
            if (routes.at(r).netName == routes.at(o).netName)
                continue;
            bool shorted = false;
            for (const RouteSegment& a : routes.at(r).segments)
                for (const RouteSegment& b : routes.at(o).segments)
                    if (!shorted && !a.shape.IsNull() && !b.shape.IsNull() && near(a, b))
                        shorted = RoutingManager::solidDistance(a.shape, b.shape).value_or(1.0) < 1e-7;
            if (shorted)
                pairs.append({r, o});
        }
    }
    return pairs;
}

// A 45 degree track of width 1 from (x, y, z), 10 mm long in X and in Y, moved sideways by offset.
RouteSegment diagonal(double x, double y, double z, double offset = 0.0)
{
    const double s = offset / std::sqrt(2.0);
    return segment({x - s, y + s, z}, {x + 10 - s, y + 10 + s, z}, RouteSegment::Horizontal, 1.0, 0.5);
}

} // namespace

// Touching, overlapping and nearly touching tracks in every direction, planted among random
// ones: the indexed check finds the pairs that the solid distance of every pair finds.
TEST(RouteCollision, ShortedRoutesAgreeWithTheSolidDistance)
{
    struct Design
    {
        const char* name;
        QList<Route> routes;
    };
    QList<Design> designs;

    // Beside a diagonal track: neighbours touching, overlapping and apart by a hair either way
    // of the short threshold, in the plan and in Z, crossing, end to end, and a post.
    {
        QList<Route> routes = {finished("A", {diagonal(0, 0, 0)})};
        const double offsets[] = {1.0, 0.7, 1.0 + 5e-8, 1.0 + 1.5e-7, 1.0 + 1e-6, 1.3};
        for (int i = 0; i < 6; ++i)
            routes.append(finished(QStringLiteral("P%1").arg(i), {diagonal(0, 0, 0, offsets[i])}));
        const double gaps[] = {0.0, 5e-8, 1.5e-7, 1e-3};
        for (int i = 0; i < 4; ++i)
            routes.append(finished(QStringLiteral("C%1").arg(i),
                                   {segment({0, 10, 0.5 + gaps[i]}, {10, 0, 0.5 + gaps[i]}, RouteSegment::Horizontal,
                                            0.8, 0.4)}));
        routes.append(finished("E", {segment({10 + 1e-9, 10, 0}, {14, 14, 0}, RouteSegment::Horizontal, 1.0, 0.5)}));
        // A post whose side meets the track's long side at (5, 5) exactly.
        const double d = 0.5 + 0.5 * std::sqrt(2.0);
        routes.append(finished("V", {segment({5 - d / std::sqrt(2.0) + 1e-12, 5 + d / std::sqrt(2.0), -2},
                                             {5 - d / std::sqrt(2.0) + 1e-12, 5 + d / std::sqrt(2.0), 3},
                                             RouteSegment::Vertical, 1.0)}));
        routes.append(finished("A", {diagonal(0, 0, 0, 0.2)})); // same net: never a short
        designs.append({"planted", routes});
    }

    // Random tracks of two segments in any direction with posts, dense enough to meet often.
    {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> place(0.0, 40.0), step(-8.0, 8.0);
        QList<Route> routes;
        for (int i = 0; i < 40; ++i) {
            const gp_Pnt a(place(random), place(random), i % 3 == 0 ? 1.0 : 0.0);
            const gp_Pnt b(a.X() + step(random), a.Y() + step(random), a.Z());
            const gp_Pnt c(b.X() + step(random), b.Y() + step(random), a.Z());
            QList<RouteSegment> segments = {segment(a, b, RouteSegment::Horizontal, 0.6, 0.5),
                                            segment(b, c, RouteSegment::Horizontal, 0.6, 0.5)};
            if (i % 4 == 0)
                segments.append(segment(c, gp_Pnt(c.X(), c.Y(), c.Z() + 3), RouteSegment::Vertical, 0.6));
            routes.append(finished(QStringLiteral("N%1").arg(i % 25), segments));
        }
        designs.append({"random", routes});
    }

    // Tracks drawn by the routing model on the test board (bends, a climb over the other net),
    // then a diagonal track of no net laid across them as a hand-edited file could hold it.
    {
        RoutingManager rm;
        setUpBoard(rm);
        ASSERT_TRUE(rm.startRouting("GND", {"R1", "1"}, gp_Pnt(0, 0, 0)));
        ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(10, 0, 0)) && rm.addRoutePoint(gp_Pnt(15, -5, 0))
                    && rm.addRoutePoint(gp_Pnt(20, -5, 0)) && rm.addRoutePoint(gp_Pnt(20, 0, 0)));
        ASSERT_TRUE(rm.finishRouting({"R2", "1"}));
        ASSERT_TRUE(rm.startRouting("VCC", {"R1", "2"}, gp_Pnt(0, 10, 0)));
        rm.toggleMode();
        ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(0, 10, 5)) && rm.addRoutePoint(gp_Pnt(30, 14, 5)));
        rm.toggleMode();
        ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(30, 14, 0)) && rm.addRoutePoint(gp_Pnt(40, 10, 0)));
        ASSERT_TRUE(rm.finishRouting({"R2", "2"}));
        QList<Route> routes = rm.routes();
        routes.append(finished("", {segment({-2, -8, 0}, {22, 16, 0}, RouteSegment::Horizontal, 0.8, 0.6)}));
        routes.append(finished("", {segment({12, 20, 3}, {32, 4, 3}, RouteSegment::Horizontal, 0.8, 0.6)}));
        designs.append({"drawn", routes});
    }

    for (const Design& design : designs) {
        RoutingManager rm;
        for (const Route& route : design.routes)
            rm.addRoute(route);
        const QList<QPair<int, int>> expected = exactlyShorted(rm.routes());
        EXPECT_EQ(rm.shortedRoutes(), expected) << design.name;
        EXPECT_FALSE(expected.isEmpty()) << design.name;
    }
}

// Tracks in any direction of the plan, at gaps on both sides of the clearance and of the short
// threshold, in the plan and in height, and at random: the plane geometry gives the verdict the
// exact solid distance gives.
TEST(RouteCollision, PlanDistanceVerdictsAgreeWithTheSolidDistance)
{
    const double clearance = 0.5; // the default rules
    QList<RouteSegment> tracks = {diagonal(0, 0, 0)};
    for (double offset : {1.0 + clearance - 1e-6, 1.0 + clearance + 1e-6, 1.0 + clearance + 5e-8, 1.0 + 5e-8,
                          1.0 + 1.5e-7, 0.8, 1.2, 3.0})
        tracks.append(diagonal(0, 0, 0, offset));
    for (double gap : {clearance - 1e-6, clearance + 1e-6, 1.5e-7, 0.2})
        tracks.append(segment({0, 10, 0.5 + gap}, {10, 0, 0.5 + gap}, RouteSegment::Horizontal, 0.8, 0.4));
    std::mt19937 random(11);
    std::uniform_real_distribution<double> place(0.0, 30.0), step(-9.0, 9.0);
    for (int i = 0; i < 40; ++i) {
        const gp_Pnt a(place(random), place(random), i % 3 == 0 ? 0.8 : 0.0);
        tracks.append(segment(a, gp_Pnt(a.X() + step(random), a.Y() + step(random), a.Z()),
                              RouteSegment::Horizontal, 0.6, 0.5));
    }

    // Pair by pair, so that no third track's verdict hides the one under test.
    const QList<RoutingManager::PadObstacle> noPads;
    int shorts = 0, tooClose = 0;
    for (int t = 0; t < tracks.size(); ++t) {
        for (int o = t + 1; o < tracks.size(); ++o) {
            RoutingManager rm;
            rm.addRoute(finished("B", {tracks[o]}));
            const bool mayBeNear = RoutingManager::segmentBox(tracks[t]).Distance(
                                       RoutingManager::segmentBox(tracks[o])) < clearance + 1e-3;
            const double d = mayBeNear
                ? RoutingManager::solidDistance(tracks[t].shape, tracks[o].shape).value()
                : std::numeric_limits<double>::infinity();
            const CollisionResult result = rm.checkCollision(tracks[t], "A", -1, noPads);
            EXPECT_FALSE(result.isUnchecked) << t << "/" << o;
            EXPECT_EQ(result.isShort, d < 1e-7) << t << "/" << o << " distance " << d;
            EXPECT_EQ(result.isClearance, d >= 1e-7 && d < clearance) << t << "/" << o << " distance " << d;
            shorts += result.isShort;
            tooClose += result.isClearance;
        }
    }
    EXPECT_GT(shorts, 0);
    EXPECT_GT(tooClose, 0);
}
