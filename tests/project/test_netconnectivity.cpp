#include "routebuilder.h"

#include "project/netconnectivity.h"
#include "routing/routingmanager.h"

#include <BRepBndLib.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <gp_Ax2.hxx>

#include <gtest/gtest.h>

using RouteBuilder::junctionRoute;
using RouteBuilder::route;

namespace {

// A 2 x 2 mm pad centred on (x, y), 1 mm thick below z.
PinPad piece(double x, double y, double z = 1.0)
{
    PinPad g;
    g.basePoint = gp_Pnt(x, y, z);
    g.position = gp_Pnt(x, y, z + 1.4);
    g.box.Update(x - 1.0, y - 1.0, z - 1.0, x + 1.0, y + 1.0, z + 0.4);
    return g;
}

// A pin of that one pad.
PlacedPin pad(double x, double y, double z = 1.0)
{
    return PlacedPin({piece(x, y, z)});
}

RoutingManager managerWith(std::initializer_list<Route> routes)
{
    RoutingManager manager;
    for (const Route& r : routes)
        manager.addRoute(r);
    return manager;
}

} // namespace

TEST(NetConnectivity, RouteJoinsItsTwoPads)
{
    const RoutingManager rm =
        managerWith({route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1)})});
    const PinTable table{{PadId("R1", "1"), pad(0, 0)},
                                 {PadId("R2", "1"), pad(10, 0)},
                                 {PadId("R3", "1"), pad(20, 0)}};
    NetConnectivity nc;
    nc.build(rm, &table);

    EXPECT_TRUE(nc.issues().isEmpty());
    EXPECT_FALSE(nc.groupOf(PadId("R1", "1")).isEmpty());
    EXPECT_TRUE(nc.sameGroup(PadId("R1", "1"), PadId("R2", "1")));
    EXPECT_EQ(nc.groupOf(PadId("R3", "1")), "");
    EXPECT_FALSE(nc.sameGroup(PadId("R1", "1"), PadId("R3", "1")));
    EXPECT_FALSE(nc.sameGroup(PadId("R3", "1"), PadId("R4", "1"))); // two empty groups
    // The argument order of the unions decides the name: start pad -> route -> end pad.
    EXPECT_EQ(nc.groupOf(PadId("R1", "1")), "P/R2/1");
    EXPECT_FALSE(nc.sameGroup(PadId("r1", "1"), PadId("R2", "1")));
}

TEST(NetConnectivity, TouchTestUsesEndVertexOrAnySegment)
{
    // Ends at (10, 10) but its first segment crosses R2/1 at (5, 0).
    const RoutingManager rm = managerWith(
        {route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1), gp_Pnt(10, 10, 1)}),
         // Misses R4/1 entirely.
         route("N2", "R3", "1", "R4", "1", {gp_Pnt(0, 30, 1), gp_Pnt(10, 30, 1)})});
    const PinTable table{{PadId("R1", "1"), pad(0, 0)},
                                 {PadId("R2", "1"), pad(5, 0)},
                                 {PadId("R3", "1"), pad(0, 30)},
                                 {PadId("R4", "1"), pad(40, 30)}};
    NetConnectivity nc;
    nc.build(rm, &table);

    EXPECT_TRUE(nc.sameGroup(PadId("R1", "1"), PadId("R2", "1")));
    ASSERT_EQ(nc.issues().size(), 1);
    const NetConnectivity::EndIssue& issue = nc.issues().first();
    EXPECT_EQ(issue.kind, NetConnectivity::EndNotOnPad);
    EXPECT_EQ(issue.routeIndex, 1);
    EXPECT_EQ(issue.netName, "N2");
    EXPECT_EQ(issue.pad, PadId("R4", "1"));
    EXPECT_FALSE(issue.atStart);
    EXPECT_TRUE(issue.endPoint.IsEqual(gp_Pnt(10, 30, 1), 1e-9));
    EXPECT_TRUE(issue.padPoint.IsEqual(gp_Pnt(40, 30, 1), 1e-9));
    EXPECT_FALSE(nc.groupOf(PadId("R3", "1")).isEmpty());
    EXPECT_EQ(nc.groupOf(PadId("R4", "1")), "");
}

