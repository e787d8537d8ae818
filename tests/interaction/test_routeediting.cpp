// Selecting and dragging finished tracks through the controller over a fake view.
#include "../project/routebuilder.h"
#include "logcapture.h"
#include "routingtestrig.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace RoutingRigs;

namespace {

class RouteEditing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Three horizontals: (0,0) → (10,0) → (10,10) → (20,10).
        rig.routing().addRoute(RouteBuilder::solidRoute("N1", {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {20, 10, 0}}));
        rig.controller->displayRoutedTracks();
        rig.controller->setRouteEditActive(true);
        rig.view->lookingDown = true; // hover meets the eye ray with each plane itself
    }
    opencascade::handle<AIS_Shape> shape(int i) const { return rig.controller->routeShapes().at(i); }
    void click(double x, double y) { rig.controller->onRouteSegmentClicked(shape(0), px(x, y)); }
    void hover(double x, double y)
    {
        rig.clock += 20;
        rig.controller->onRouteEditMouseMoved(px(x, y));
    }
    const RouteSegment& segment(int i) { return rig.routing().routes().first().segments.at(i); }

    Rig rig;
};

} // namespace

TEST_F(RouteEditing, SelectThenDragASegmentSideways)
{
    QSignalSpy selected(rig.controller.get(), &RoutingController::segmentSelected);
    QSignalSpy committed(rig.controller.get(), &RoutingController::segmentDragCommitted);
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    ASSERT_TRUE(rig.controller->isRouteShape(shape(0)));
    click(10, 5);
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.at(0).at(1).toInt(), 1);
    EXPECT_TRUE(selected.at(0).at(2).toBool());
    EXPECT_TRUE(status.last().at(0).toString().startsWith("Segment 2/3 of net N1 selected — click again"));

    click(10, 5);
    ASSERT_TRUE(rig.controller->isDragging());
    hover(13, 5);
    EXPECT_TRUE(rig.controller->dragSlots()[1].afterStart.IsEqual(gp_Pnt(13, 0, 0), 1e-9));
    // The model does not move before the confirmation.
    EXPECT_TRUE(segment(1).start.IsEqual(gp_Pnt(10, 0, 0), 0.0));

    rig.controller->onRouteEditEmptyClick();
    EXPECT_FALSE(rig.controller->isDragging());
    ASSERT_EQ(committed.size(), 1);
    const SegmentDragCommit info = committed.at(0).at(0).value<SegmentDragCommit>();
    EXPECT_EQ(info.segmentIndex, 1);
    EXPECT_EQ(info.routeId, rig.routing().routes().first().id);
    EXPECT_TRUE(info.before[1].start.IsEqual(gp_Pnt(10, 0, 0), 1e-9));
    EXPECT_TRUE(info.after[1].start.IsEqual(gp_Pnt(13, 0, 0), 1e-9));
    EXPECT_TRUE(segment(0).end.IsEqual(gp_Pnt(13, 0, 0), 1e-9));
    EXPECT_TRUE(segment(2).start.IsEqual(gp_Pnt(13, 10, 0), 1e-9));
    EXPECT_EQ(rig.controller->selectedRoute(), -1);
    EXPECT_EQ(status.last().at(0).toString(), "Drag confirmed");
}

