// The window's side of routing under a real view: finished tracks, clearing and resizing
// become undo steps, and a refused resize is not one.
#include "../project/routebuilder.h"
#include "mainwindowprobe.h"

#include "interaction/routingcontroller.h"
#include "routing/routingmanager.h"
#include "testsupport.h"

#include <QTest>

#include <cmath>

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

    // An L of two 10 mm runs, flush ends, a round at the bend: the plan is two w × 10 strips
    // less their w/2 × w/2 overlap, plus the quarter disc outside the bend.
    const auto lVolume = [](double w, double h) {
        const double r = w / 2;
        return h * (2 * 10 * w - r * r + M_PI * r * r / 4);
    };
    const auto expectSection = [&](double w, double h) {
        const Route& route = routing().routes().first();
        const TopoDS_Shape exported = probe->assemblyInput().routeShape(route);
        EXPECT_NEAR(TestSupport::volumeOf(exported), lVolume(w, h), 1e-6 * lVolume(w, h)) << w << " x " << h;
        const TestSupport::Box box = TestSupport::boxOf(exported);
        EXPECT_NEAR(box.ymin, -w / 2, 1e-6);
        EXPECT_NEAR(box.xmax, 10 + w / 2, 1e-6);
        EXPECT_NEAR(box.zmax - box.zmin, h, 1e-6);
    };
    expectSection(2.0, 1.0);

    // A resize is exported at its new section, display refreshed or not.
    probe->applyTrackProperties(0, TrackProperties{3.0, 2.0});
    ASSERT_EQ(probe->undoStack()->count(), 1);
    expectSection(3.0, 2.0);
    probe->undoStack()->undo();
    expectSection(2.0, 1.0);
}
