// The scan behind the window's contact warnings: right answers, and only tracks near a change
// measured again.
#include "app/trackconflictscan.h"

#include "../routing/routingtestutil.h"

#include <gtest/gtest.h>

using namespace RoutingTest;

namespace {

Route track(const QString& net, double y, double width = 2.0)
{
    Route r;
    r.netName = net;
    r.isComplete = true;
    r.segments.append(segment({100, y, 1}, {140, y, 1}, RouteSegment::Horizontal, width));
    return r;
}

} // namespace

TEST(TrackConflictScan, MeasuresAgainOnlyNearAChange)
{
    RoutingManager rm;
    setUpBoard(rm);
    rm.addRoute(track("GND", 0));
    rm.addRoute(track("VCC", 4));
    rm.addRoute(track("VCC", 60));
    TrackConflictScan scan;
    EXPECT_TRUE(scan.scan(rm).isEmpty());
    EXPECT_EQ(scan.lastMeasured(), 3);
    EXPECT_TRUE(scan.scan(rm).isEmpty());
    EXPECT_EQ(scan.lastMeasured(), 0) << "nothing changed";

    // The VCC track comes within 0.3 mm of GND: both are too close, the far one is not measured.
    ASSERT_TRUE(rm.setSegmentEndpointsAtomic(1, {{0, gp_Pnt(100, 2.3, 1), gp_Pnt(140, 2.3, 1)}}));
    QHash<quint64, TrackConflictScan::Conflict> found = scan.scan(rm);
    EXPECT_EQ(scan.lastMeasured(), 2);
    ASSERT_EQ(found.size(), 2);
    EXPECT_FALSE(found.value(rm.routes().at(0).id).isShort);
    EXPECT_EQ(found.value(rm.routes().at(0).id).offender, "VCC");

    // Widened onto GND: a contact. Moved away: nothing left.
    ASSERT_TRUE(rm.setSegmentDimensions(1, 0, 4.0, 1.0));
    found = scan.scan(rm);
    EXPECT_TRUE(found.value(rm.routes().at(0).id).isShort);
    EXPECT_TRUE(found.value(rm.routes().at(1).id).isShort);
    ASSERT_TRUE(rm.removeRouteAt(1));
    EXPECT_TRUE(scan.scan(rm).isEmpty());

    // A pad of another net under a track counts too: VCC's R1/2 stands at (0, 10).
    rm.addRoute(track("GND", 10));
    Route over = rm.routes().last();
    ASSERT_TRUE(rm.setSegmentEndpointsAtomic(int(rm.routes().size()) - 1, {{0, gp_Pnt(-5, 10, 0.5), gp_Pnt(5, 10, 0.5)}}));
    found = scan.scan(rm);
    ASSERT_TRUE(found.contains(over.id));
    EXPECT_TRUE(found.value(over.id).isShort);
    EXPECT_EQ(found.value(over.id).offender, "VCC");
}

// A pin of two pads (a connector's mounting pads): each pad keeps its own state, so an
// unchanged pin is no change and the VCC track lying on it is not measured again.
TEST(TrackConflictScan, PinOfSeveralPadsIsNoChangeWhenNothingMoved)
{
    RoutingManager rm;
    const QList<TopoDS_Shape> mounts = {padSolid({60, 0, 0}), padSolid({80, 0, 0})};
    rm.setNetPads({{"GND", {PadId("J1", "MP")}}});
    rm.setPadObstacleProvider([mounts] {
        QList<RoutingManager::PadObstacle> obstacles;
        for (const TopoDS_Shape& solid : mounts)
            obstacles.append({"GND", "J1/MP", solid, Bnd_Box()});
        return obstacles;
    });
    Route over;
    over.netName = "VCC";
    over.isComplete = true;
    over.segments.append(segment({55, 1.5, 0}, {85, 1.5, 0}));
    rm.addRoute(over);
    TrackConflictScan scan;
    EXPECT_TRUE(scan.scan(rm).value(rm.routes().first().id).isShort);
    EXPECT_EQ(scan.lastMeasured(), 1);
    EXPECT_TRUE(scan.scan(rm).value(rm.routes().first().id).isShort);
    EXPECT_EQ(scan.lastMeasured(), 0) << "nothing changed";
}