TEST(NetConnectivity, EmptyTableVersusNoTable)
{
    const RoutingManager rm = managerWith(
        {route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1)}),
         route("N1", "R2", "1", "R3", "1", {gp_Pnt(10, 0, 1), gp_Pnt(20, 0, 1)})});

    NetConnectivity nc;
    const PinTable empty;
    nc.build(rm, &empty);
    ASSERT_EQ(nc.issues().size(), 4);
    for (const NetConnectivity::EndIssue& issue : nc.issues()) {
        EXPECT_EQ(issue.kind, NetConnectivity::PadNotFound);
        EXPECT_TRUE(issue.padPoint.IsEqual(gp_Pnt(0, 0, 0), 0.0));
    }
    EXPECT_TRUE(nc.issues().at(0).atStart);
    EXPECT_FALSE(nc.issues().at(1).atStart);
    EXPECT_EQ(nc.groupOf(PadId("R1", "1")), "");

    nc.build(rm, nullptr);
    EXPECT_TRUE(nc.issues().isEmpty());
    EXPECT_TRUE(nc.sameGroup(PadId("R1", "1"), PadId("R3", "1"))); // chained through R2/1

    nc.clear();
    EXPECT_EQ(nc.groupOf(PadId("R1", "1")), "");
}

TEST(NetConnectivity, JunctionJoinsHostOrIsReported)
{
    const Route host = route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 1), gp_Pnt(20, 0, 1)});
    const Route tee = junctionRoute("N1", "R3", "1", gp_Pnt(10, 0.5, 1.5),
                                    {gp_Pnt(10, 10, 1), gp_Pnt(10, 0.5, 1)});
    const Route lost = junctionRoute("N1", "R4", "1", gp_Pnt(10, 50, 1),
                                     {gp_Pnt(0, 40, 1), gp_Pnt(10, 50, 1)});
    const RoutingManager rm = managerWith({host, tee, lost});

    NetConnectivity nc;
    nc.build(rm, nullptr);
    EXPECT_TRUE(nc.sameGroup(PadId("R3", "1"), PadId("R1", "1")));
    EXPECT_TRUE(nc.sameGroup(PadId("R3", "1"), PadId("R2", "1")));

    ASSERT_EQ(nc.unresolvedJunctions().size(), 1);
    const NetConnectivity::UnresolvedJunction& j = nc.unresolvedJunctions().first();
    EXPECT_EQ(j.routeIndex, 2);
    EXPECT_EQ(j.netName, "N1");
    EXPECT_EQ(j.startRef, "R4");
    EXPECT_EQ(j.startPad, "1");
    EXPECT_TRUE(j.junction.IsEqual(gp_Pnt(10, 50, 1), 1e-9));
    EXPECT_EQ(nc.groupOf(PadId("R4", "1")), "R/2"); // a group of its own with its route
    EXPECT_FALSE(nc.sameGroup(PadId("R4", "1"), PadId("R1", "1")));
}

TEST(NetConnectivity, IgnoredRoutesContributeNothing)
{
    Route incomplete = route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1)});
    incomplete.isComplete = false;
    Route noNet = route("", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1)});
    Route noSegments = route("N1", "R1", "1", "R2", "1", {});
    Route noEndPad = route("N1", "R5", "1", "R6", "", {gp_Pnt(0, 0, 1), gp_Pnt(10, 0, 1)});
    const RoutingManager rm = managerWith({incomplete, noNet, noSegments, noEndPad});

    NetConnectivity nc;
    const PinTable empty;
    nc.build(rm, &empty);
    EXPECT_EQ(nc.groupOf(PadId("R1", "1")), "");
    EXPECT_EQ(nc.groupOf(PadId("R2", "1")), "");
    EXPECT_EQ(nc.unresolvedJunctions().size(), 0);
    ASSERT_EQ(nc.issues().size(), 1); // only the start of the route with a half-named end pad
    EXPECT_EQ(nc.issues().first().pad, PadId("R5", "1"));
}