TEST_F(RouteEditing, CollisionKeepsTheDragGoing)
{
    // Another net's short track just right of where the segment is taken.
    rig.routing().addRoute(RouteBuilder::solidRoute("N2", {{14.5, 3, 0}, {14.5, 7, 0}}));
    rig.controller->displayRoutedTracks();
    QSignalSpy committed(rig.controller.get(), &RoutingController::segmentDragCommitted);
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    click(10, 5);
    click(10, 5);
    hover(13, 5);
    EXPECT_TRUE(rig.controller->dragCollides());
    rig.controller->onRouteEditEmptyClick();
    EXPECT_EQ(status.last().at(0).toString(), "Collision — move the mouse or Esc to cancel");
    EXPECT_TRUE(rig.controller->isDragging());
    EXPECT_TRUE(committed.isEmpty());

    // Within 50 ms the last verdict stands; later the new place is tested.
    rig.controller->onRouteEditMouseMoved(px(11.5, 5));
    EXPECT_TRUE(rig.controller->dragCollides());
    hover(11.5, 5);
    rig.clock += 60;
    rig.controller->onRouteEditMouseMoved(px(11.5, 5));
    EXPECT_FALSE(rig.controller->dragCollides());
    rig.controller->onRouteEditEmptyClick();
    EXPECT_EQ(committed.size(), 1);
    EXPECT_NEAR(segment(1).start.X(), 11.5, 1e-9);
}

TEST_F(RouteEditing, CornerDragAndItsLimits)
{
    QSignalSpy committed(rig.controller.get(), &RoutingController::vertexDragCommitted);
    click(5, 0); // segment 0 selected
    hover(10.5, 0.5);
    ASSERT_EQ(rig.controller->hoveredVertex(), 0);
    click(5, 0);
    ASSERT_TRUE(rig.controller->isDragging());
    hover(12, -2);
    EXPECT_TRUE(rig.controller->dragSlots()[1].afterEnd.IsEqual(gp_Pnt(12, -2, 0), 1e-9));
    // A position leaving segment 0 only 0.3 mm long is skipped; the last valid one stays.
    hover(0.3, 0);
    EXPECT_TRUE(rig.controller->dragSlots()[1].afterEnd.IsEqual(gp_Pnt(12, -2, 0), 1e-9));
    click(5, 0); // any click confirms
    ASSERT_EQ(committed.size(), 1);
    const VertexDragCommit info = committed.at(0).at(0).value<VertexDragCommit>();
    EXPECT_EQ(info.vertexIndex, 0);
    EXPECT_FALSE(info.dragSlots[0].isUsed());
    EXPECT_FALSE(info.dragSlots[3].isUsed());
    EXPECT_TRUE(info.dragSlots[0].afterStart.IsEqual(gp_Pnt(0, 0, 0), 0.0));
    EXPECT_TRUE(segment(1).start.IsEqual(gp_Pnt(12, -2, 0), 1e-9));
}

TEST_F(RouteEditing, KeysHoverThrottleAndRebuilds)
{
    QSignalSpy deselected(rig.controller.get(), &RoutingController::segmentDeselected);
    QSignalSpy deleteRequested(rig.controller.get(), &RoutingController::deleteRouteRequested);
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    rig.controller->onRouteEditKeyPress(Qt::Key_Delete);
    EXPECT_EQ(status.last().at(0).toString(), "No track selected");

    // Delete during a drag cancels it and deletes nothing.
    click(10, 5);
    click(10, 5);
    rig.controller->onRouteEditKeyPress(Qt::Key_Delete);
    EXPECT_FALSE(rig.controller->isDragging());
    EXPECT_TRUE(deleteRequested.isEmpty());
    EXPECT_EQ(status.last().at(0).toString(), "Drag cancelled (Delete ignored during drag)");

    // A rebuild of the tracks ends a selection, once.
    click(10, 5);
    deselected.clear();
    rig.controller->displayRoutedTracks();
    rig.controller->displayRoutedTracks();
    EXPECT_EQ(deselected.size(), 1);

    click(10, 5);
    rig.controller->onRouteEditKeyPress(Qt::Key_Backspace);
    ASSERT_EQ(deleteRequested.size(), 1);
    EXPECT_EQ(deleteRequested.at(0).at(0).toInt(), 0);

    // Two moves within 16 ms: only the first updates the hover.
    hover(10.5, 0.5);
    ASSERT_EQ(rig.controller->hoveredVertex(), 0);
    rig.controller->onRouteEditMouseMoved(px(50, 50));
    EXPECT_EQ(rig.controller->hoveredVertex(), 0);
    hover(50, 50);
    EXPECT_EQ(rig.controller->hoveredVertex(), -1);

    // During a drag a rebuild is skipped with a warning.
    click(10, 5);
    click(10, 5);
    ASSERT_TRUE(rig.controller->isDragging());
    FoundationLogCapture capture;
    rig.controller->displayRoutedTracks();
    EXPECT_TRUE(capture.contains("displayRoutedTracks: skipped (drag in progress)"));
    rig.controller->onRouteEditKeyPress(Qt::Key_Escape);
    EXPECT_FALSE(rig.controller->isDragging());
}

