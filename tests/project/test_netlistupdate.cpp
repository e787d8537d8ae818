#include "routebuilder.h"

#include "model/netlist.h"
#include "project/netlistupdate.h"

#include <gtest/gtest.h>

using RouteBuilder::junctionRoute;
using RouteBuilder::route;

namespace {

using FootprintMap = QMap<QString, QString>;

const FootprintMap kCurrent{{"C1", "C_0603"}, {"R1", "R_0805"}, {"R2", "R_0805"}, {"U1", "SOIC-8"}};

Route withId(Route r, quint64 id)
{
    r.id = id;
    return r;
}

} // namespace

TEST(NetlistUpdate, IdenticalDesignsKeepEverything)
{
    const QList<NetlistNet> nets{{"N1", {{"R1", "1"}, {"R2", "1"}}}};
    const QList<Route> routes{route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 0), gp_Pnt(5, 0, 0)})};
    NetlistUpdate update;
    update.added.append("stale");
    update.keptCount = 99;
    computeNetlistUpdate(update, kCurrent, kCurrent, nets, routes);
    EXPECT_TRUE(update.added.isEmpty());
    EXPECT_TRUE(update.removed.isEmpty());
    EXPECT_TRUE(update.footprintChanges.isEmpty());
    EXPECT_TRUE(update.staleTrackEnds.isEmpty());
    EXPECT_EQ(update.keptCount, 4);
    EXPECT_EQ(update.affectedRouteCount(), 0);

    computeNetlistUpdate(update, {}, {}, {}, {});
    EXPECT_EQ(update.keptCount, 0);
    EXPECT_TRUE(update.added.isEmpty());
}

TEST(NetlistUpdate, ComponentsAddedRemovedAndRefootprinted)
{
    const FootprintMap next{{"C1", "c_0603"}, {"D1", "LED_0805"}, {"R1", "R_0805"}, {"R10", "R_0402"},
                            {"U1", "SOIC-8"}};
    NetlistUpdate update;
    computeNetlistUpdate(update, kCurrent, next, {}, {});
    EXPECT_EQ(update.added, (QList<QString>{"D1", "R10"}));
    EXPECT_EQ(update.removed, (QList<QString>{"R2"}));
    ASSERT_EQ(update.footprintChanges.size(), 1); // a case difference is a change
    EXPECT_EQ(update.footprintChanges.first().ref, "C1");
    EXPECT_EQ(update.footprintChanges.first().currentFootprint, "C_0603");
    EXPECT_EQ(update.footprintChanges.first().newFootprint, "c_0603");
    EXPECT_EQ(update.keptCount, 2);
}

TEST(NetlistUpdate, StaleTrackEnds)
{
    // R2 disappears; R1/1 moves to N2; R1/2 ends up on no net at all.
    const FootprintMap next{{"C1", "C_0603"}, {"R1", "R_0805"}, {"U1", "SOIC-8"}};
    const QList<NetlistNet> nets{{"N2", {{"R1", "1"}, {"U1", "1"}}},
                                 {"N3", {{"U1", "2"}, {"C1", "1"}}},
                                 // A pin named again later stays on its first net.
                                 {"N4", {{"U1", "2"}}}};
    const QList<Route> routes{
        withId(route("N1", "R1", "1", "R2", "1", {gp_Pnt(0, 0, 0), gp_Pnt(5, 0, 0)}), 11),
        withId(route("N3", "U1", "2", "C1", "1", {gp_Pnt(0, 5, 0), gp_Pnt(5, 5, 0)}), 12),
        // Only the start of a T-junction route is examined.
        withId(junctionRoute("N9", "R1", "2", gp_Pnt(), {gp_Pnt(0, 9, 0), gp_Pnt(5, 9, 0)}), 13),
        // Incomplete routes are examined as well; empty end names are skipped.
        withId(route("N3", "U1", "2", "", "", {}), 14),
    };
    NetlistUpdate update;
    computeNetlistUpdate(update, kCurrent, next, nets, routes);

    ASSERT_EQ(update.staleTrackEnds.size(), 3);
    const NetlistUpdate::StaleTrackEnd& moved = update.staleTrackEnds.at(0);
    EXPECT_EQ(moved.routeIndex, 0);
    EXPECT_EQ(moved.routeId, 11);
    EXPECT_EQ(moved.routeNet, "N1");
    EXPECT_EQ(moved.pad, PadId("R1", "1"));
    EXPECT_EQ(moved.kind, NetlistUpdate::NetChanged);
    EXPECT_EQ(moved.newNet, "N2");

    const NetlistUpdate::StaleTrackEnd& removed = update.staleTrackEnds.at(1);
    EXPECT_EQ(removed.routeIndex, 0);
    EXPECT_EQ(removed.pad, PadId("R2", "1"));
    EXPECT_EQ(removed.kind, NetlistUpdate::ComponentRemoved);
    EXPECT_EQ(removed.newNet, "");

    const NetlistUpdate::StaleTrackEnd& orphan = update.staleTrackEnds.at(2);
    EXPECT_EQ(orphan.routeIndex, 2);
    EXPECT_EQ(orphan.pad, PadId("R1", "2"));
    EXPECT_EQ(orphan.kind, NetlistUpdate::NetChanged);
    EXPECT_EQ(orphan.newNet, "");

    EXPECT_EQ(update.affectedRouteCount(), 2);
}
