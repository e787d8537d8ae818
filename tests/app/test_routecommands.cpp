// Undo and redo of track edits on the routing model, found again by identity.
#include "../project/routebuilder.h"
#include "logcapture.h"

#include "app/routecommands.h"
#include "routing/routingmanager.h"

#include <QUndoStack>

#include <gtest/gtest.h>

namespace {

class RouteCommands : public ::testing::Test
{
protected:
    // A route drawn interactively: already in the model when its command is pushed.
    quint64 drawn(const Route& route)
    {
        rm.addRoute(route);
        stack.push(new AddRouteCommand(&rm, rm.routes().last(), refresh));
        return rm.routes().last().id;
    }
    QStringList nets() const
    {
        QStringList out;
        for (const Route& r : rm.routes())
            out << r.netName;
        return out;
    }

    RoutingManager rm;
    QUndoStack stack;
    int refreshes = 0;
    RefreshCallback refresh = [this] { ++refreshes; };
};

} // namespace

TEST_F(RouteCommands, AddUndoRedoKeepsTheIdentity)
{
    const quint64 id = drawn(RouteBuilder::solidRoute("GND", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}}));
    EXPECT_EQ(rm.routes().size(), 1);
    EXPECT_EQ(refreshes, 1); // the first redo only refreshes
    EXPECT_EQ(stack.text(0), "Add track GND (R1/1 → R2/1)");
    stack.undo();
    EXPECT_TRUE(rm.routes().isEmpty());
    stack.redo();
    ASSERT_EQ(rm.routes().size(), 1);
    EXPECT_EQ(rm.routes().first().id, id);
    stack.undo();
    EXPECT_TRUE(rm.routes().isEmpty());
}

TEST_F(RouteCommands, ClearAndDeleteComeBackByIdentity)
{
    drawn(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}}));
    const quint64 b = drawn(RouteBuilder::solidRoute("B", {{0, 10, 0}, {10, 10, 0}, {20, 10, 0}, {30, 10, 0}}));
    drawn(RouteBuilder::solidRoute("C", {{0, 20, 0}, {10, 20, 0}, {20, 20, 0}, {30, 20, 0}}));
    stack.push(new ClearAllRoutesCommand(&rm, refresh));
    EXPECT_EQ(stack.text(3), "Clear all tracks (3)");
    EXPECT_TRUE(rm.routes().isEmpty());
    stack.undo();
    EXPECT_EQ(nets(), (QStringList{"A", "B", "C"}));

    stack.push(new DeleteRouteCommand(&rm, 1, refresh));
    EXPECT_EQ(nets(), (QStringList{"A", "C"}));
    stack.undo();
    EXPECT_EQ(nets(), (QStringList{"A", "C", "B"})); // back at the end, with its identity
    EXPECT_EQ(rm.routes().last().id, b);

    // A delete built from a bad index only refreshes, both ways.
    const int before = refreshes;
    stack.push(new DeleteRouteCommand(&rm, 9, refresh));
    EXPECT_EQ(stack.text(stack.index() - 1), "Delete track");
    stack.undo();
    EXPECT_EQ(nets(), (QStringList{"A", "C", "B"}));
    EXPECT_EQ(refreshes, before + 2);
}

TEST_F(RouteCommands, MoveThenDeleteThenUndoTwice)
{
    const quint64 id = drawn(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}}));
    SegmentDragCommit commit;
    commit.segmentIndex = 1;
    commit.routeId = id;
    const QList<RouteSegment>& s = rm.routes().first().segments;
    commit.before = {{{s[0].start, s[0].end}, {s[1].start, s[1].end}, {s[2].start, s[2].end}}};
    commit.after = {{{s[0].start, gp_Pnt(10, 5, 0)}, {gp_Pnt(10, 5, 0), gp_Pnt(20, 5, 0)},
                     {gp_Pnt(20, 5, 0), s[2].end}}};
    ASSERT_TRUE(rm.setSegmentEndpointsAtomic(0, {{0, s[0].start, gp_Pnt(10, 5, 0)},
                                                 {1, gp_Pnt(10, 5, 0), gp_Pnt(20, 5, 0)},
                                                 {2, gp_Pnt(20, 5, 0), s[2].end}}));
    stack.push(new MoveSegmentCommand(&rm, commit, refresh));
    EXPECT_EQ(stack.text(1), "Move segment 2");
    stack.push(new DeleteRouteCommand(&rm, 0, refresh));
    EXPECT_TRUE(rm.routes().isEmpty());
    stack.undo(); // the track is back
    ASSERT_EQ(rm.routes().size(), 1);
    EXPECT_NEAR(rm.routes().first().segments[1].start.Y(), 5.0, 1e-12);
    stack.undo(); // then the move is undone on it
    EXPECT_NEAR(rm.routes().first().segments[1].start.Y(), 0.0, 1e-12);
    stack.redo();
    EXPECT_NEAR(rm.routes().first().segments[1].start.Y(), 5.0, 1e-12);
}

