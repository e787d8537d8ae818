// Drawing tracks between real pads: components of a real netlist built from KiCad's
// library, driven through the controller over a fake view.
#include "logcapture.h"
#include "routingtestrig.h"

#include "model/footprintdata.h"
#include "model/savedcomponent.h"
#include "project/projectmanager.h"

#include <QJsonObject>

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace RoutingRigs;

namespace {

QString lastStatus(const QSignalSpy& spy)
{
    return spy.isEmpty() ? QString() : spy.last().at(0).toString();
}

// R2 (pads 1 at (0,0), 2 at (7.62,0)), R3 at (0,30), R4 at (32.38,10); the rest far away.
class DrawingOnRealPads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(rig.netlistLoaded);
        int i = 0;
        for (const QString& ref : rig.parts.manager.components().keys())
            rig.place(ref, 200.0 + 40.0 * i++, 200.0);
        ASSERT_TRUE(rig.place("R2", 0, 0));
        ASSERT_TRUE(rig.place("R3", 0, 30));
        ASSERT_TRUE(rig.place("R4", 32.38, 10));
        rig.controller->setRoutingActive(true);
    }

    // Mouse to (x, y) on the current height, then a click there.
    void clickAt(double x, double y)
    {
        rig.controller->onMouseMove(px(x, y));
        rig.controller->onIntermediatePointClicked(gp_Pnt());
    }
    void drawFirstTrack()
    {
        rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
        clickAt(7.62, 15);
        rig.controller->onMouseMove(px(7.62, 30));
        rig.controller->onPadClicked({"R3", "2"}, gp_Pnt());
    }

    Rig rig{"ecc83-pp.net"};
};

} // namespace

TEST_F(DrawingOnRealPads, PadToPadTrack)
{
    EXPECT_EQ(rig.view->modes, QList<int>{2});
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    QSignalSpy finalized(rig.controller.get(), &RoutingController::routeFinalized);
    QSignalSpy label(rig.controller.get(), &RoutingController::routingLabelChanged);

    rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
    ASSERT_TRUE(rig.routing().isRouting());
    EXPECT_EQ(label.last().at(0).toString(), "Routing: GND");
    EXPECT_TRUE(rig.routing().currentEndPoint().IsEqual(rig.base("R2", "2"), 1e-9));

    rig.controller->onMouseMove(px(7.62, 15));
    EXPECT_TRUE(rig.controller->hasSegmentPreview());
    EXPECT_TRUE(rig.controller->hasPadGuide());
    rig.controller->onIntermediatePointClicked(gp_Pnt(99, 99, 99)); // acts at the previewed point
    EXPECT_EQ(lastStatus(status), "Point set — continue routing");
    EXPECT_NEAR(rig.routing().currentEndPoint().Y(), 15.0, 1e-9);

    // Straight into R2/1, another net: refused with the reason, the track unchanged.
    clickAt(0.3, 0.3);
    EXPECT_TRUE(lastStatus(status).contains("Short circuit")) << lastStatus(status).toStdString();
    EXPECT_EQ(rig.routing().currentRoute().segments.size(), 2);

    rig.controller->onMouseMove(px(7.62, 30));
    rig.controller->onPadClicked({"R3", "1"}, gp_Pnt()); // another net
    EXPECT_EQ(lastStatus(status), "Error: cannot end on this pad");
    rig.controller->onPadClicked({"P5", "1"}, gp_Pnt()); // a pad on no routable net
    rig.controller->onPadClicked({"R3", "2"}, gp_Pnt());
    EXPECT_EQ(lastStatus(status), "Track finished");
    ASSERT_EQ(finalized.size(), 1);
    const Route route = finalized.at(0).at(0).value<Route>();
    EXPECT_NE(route.id, 0u);
    EXPECT_EQ(route.netName, "GND");
    EXPECT_EQ(route.endRef, "R3");
    EXPECT_EQ(route.segments.size(), 2);
    EXPECT_FALSE(rig.routing().isRouting());
    ASSERT_EQ(rig.controller->routeShapes().size(), 1);
    EXPECT_FALSE(rig.controller->routeShapes().first().IsNull());
    EXPECT_FALSE(rig.controller->hasSegmentPreview());
}