// An undo that lands during a drag changes the tracks under it: the drag must neither commit
// positions taken from the old geometry nor leave shapes of tracks that are gone.
TEST_F(RouteEditing, TracksChangedDuringADragAreRespected)
{
    QSignalSpy committed(rig.controller.get(), &RoutingController::segmentDragCommitted);
    click(10, 5);
    click(10, 5);
    hover(13, 5);
    ASSERT_TRUE(rig.controller->isDragging());
    // The same corners moved elsewhere, as an undo of an earlier move would do.
    ASSERT_TRUE(rig.routing().setSegmentEndpointsAtomic(
        0, {{0, gp_Pnt(0, 0, 0), gp_Pnt(8, 0, 0)}, {1, gp_Pnt(8, 0, 0), gp_Pnt(8, 10, 0)},
            {2, gp_Pnt(8, 10, 0), gp_Pnt(20, 10, 0)}}));
    rig.controller->displayRoutedTracks();
    rig.controller->onRouteEditEmptyClick();
    EXPECT_FALSE(rig.controller->isDragging());
    EXPECT_TRUE(committed.isEmpty());
    EXPECT_NEAR(segment(1).start.X(), 8.0, 1e-9);
    EXPECT_NEAR(segment(0).end.X(), 8.0, 1e-9);

    // A track removed during a drag that is then cancelled leaves no shape behind.
    rig.routing().addRoute(RouteBuilder::solidRoute("N2", {{0, 30, 0}, {10, 30, 0}}));
    rig.controller->displayRoutedTracks();
    ASSERT_EQ(rig.controller->routeShapes().size(), 2);
    click(8, 5);
    click(8, 5);
    ASSERT_TRUE(rig.controller->isDragging());
    ASSERT_TRUE(rig.routing().removeRouteAt(1));
    rig.controller->displayRoutedTracks();
    rig.controller->onRouteEditKeyPress(Qt::Key_Escape);
    EXPECT_FALSE(rig.controller->isDragging());
    EXPECT_EQ(rig.controller->routeShapes().size(), 1);
}

TEST_F(RouteEditing, TheBendsOfADraggedSegmentAreTested)
{
    // Dragging the middle segment to X 13 bends the track at (13,0) towards (+X,-Y); a thin
    // N2 column 0.65 mm off both segments there sits inside that bend's filler.
    Route n2;
    n2.netName = "N2";
    n2.isComplete = true;
    RouteSegment column;
    column.type = RouteSegment::Vertical;
    column.start = gp_Pnt(13.75, -0.75, 0);
    column.end = gp_Pnt(13.75, -0.75, 1);
    column.width = 0.2;
    ASSERT_TRUE(RoutingManager::buildSegmentShape(column));
    n2.segments = {column};
    rig.routing().addRoute(n2);
    rig.controller->displayRoutedTracks();
    QSignalSpy committed(rig.controller.get(), &RoutingController::segmentDragCommitted);
    click(10, 5);
    click(10, 5);
    hover(13, 5);
    rig.controller->onRouteEditEmptyClick();
    EXPECT_TRUE(rig.controller->isDragging());
    EXPECT_TRUE(committed.isEmpty());
    EXPECT_NEAR(segment(1).start.X(), 10.0, 1e-9);
    rig.controller->onRouteEditKeyPress(Qt::Key_Escape);
}
