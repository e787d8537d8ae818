#include "logcapture.h"
#include "routingtestutil.h"

#include <gtest/gtest.h>

#include <limits>

using namespace RoutingTest;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class RouteBuilding : public ::testing::Test
{
protected:
    void SetUp() override { setUpBoard(rm); }
    bool startAtR1()
    {
        return rm.startRouting("GND", {"R1", "1"}, gp_Pnt(0, 0, 0));
    }
    const RouteSegment& committed(int i) const { return rm.currentRoute().segments.at(i); }

    RoutingManager rm;
};

} // namespace

TEST_F(RouteBuilding, StartRefusalsLeaveNothingBeingDrawn)
{
    struct Row
    {
        const char* name;
        QString net;
        PadId pad;
        gp_Pnt point;
        const char* warning;
    };
    const QList<Row> rows = {
        {"empty net", "", {"R1", "1"}, {0, 0, 0}, "Invalid identifiers"},
        {"empty pad", "GND", {"R1", ""}, {0, 0, 0}, "Invalid identifiers"},
        {"NaN point", "GND", {"R1", "1"}, {kNaN, 0, 0}, "Non-finite start point"},
        {"huge point", "GND", {"R1", "1"}, {0, std::numeric_limits<double>::infinity(), 0},
         "Non-finite start point"},
        {"beyond reach", "GND", {"R1", "1"}, {0, 2e6, 0}, "Non-finite start point"},
        {"unknown net", "NOPE", {"R1", "1"}, {0, 0, 0}, "Unknown net"},
        {"pad of another net", "GND", {"R1", "2"}, {0, 0, 0}, "does not belong to net"},
    };
    for (const Row& row : rows) {
        FoundationLogCapture capture;
        EXPECT_FALSE(rm.startRouting(row.net, row.pad, row.point)) << row.name;
        EXPECT_FALSE(rm.isRouting()) << row.name;
        EXPECT_TRUE(capture.contains(row.warning)) << row.name << capture.joined().toStdString();
        EXPECT_FALSE(rm.lastRefusal().isEmpty()) << row.name;
    }
    ASSERT_TRUE(startAtR1());
    FoundationLogCapture capture;
    EXPECT_FALSE(rm.startRouting("GND", {"R2", "1"}, gp_Pnt(20, 0, 0)));
    EXPECT_TRUE(capture.contains("already being drawn"));
    EXPECT_EQ(rm.currentRoute().startRef, "R1");
}

TEST_F(RouteBuilding, MinimumLengthAndProjectionByMode)
{
    ASSERT_TRUE(startAtR1());
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(0.4, 0, 0)));
    EXPECT_EQ(rm.currentRoute().segments.size(), 1);
    // Horizontal mode keeps the start's Z whatever the clicked Z.
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(0, -0.5, 7)));
    EXPECT_NEAR(committed(0).end.Z(), 0.0, 1e-12);
    EXPECT_FALSE(committed(0).shape.IsNull());

    // Vertical mode ignores the clicked X and Y; a commit returns to horizontal.
    rm.toggleMode();
    ASSERT_TRUE(rm.isVerticalMode());
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(99, 99, 5)));
    EXPECT_EQ(committed(1).type, RouteSegment::Vertical);
    EXPECT_NEAR(committed(1).end.X(), 0.0, 1e-12);
    EXPECT_NEAR(committed(1).end.Y(), -0.5, 1e-12);
    EXPECT_FALSE(rm.isVerticalMode());

    FoundationLogCapture capture;
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(kNaN, 0, 0)));
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(1e300, 0, 0)));
    EXPECT_TRUE(capture.contains("Point out of reach"));
    EXPECT_EQ(rm.currentRoute().segments.size(), 3);
}

TEST_F(RouteBuilding, ZCorrectionsAtModeChanges)
{
    struct Row
    {
        const char* name;
        double clickZ;
        double verticalStartZ;
        double nextOpenZ;
    };
    // After a horizontal at bottom Z 1 (height 1): going up starts from the bottom, going
    // down from the top; the next horizontal's top meets an ascending column's top.
    const QList<Row> rows = {
        {"ascending", 5.0, 1.0, 4.0},
        {"descending", -3.0, 2.0, -3.0},
    };
    for (const Row& row : rows) {
        RoutingManager local;
        setUpBoard(local);
        ASSERT_TRUE(local.startRouting("GND", {"R1", "1"}, gp_Pnt(0, 0, 1)));
        ASSERT_TRUE(local.addRoutePoint(gp_Pnt(5, 0, 1)));
        local.toggleMode();
        ASSERT_TRUE(local.addRoutePoint(gp_Pnt(5, 0, row.clickZ))) << row.name;
        const QList<RouteSegment>& s = local.currentRoute().segments;
        ASSERT_EQ(s.size(), 3) << row.name;
        EXPECT_NEAR(s.at(1).start.Z(), row.verticalStartZ, 1e-12) << row.name;
        EXPECT_NEAR(s.at(1).end.Z(), row.clickZ, 1e-12) << row.name;
        EXPECT_NEAR(s.at(2).start.Z(), row.nextOpenZ, 1e-12) << row.name;
        EXPECT_NEAR(local.currentEndPoint().Z(), row.nextOpenZ, 1e-12) << row.name;
    }
}