TEST_F(RouteCommands, StepsThatCannotApplyDropThemselves)
{
    const quint64 id = drawn(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}}));
    // A move recorded on a segment that is no longer central.
    SegmentDragCommit commit;
    commit.segmentIndex = 2;
    commit.routeId = id;
    stack.push(new MoveSegmentCommand(&rm, commit, refresh));
    ASSERT_EQ(stack.count(), 2);
    FoundationLogCapture capture;
    stack.undo();
    EXPECT_TRUE(capture.contains("is not central (nSegs= 3 )"));
    EXPECT_EQ(stack.count(), 1) << "the step that could not apply is gone from the history";

    // A vertex move on a track deleted outside the history.
    VertexDragCommit vertex;
    vertex.vertexIndex = 0;
    vertex.routeId = id;
    vertex.dragSlots[1].segmentIndex = 0;
    stack.push(new MoveVertexCommand(&rm, vertex, refresh));
    ASSERT_TRUE(rm.removeRouteAt(0));
    stack.undo();
    EXPECT_TRUE(capture.contains("not found (deleted since?)"));
    EXPECT_EQ(stack.count(), 1);
}

TEST_F(RouteCommands, ResizeUndoGivesEachSegmentItsOwnSection)
{
    Route mixed = RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}});
    mixed.segments[1].width = 3.0;
    mixed.segments[1].height = 2.0;
    mixed.segments[1].start.SetZ(-1.0);
    mixed.segments[1].end.SetZ(-1.0);
    RoutingManager::buildSegmentShape(mixed.segments[1]);
    const quint64 id = drawn(mixed);
    QList<SegmentResize> entries;
    for (int i = 0; i < 3; ++i) {
        const RouteSegment& s = rm.routes().first().segments[i];
        entries.append({i, s.width, s.height, 1.5, 1.0});
    }
    ASSERT_TRUE(rm.setRouteDimensions(0, 1.5, 1.0));
    stack.push(new ResizeRouteCommand(&rm, id, entries, {}, refresh));
    EXPECT_EQ(stack.text(1), "Resize track A");
    stack.undo();
    const QList<RouteSegment>& s = rm.routes().first().segments;
    EXPECT_EQ(s[0].width, 2.0);
    EXPECT_EQ(s[1].width, 3.0);
    EXPECT_EQ(s[1].height, 2.0);
    EXPECT_NEAR(s[1].start.Z(), -1.0, 1e-12);
    stack.redo();
    EXPECT_EQ(rm.routes().first().segments[1].width, 1.5);

    // An entry the model refuses makes the step drop itself; the other entries still apply.
    QList<SegmentResize> bad = entries;
    bad[0].oldWidth = 0.0;
    stack.push(new ResizeRouteCommand(&rm, id, bad, {}, refresh));
    const int count = stack.count();
    FoundationLogCapture capture;
    stack.undo();
    EXPECT_EQ(stack.count(), count - 1);
    EXPECT_EQ(rm.routes().first().segments[1].width, 3.0);
}

// Undo and redo of a host's resize put the junction on it back where each state had it, rather
// than test again whether it follows: a host thinned with its top kept lifts the junction out of
// its new section; a host thickened downward reaches a junction below it that did not move.
TEST_F(RouteCommands, ResizeOfAHostGivesItsJunctionBackExactly)
{
    struct Row
    {
        const char* name;
        double hostHeight, newHeight; // of the host, 2 mm wide
        double junction, teeZ, teeHeight;
        bool onHostBefore;
    };
    for (const Row& row : {Row{"thinned", 2.0, 1.0, 1.5, 1.0, 1.0, true},
                           Row{"thickened down to it", 1.0, 2.0, -0.5, -1.0, 1.5, false}}) {
        SCOPED_TRACE(row.name);
        rm.clearRoutes();
        stack.clear();
        Route host = RouteBuilder::route("A", "R1", "1", "R2", "1", {{0, 0, 0}, {30, 0, 0}});
        host.segments[0].height = row.hostHeight;
        const quint64 hostId = drawn(RouteBuilder::withSolids(host));
        Route tee = RouteBuilder::junctionRoute("A", "R3", "1", gp_Pnt(15, 0, row.junction),
                                                {{15, -10, row.teeZ}, {15, 0, row.teeZ}});
        tee.segments[0].height = row.teeHeight;
        drawn(RouteBuilder::withSolids(tee));
        const QList<JunctionEnd> before = ResizeRouteCommand::junctionEnds(rm, hostId);
        ASSERT_EQ(before.size(), 1);
        EXPECT_EQ(before.first().onHost, row.onHostBefore);

        ASSERT_TRUE(rm.setRouteDimensions(0, 2.0, row.newHeight));
        const double moved = rm.routes().at(1).endJunction.Z();
        ASSERT_NE(ResizeRouteCommand::junctionEnds(rm, hostId).first().onHost, row.onHostBefore)
            << "the resize takes the junction off its host or onto it";
        stack.push(new ResizeRouteCommand(&rm, hostId, {{0, 2.0, row.hostHeight, 2.0, row.newHeight}}, before,
                                          refresh));
        stack.undo();
        EXPECT_EQ(rm.routes().at(0).segments[0].height, row.hostHeight);
        EXPECT_EQ(rm.routes().at(0).segments[0].start.Z(), 0.0);
        EXPECT_EQ(rm.routes().at(1).endJunction.Z(), row.junction) << "undo gives the junction back";
        stack.redo();
        EXPECT_EQ(rm.routes().at(1).endJunction.Z(), moved) << "redo does what the resize did";
        stack.undo();
        EXPECT_EQ(rm.routes().at(1).endJunction.Z(), row.junction);
    }
}