// With the pad's solid, "on its pad" is decided on the conductors: a track whose box overlaps
// the pad's box but whose solid stays off a round pad is detached; one reaching into it joins.
TEST(NetConnectivity, TouchIsDecidedOnTheSolids)
{
    PinPad round;
    round.solid = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 0), gp_Dir(0, 0, 1)), 1.0, 1.4).Shape();
    BRepBndLib::Add(round.solid, round.box);
    round.basePoint = gp_Pnt(0, 0, 0);
    const PinTable table{{PadId("R1", "1"), pad(20, 5, 0.5)}, {PadId("R2", "1"), PlacedPin({round})}};

    // A thin track ending at the corner of the pad's box: its box meets the pad's, its solid
    // stays off the round pad.
    const auto routeTo = [](const gp_Pnt& end) {
        Route r = route("N1", "R1", "1", "R2", "1", {gp_Pnt(20, 5, 0.5), gp_Pnt(end.X(), 5, 0.5), end});
        for (RouteSegment& s : r.segments)
            s.width = 0.1;
        return RouteBuilder::withSolids(r);
    };
    NetConnectivity nc;
    const RoutingManager corner = managerWith({routeTo(gp_Pnt(0.92, 0.92, 0.5))});
    nc.build(corner, &table);
    ASSERT_EQ(nc.issues().size(), 1);
    EXPECT_EQ(nc.issues().first().kind, NetConnectivity::EndNotOnPad);
    EXPECT_FALSE(nc.issues().first().atStart);
    EXPECT_FALSE(nc.sameGroup(PadId("R1", "1"), PadId("R2", "1")));

    const RoutingManager inside = managerWith({routeTo(gp_Pnt(0.5, 0.5, 0.5))});
    nc.build(inside, &table);
    EXPECT_TRUE(nc.issues().isEmpty());
    EXPECT_TRUE(nc.sameGroup(PadId("R1", "1"), PadId("R2", "1")));
}

// A footprint may give one number to several pads (mounting pads, a split exposed pad): a
// track end on any of them is on the pin; one on none is reported at the nearest of them.
TEST(NetConnectivity, AnyPadOfARepeatedNumberIsThePin)
{
    const PinTable table{{PadId("R1", "1"), pad(0, 0)},
                                 {PadId("J1", "MP"), PlacedPin({piece(10, 0), piece(20, 0), piece(30, 0)})}};
    struct Row
    {
        const char* name;
        double endX;
        bool joined;
    };
    for (const Row& row : {Row{"first pad", 10, true}, Row{"second pad", 20, true}, Row{"last pad", 30, true},
                           Row{"beyond the last", 36, false}}) {
        const RoutingManager rm = managerWith(
            {route("GND", "R1", "1", "J1", "MP", {gp_Pnt(0, 0, 1), gp_Pnt(0, 5, 1), gp_Pnt(row.endX, 5, 1),
                                                  gp_Pnt(row.endX, 0, 1)})});
        NetConnectivity nc;
        nc.build(rm, &table);
        EXPECT_EQ(nc.sameGroup(PadId("R1", "1"), PadId("J1", "MP")), row.joined) << row.name;
        EXPECT_EQ(nc.issues().isEmpty(), row.joined) << row.name;
        if (!row.joined && !nc.issues().isEmpty())
            EXPECT_TRUE(nc.issues().first().padPoint.IsEqual(gp_Pnt(30, 0, 1), 1e-9)) << row.name;
    }
}