TEST_F(RouteBuilding, UndoLastPoint)
{
    EXPECT_FALSE(rm.undoLastPoint());
    ASSERT_TRUE(startAtR1());
    EXPECT_FALSE(rm.undoLastPoint());
    rm.toggleMode();
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(0, 0, 4)));
    ASSERT_FALSE(rm.isVerticalMode());
    ASSERT_TRUE(rm.undoLastPoint());
    EXPECT_TRUE(rm.isVerticalMode());
    ASSERT_EQ(rm.currentRoute().segments.size(), 1);
    EXPECT_TRUE(rm.currentEndPoint().IsEqual(gp_Pnt(0, 0, 0), 1e-12));
}

TEST_F(RouteBuilding, FinishRefusals)
{
    ASSERT_TRUE(startAtR1());
    FoundationLogCapture capture;
    EXPECT_FALSE(rm.finishRouting({"R1", "1"}));
    EXPECT_TRUE(capture.contains("Loop forbidden: start == end"));
    EXPECT_FALSE(rm.finishRouting({"R1", "2"}));
    EXPECT_TRUE(capture.contains("Invalid destination: \"R1/2\"") || capture.contains("Invalid destination:"));
    EXPECT_EQ(rm.currentRoute().segments.size(), 1);

    // Only the open segment: refused, and the route is left without segments.
    EXPECT_FALSE(rm.finishRouting({"R2", "1"}));
    EXPECT_TRUE(capture.contains("No valid segment"));
    EXPECT_TRUE(rm.isRouting());
    EXPECT_TRUE(rm.currentRoute().segments.isEmpty());
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(5, 0, 0)));
    EXPECT_FALSE(rm.undoLastPoint());
    rm.cancelRouting();
    EXPECT_FALSE(rm.isRouting());
    rm.toggleMode();
    EXPECT_FALSE(rm.isVerticalMode());
}

TEST_F(RouteBuilding, FinishedRouteMustReachItsEndPad)
{
    ASSERT_TRUE(startAtR1());
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(10, 0, 0)));
    FoundationLogCapture capture;
    // R2/1 sits at X 20: the track stops 9 mm short of it.
    EXPECT_FALSE(rm.finishRouting({"R2", "1"}));
    EXPECT_TRUE(capture.contains("does not reach")) << capture.joined().toStdString();
    EXPECT_TRUE(rm.isRouting());
    ASSERT_EQ(rm.currentRoute().segments.size(), 2);
    EXPECT_TRUE(rm.routes().isEmpty());

    // The open segment survived the refusal, so the track goes on and ends properly.
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(20, 0, 0)));
    ASSERT_TRUE(rm.finishRouting({"R2", "1"}));
    ASSERT_EQ(rm.routes().size(), 1);
    const Route& route = rm.routes().first();
    EXPECT_TRUE(route.isComplete);
    EXPECT_EQ(route.endRef, "R2");
    EXPECT_EQ(route.segments.size(), 2);
    EXPECT_NE(route.id, 0u);
    EXPECT_FALSE(rm.isRouting());
}