TEST_F(DrawingOnRealPads, AnEndThatDoesNotReachItsPadIsRefused)
{
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    QSignalSpy finalized(rig.controller.get(), &RoutingController::routeFinalized);
    rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
    // Up 4 mm, then a click on R3/2: the horizontal would pass 3 mm above the pad.
    rig.controller->onKeyPress(Qt::Key_B, px(7.62, 0));
    rig.controller->onMouseMove(QPoint(76, -30));
    EXPECT_NEAR(rig.controller->lastTarget().Z(), 3.0, 1e-9);
    rig.controller->onIntermediatePointClicked(gp_Pnt());
    ASSERT_EQ(rig.routing().currentRoute().segments.size(), 2);
    rig.controller->onPadClicked({"R3", "2"}, gp_Pnt());
    EXPECT_TRUE(lastStatus(status).startsWith("Error: cannot end on this pad — ")) << lastStatus(status).toStdString();
    EXPECT_TRUE(finalized.isEmpty());
    EXPECT_TRUE(rig.routing().routes().isEmpty());
    // Nothing half-done: the point added for the end was taken back.
    ASSERT_TRUE(rig.routing().isRouting());
    EXPECT_EQ(rig.routing().currentRoute().segments.size(), 2);
}

namespace {

Quantity_NameOfColor previewColour(const RoutingController& controller)
{
    Quantity_Color colour;
    controller.segmentPreview()->Color(colour);
    return colour.Name();
}

} // namespace

// An end on a pad of the net whose last segment crosses another net's pad is refused with
// the reason an intermediate click there gives, and the preview said so in advance.
TEST_F(DrawingOnRealPads, AnEndAcrossAnotherNetsPadSaysWhy)
{
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    rig.controller->onPadClicked({"R3", "2"}, gp_Pnt());
    clickAt(7.62, 15);
    clickAt(-8, 15);
    clickAt(-8, 0);
    ASSERT_EQ(rig.routing().currentRoute().segments.size(), 4) << lastStatus(status).toStdString();

    rig.clock += 100;
    rig.controller->onMouseMove(px(7.62, 0)); // over R2/1 towards R2/2
    ASSERT_TRUE(rig.controller->hasSegmentPreview());
    EXPECT_EQ(previewColour(*rig.controller), Quantity_NOC_RED);

    rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
    const QString refusal = lastStatus(status);
    EXPECT_TRUE(refusal.startsWith("Error: Short circuit with ")) << refusal.toStdString();
    EXPECT_TRUE(rig.routing().isRouting());
    EXPECT_EQ(rig.routing().currentRoute().segments.size(), 4);
    clickAt(7.62, 0);
    EXPECT_EQ(lastStatus(status), refusal) << "the same reason on both paths";

    // Within the throttle the verdict stays; after it, a clear position is drawn as usual.
    rig.controller->onMouseMove(px(-20, 0));
    EXPECT_EQ(previewColour(*rig.controller), Quantity_NOC_RED);
    rig.clock += 100;
    rig.controller->onMouseMove(px(-20, 0));
    EXPECT_EQ(previewColour(*rig.controller), Quantity_NOC_CYAN);
}

// A pin that the netlist names in two nets belongs to the first: a track of that net may end
// on it, and the collision test sees it as that net's pad, not the later one's.
TEST_F(DrawingOnRealPads, APinNamedInTwoNetsBelongsToTheFirstEverywhere)
{
    Netlist netlist = rig.parts.project.netlist();
    ASSERT_EQ(netNameForPad(netlist.connections, {"R3", "2"}), "GND");
    const QString later = netlist.connections.last().netName;
    ASSERT_NE(later, "GND");
    netlist.connections.last().connectedPins.append(PadId("R3", "2"));
    rig.parts.project.setNetlist(std::move(netlist));

    const QList<NetlistNet>& nets = rig.parts.project.netlist().connections;
    const PinNetIndex pinNets(nets);
    for (const RoutingManager::PadObstacle& obstacle : buildPadObstacles(&rig.parts.manager, nets)) {
        const PadId pad(obstacle.label.section('/', 0, 0), obstacle.label.section('/', 1));
        EXPECT_EQ(obstacle.net, netNameForPad(nets, pad)) << obstacle.label.toStdString();
        EXPECT_EQ(obstacle.net, pinNets.netOf(pad)) << obstacle.label.toStdString();
    }

    QSignalSpy finalized(rig.controller.get(), &RoutingController::routeFinalized);
    drawFirstTrack();
    ASSERT_EQ(finalized.size(), 1);
    EXPECT_EQ(finalized.at(0).at(0).value<Route>().netName, "GND");
    EXPECT_EQ(finalized.at(0).at(0).value<Route>().endRef, "R3");
}

