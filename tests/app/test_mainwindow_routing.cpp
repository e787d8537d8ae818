// The window's side of routing under a real view: finished tracks, clearing and resizing
// become undo steps, and a refused resize is not one.
#include "../project/routebuilder.h"
#include "mainwindowprobe.h"

#include "interaction/routingcontroller.h"
#include "routing/routingmanager.h"
#include "testsupport.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

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
    routing().addRoute(RouteBuilder::solidRoute("GND", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
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
    routing().addRoute(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
    routing().addRoute(RouteBuilder::solidRoute("B", {{0, 10, 0}, {10, 10, 0}, {20, 10, 0}}));
    probe->clearTracks();
    EXPECT_TRUE(routing().routes().isEmpty());
    EXPECT_EQ(probe->status(), "All tracks have been cleared (Ctrl+Z to undo)");
    probe->undoStack()->undo();
    EXPECT_EQ(routing().routes().size(), 2);
}

TEST_F(MainWindowRouting, RefusedResizeIsNoUndoStep)
{
    routing().addRoute(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}}));
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

TEST_F(MainWindowRouting, ExportTakesTheDisplayedTrackSolids)
{
    routing().addRoute(RouteBuilder::solidRoute("A", {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}));
    probe->refreshRoutingViews();
    const AssemblyInput input = probe->assemblyInput();
    ASSERT_TRUE(input.routeShape);
    ASSERT_EQ(probe->routingController()->routeShapes().size(), 1);
    const TopoDS_Shape shown = probe->routingController()->routeShapes().first()->Shape();
    EXPECT_TRUE(input.routeShape(routing().routes().first()).IsSame(shown)) << "no second build for the export";

    // A resize is exported at its new section, display refreshed or not.
    probe->applyTrackProperties(0, TrackProperties{3.0, 2.0});
    ASSERT_EQ(probe->undoStack()->count(), 1);
    const Route& resized = routing().routes().first();
    const double expected = TestSupport::volumeOf(RoutingManager::createRouteShape(resized));
    EXPECT_NEAR(TestSupport::volumeOf(probe->assemblyInput().routeShape(resized)), expected, 1e-9 * expected);
    probe->undoStack()->undo();
    const Route& restored = routing().routes().first();
    EXPECT_NEAR(TestSupport::volumeOf(probe->assemblyInput().routeShape(restored)),
                TestSupport::volumeOf(RoutingManager::createRouteShape(restored)), 1e-6);
}