TEST_F(RouteBuilding, EndingOnATrack)
{
    // Host: R1/1 → R2/1 along Y 0.
    ASSERT_TRUE(startAtR1());
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(20, 0, 0)));
    ASSERT_TRUE(rm.finishRouting({"R2", "1"}));

    ASSERT_TRUE(rm.startRouting("GND", {"R3", "1"}, gp_Pnt(20, 20, 0)));
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(10, 20, 0)));
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(10, 6, 0)));
    JunctionHost host;
    ASSERT_TRUE(rm.findHostSegment("GND", gp_Pnt(10, 0.2, 0), 0.25, host));
    FoundationLogCapture capture;
    // The track stops 5 mm short of the host: refused, still drawing.
    EXPECT_FALSE(rm.finishRoutingOnTrack(host));
    EXPECT_TRUE(capture.contains("does not reach"));
    EXPECT_TRUE(rm.isRouting());

    JunctionHost wrong = host;
    wrong.routeIndex = 5;
    EXPECT_FALSE(rm.finishRoutingOnTrack(wrong));
    wrong = host;
    wrong.point = gp_Pnt(10, 3, 0);
    EXPECT_FALSE(rm.finishRoutingOnTrack(wrong));
    EXPECT_TRUE(capture.contains("outside the host segment's footprint"));

    ASSERT_TRUE(rm.addRoutePoint(host.point));
    ASSERT_TRUE(rm.finishRoutingOnTrack(host));
    ASSERT_EQ(rm.routes().size(), 2);
    const Route& tee = rm.routes().at(1);
    EXPECT_TRUE(tee.endsOnTrack);
    EXPECT_TRUE(tee.endRef.isEmpty());
    EXPECT_TRUE(tee.endJunction.IsEqual(host.point, 1e-12));
    JunctionHost found;
    EXPECT_TRUE(RoutingManager::hostOfJunction(rm.routes(), 1, found));
    EXPECT_EQ(found.routeIndex, 0);
}

TEST_F(RouteBuilding, CollisionRefusesTheSegmentAndKeepsTheOpenOne)
{
    // A VCC track along Y 10 from R1/2; GND then tries to cross it.
    ASSERT_TRUE(rm.startRouting("VCC", {"R1", "2"}, gp_Pnt(0, 10, 0)));
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(40, 10, 0)));
    ASSERT_TRUE(rm.finishRouting({"R2", "2"}));

    ASSERT_TRUE(rm.startRouting("GND", {"R3", "1"}, gp_Pnt(20, 20, 0)));
    FoundationLogCapture capture;
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(20, 0, 0)));
    EXPECT_TRUE(capture.contains("Short circuit with: \"VCC\"")) << capture.joined().toStdString();
    // The segment's flat end 0.3 mm from the VCC track's edge at Y 11: clearance.
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(20, 11.3, 0)));
    EXPECT_TRUE(capture.contains("Insufficient clearance with: \"VCC\""));
    // U1/5 has no net: the pad is named by its label.
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(22.7, 20, 0)));
    EXPECT_TRUE(capture.contains("\"U1/5\""));
    ASSERT_EQ(rm.currentRoute().segments.size(), 1);
    EXPECT_TRUE(rm.currentEndPoint().IsEqual(gp_Pnt(20, 20, 0), 1e-12));
    EXPECT_TRUE(rm.addRoutePoint(gp_Pnt(20, 11.6, 0)));
}

TEST_F(RouteBuilding, PreviewFollowsTheModeWithoutChangingTheModel)
{
    EXPECT_TRUE(rm.previewSegment(gp_Pnt(1, 2, 3)).start.IsEqual(gp_Pnt(0, 0, 0), 0.0));
    ASSERT_TRUE(startAtR1());
    RouteSegment p = rm.previewSegment(gp_Pnt(4, 5, 6));
    EXPECT_TRUE(p.end.IsEqual(gp_Pnt(4, 5, 0), 1e-12));
    rm.toggleMode();
    p = rm.previewSegment(gp_Pnt(4, 5, 6));
    EXPECT_EQ(p.type, RouteSegment::Vertical);
    EXPECT_TRUE(p.end.IsEqual(gp_Pnt(0, 0, 6), 1e-12));
    EXPECT_TRUE(rm.currentRoute().segments.last().end.IsEqual(gp_Pnt(0, 0, 0), 0.0));
}

TEST_F(RouteBuilding, TheBendOfANewSegmentIsTested)
{
    // A thin VCC column just outside the corner that GND will turn at (10,0), inside its filler.
    Route vcc;
    vcc.netName = "VCC";
    vcc.isComplete = true;
    vcc.segments = {segment({10.75, 0.75, 0}, {10.75, 0.75, 1}, RouteSegment::Vertical, 0.2)};
    rm.addRoute(vcc);
    ASSERT_TRUE(startAtR1());
    ASSERT_TRUE(rm.addRoutePoint(gp_Pnt(10, 0, 0)));
    FoundationLogCapture capture;
    EXPECT_FALSE(rm.addRoutePoint(gp_Pnt(10, -10, 0)));
    EXPECT_TRUE(capture.contains("Short circuit with: \"VCC\"")) << capture.joined().toStdString();
    EXPECT_EQ(rm.currentRoute().segments.size(), 2);
    EXPECT_TRUE(rm.currentEndPoint().IsEqual(gp_Pnt(10, 0, 0), 1e-12));
}
