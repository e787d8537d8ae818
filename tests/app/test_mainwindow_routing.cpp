// The window's side of routing under a real view: finished tracks, clearing and resizing
// become undo steps, and a refused resize is not one.
#include "mainwindowprobe.h"

#include "interaction/routingcontroller.h"
#include "routing/routingmanager.h"
#include "testsupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

Route track(const QString& net, double y)
{
    Route r;
    r.netName = net;
    r.startRef = "R1";
    r.startPad = "1";
    r.endRef = "R2";
    r.endPad = "1";
    r.isComplete = true;
    for (int i = 0; i < 2; ++i) {
        RouteSegment s;
        s.start = gp_Pnt(i * 10.0, y, 0);
        s.end = gp_Pnt(i * 10.0 + 10.0, y, 0);
        RoutingManager::buildSegmentShape(s);
        r.segments.append(s);
    }
    return r;
}

class MainWindowRouting : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<MainWindow>();
        probe = std::make_unique<MainWindowProbe>(*window);
        window->show();
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->isViewerReady(); }, 5000));
    }
    RoutingManager& routing() { return probe->project().routingManager(); }

    TestSupport::IsolatedSettings settings;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

} // namespace

TEST_F(MainWindowRouting, FinishedTrackIsOneUndoStep)
{
    routing().addRoute(track("GND", 0));
    emit probe->routingController()->routeFinalized(routing().routes().last());
    EXPECT_EQ(probe->undoStack()->count(), 1);
    EXPECT_EQ(routing().routes().size(), 1) << "the push does not add the track a second time";
    EXPECT_EQ(probe->routingController()->routeShapes().size(), 1);
    probe->undoStack()->undo();
    EXPECT_TRUE(routing().routes().isEmpty());
    EXPECT_TRUE(probe->routingController()->routeShapes().isEmpty());
    probe->undoStack()->redo();
    EXPECT_EQ(routing().routes().size(), 1);
}

TEST_F(MainWindowRouting, ClearTracks)
{
    probe->clearTracks();
    EXPECT_EQ(probe->status(), "No track to clear");
    EXPECT_EQ(probe->undoStack()->count(), 0);
    routing().addRoute(track("A", 0));
    routing().addRoute(track("B", 10));
    probe->clearTracks();
    EXPECT_TRUE(routing().routes().isEmpty());
    EXPECT_EQ(probe->status(), "All tracks have been cleared (Ctrl+Z to undo)");
    probe->undoStack()->undo();
    EXPECT_EQ(routing().routes().size(), 2);
}

TEST_F(MainWindowRouting, RefusedResizeIsNoUndoStep)
{
    routing().addRoute(track("A", 0));
    probe->refreshRoutingViews();
    probe->applyTrackProperties(0, TrackProperties{0.0, 1.0}); // no solid can have no width
    EXPECT_EQ(probe->undoStack()->count(), 0);
    EXPECT_EQ(routing().routes().first().segments.first().width, 2.0);
    EXPECT_TRUE(probe->status().contains("unchanged")) << probe->status().toStdString();

    probe->applyTrackProperties(0, TrackProperties{3.0, 2.0});
    ASSERT_EQ(probe->undoStack()->count(), 1);
    EXPECT_EQ(routing().routes().first().segments.first().width, 3.0);
    probe->undoStack()->undo();
    EXPECT_EQ(routing().routes().first().segments.first().width, 2.0);
    EXPECT_NEAR(routing().routes().first().segments.first().start.Z(), 0.0, 1e-12);
}