TEST_F(DrawingOnRealPads, TJunctionAndSaveReload)
{
    drawFirstTrack();
    ASSERT_EQ(rig.routing().routes().size(), 1);
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    rig.controller->onPadClicked({"R4", "2"}, gp_Pnt());
    ASSERT_TRUE(rig.routing().isRouting());
    clickAt(40, 20);
    // 0.38 mm beside the first track's axis, at the same height: a T junction.
    clickAt(8.0, 20);
    EXPECT_EQ(lastStatus(status), "Track finished at a junction on GND");
    ASSERT_EQ(rig.routing().routes().size(), 2);
    const Route tee = rig.routing().routes().at(1);
    EXPECT_TRUE(tee.endsOnTrack);
    EXPECT_NEAR(tee.endJunction.X(), 7.62, 0.02); // the cursor lands on 0.1 mm steps
    EXPECT_NEAR(tee.endJunction.Y(), 20.0, 0.02);

    QTemporaryDir dir;
    const QString file = dir.filePath("board.vtq");
    ASSERT_TRUE(rig.parts.project.saveProject(file, rig.parts.manager.componentsForSave(),
                                              rig.parts.manager.usedFootprints(), false));
    ProjectManager reloaded;
    QList<QJsonObject> placed;
    QList<FootprintData> prints;
    ASSERT_TRUE(reloaded.loadProject(file, placed, prints)) << reloaded.lastError().toStdString();
    const QList<Route>& before = rig.routing().routes();
    const QList<Route>& after = reloaded.routingManager().routes();
    ASSERT_EQ(after.size(), before.size());
    for (int r = 0; r < before.size(); ++r) {
        EXPECT_EQ(after[r].netName, before[r].netName);
        EXPECT_EQ(after[r].startRef + after[r].startPad, before[r].startRef + before[r].startPad);
        EXPECT_EQ(after[r].endRef + after[r].endPad, before[r].endRef + before[r].endPad);
        EXPECT_EQ(after[r].endsOnTrack, before[r].endsOnTrack);
        ASSERT_EQ(after[r].segments.size(), before[r].segments.size());
        for (int s = 0; s < before[r].segments.size(); ++s) {
            const RouteSegment& a = after[r].segments[s];
            const RouteSegment& b = before[r].segments[s];
            EXPECT_TRUE(a.start.IsEqual(b.start, 0.0) && a.end.IsEqual(b.end, 0.0)) << r << "/" << s;
            EXPECT_EQ(a.type, b.type);
            EXPECT_EQ(a.width, b.width);
            EXPECT_FALSE(a.shape.IsNull());
        }
    }
    JunctionHost host;
    EXPECT_TRUE(RoutingManager::hostOfJunction(after, 1, host));
}

TEST_F(DrawingOnRealPads, HeightSnapCyclesAndExpires)
{
    ASSERT_TRUE(rig.parts.manager.moveComponent("R3", gp_Pnt(0, 30, 5), true));
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    QSignalSpy highlight(rig.controller.get(), &RoutingController::padHighlightRequested);
    rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
    rig.controller->onKeyPress(Qt::Key_N, px(7.62, 30));
    EXPECT_EQ(lastStatus(status), "⚠ Switch to VERTICAL mode first ('B')");
    EXPECT_FALSE(rig.routing().isVerticalMode());

    rig.controller->onKeyPress(Qt::Key_B, px(7.62, 30));
    rig.controller->onKeyPress(Qt::Key_N, px(7.62, 30));
    ASSERT_TRUE(rig.controller->isSnapActive());
    const QString first = lastStatus(status);
    EXPECT_TRUE(first.startsWith("Snap: R3/2 Z=4.00 mm (1/")) << first.toStdString();
    EXPECT_EQ(rig.controller->hoveredPad(), PadId("R3", "2"));
    ASSERT_FALSE(highlight.isEmpty());

    // Further 'N's walk the candidates and come back to the first.
    const int count = first.section('/', -1).chopped(1).toInt();
    ASSERT_GE(count, 2);
    for (int i = 0; i < count; ++i)
        rig.controller->onKeyPress(Qt::Key_N, px(7.62, 30));
    EXPECT_NEAR(rig.controller->snapZ(), 4.0, 1e-9);

    rig.clock += 4900;
    rig.controller->onMouseMove(px(7.62, 30));
    EXPECT_TRUE(rig.controller->isSnapActive());
    EXPECT_NEAR(rig.controller->lastTarget().Z(), 4.0, 1e-9);

    // A click while snapped commits the vertical to the pad's height wherever the cursor is.
    rig.controller->onIntermediatePointClicked(gp_Pnt());
    ASSERT_EQ(rig.routing().currentRoute().segments.size(), 2);
    EXPECT_NEAR(rig.routing().currentRoute().segments.first().end.Z(), 4.0, 1e-9);
    EXPECT_FALSE(rig.controller->isSnapActive());

    rig.controller->onKeyPress(Qt::Key_B, px(7.62, 30));
    rig.controller->onKeyPress(Qt::Key_N, px(7.62, 30));
    ASSERT_TRUE(rig.controller->isSnapActive());
    rig.clock += 5500;
    rig.controller->onMouseMove(px(7.62, 30));
    EXPECT_FALSE(rig.controller->isSnapActive());
    EXPECT_TRUE(status.contains(QVariantList{"VERTICAL mode — snap expired"}));
}

