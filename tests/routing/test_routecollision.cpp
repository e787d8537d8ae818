#include "logcapture.h"
#include "routingtestutil.h"

#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

#include <gtest/gtest.h>

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
}