TEST_F(DrawingOnRealPads, KeysAndClicksOutsideATrack)
{
    QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_B), int(Qt::Key_N), int(Qt::Key_Backspace)})
        rig.controller->onKeyPress(key, QPoint());
    rig.controller->onIntermediatePointClicked(gp_Pnt());
    EXPECT_TRUE(status.isEmpty());
    status.clear();

    // A pad on no net (a mounting hole whose single-pin net is dropped): no track starts
    // there, and a track being drawn goes on.
    Netlist netlist = rig.parts.project.netlist();
    netlist.connections.erase(std::remove_if(netlist.connections.begin(), netlist.connections.end(),
                                             [](const NetlistNet& n) { return n.netName.contains("P6"); }),
                              netlist.connections.end());
    rig.parts.project.setNetlist(std::move(netlist));
    rig.controller->onPadClicked({"P6", "1"}, gp_Pnt());
    EXPECT_EQ(lastStatus(status), "Error: no net found for this pad");
    EXPECT_FALSE(rig.routing().isRouting());
    rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
    ASSERT_TRUE(rig.routing().isRouting());
    rig.controller->onPadClicked({"P6", "1"}, gp_Pnt());
    EXPECT_EQ(lastStatus(status), "Error: no net found for this pad");
    EXPECT_TRUE(rig.routing().isRouting());
    rig.controller->onKeyPress(Qt::Key_Backspace, QPoint());
    EXPECT_EQ(lastStatus(status), "Nothing to undo — Esc cancels the track");
    clickAt(7.62, 10);
    rig.controller->onKeyPress(Qt::Key_Backspace, px(7.62, 10));
    EXPECT_EQ(lastStatus(status), "Point undone — HORIZONTAL mode");
    EXPECT_EQ(rig.routing().currentRoute().segments.size(), 1);
    rig.controller->onKeyPress(Qt::Key_Escape, QPoint());
    EXPECT_EQ(lastStatus(status), "Routing cancelled");
    EXPECT_FALSE(rig.routing().isRouting());

    QSignalSpy pads(rig.controller.get(), &RoutingController::padsActivationRequested);
    rig.controller->setRoutingActive(false);
    EXPECT_EQ(rig.view->modes.last(), 0);
    EXPECT_EQ(pads.size(), 1);
    rig.controller->onPadClicked({"R2", "2"}, gp_Pnt());
    EXPECT_FALSE(rig.routing().isRouting());
}

TEST_F(DrawingOnRealPads, PadHoverFollowsThePadIndex)
{
    QSignalSpy on(rig.controller.get(), &RoutingController::padHighlightRequested);
    QSignalSpy off(rig.controller.get(), &RoutingController::padUnhighlightRequested);
    const PlacedComponentData* r2 = rig.parts.manager.findComponent("R2");
    ASSERT_NE(r2, nullptr);
    rig.view->under = PlacedPin::of(*r2, "1").pads().first().shown;
    rig.controller->onMouseMove(QPoint(1, 1));
    rig.view->under = PlacedPin::of(*r2, "2").pads().first().shown;
    rig.controller->onMouseMove(QPoint(2, 2));
    rig.view->under.Nullify();
    rig.controller->onMouseMove(QPoint(3, 3));
    ASSERT_EQ(on.size(), 2);
    EXPECT_EQ(on.at(0).at(0).value<PadId>(), PadId("R2", "1"));
    EXPECT_EQ(on.at(1).at(0).value<PadId>(), PadId("R2", "2"));
    ASSERT_EQ(off.size(), 2);
    EXPECT_EQ(off.at(0).at(0).value<PadId>(), PadId("R2", "1"));
    EXPECT_EQ(off.at(1).at(0).value<PadId>(), PadId("R2", "2"));
}
