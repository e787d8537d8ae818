// Pins whose number a real KiCad footprint gives to several copper pads (a connector's mounting
// pads, a QFN's exposed pad in pieces): a track on any of them is on the pin, for the drawing,
// the connectivity, the ratsnest, the resistance probe and the obstacles, and after a reload.
#include "../interaction/routingtestrig.h"
#include "../project/routebuilder.h"

#include "app/ratsnest.h"
#include "model/footprintdata.h"
#include "model/savedcomponent.h"
#include "project/netconnectivity.h"
#include "routing/resistancecalculator.h"

#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace RoutingRigs;

namespace {

const QString kConnector = QStringLiteral("Connector_JST:JST_SH_SM04B-SRSS-TB_1x04-1MP_P1.00mm_Horizontal");
const QString kQfn = QStringLiteral("Package_DFN_QFN:Infineon_MLPQ-16-14-1EP_4x4mm_P0.5mm");
const QString kCapacitor = QStringLiteral("Capacitor_SMD:C_0805_2012Metric");

const PadId kCap1("C1", "1");
const PadId kMount("J1", "MP");
const PadId kExposed("U1", "17");

// GND joins C1/1, the connector's two MP pads and the QFN's three-piece exposed pad 17.
// J1 sits at the origin; C1 lies beyond J1's second MP pad, away from its signal pins, and
// U1 on the pins' side, nearer that second MP pad than anything else of GND.
class PinPads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFileInfo(TestSupport::kicadFootprintRoot()).isDir())
            GTEST_SKIP() << "KiCad's footprint library is not installed";
        rig.parts.footprints.addSearchPath(TestSupport::kicadFootprintRoot());
        Netlist netlist;
        for (const auto& [ref, footprint] : {std::pair{"C1", kCapacitor}, {"J1", kConnector}, {"U1", kQfn}})
            netlist.components.insert(ref, ComponentTest::netlistComponent(ref, footprint));
        netlist.connections = {{"GND", {kCap1, kMount, kExposed}}, {"SIG", {PadId("C1", "2"), PadId("J1", "1")}}};
        rig.parts.project.setNetlist(std::move(netlist));
        ASSERT_EQ(rig.parts.manager.generateComponents(rig.parts.project.netlist().components).loaded, 3);
        ASSERT_TRUE(rig.place("J1", 0, 0));

        const QList<PinPad> mounts = rig.parts.manager.pin(kMount).pads();
        ASSERT_EQ(mounts.size(), 2);
        secondMount = mounts.at(1).position;
        firstMount = mounts.at(0).position;
        away = secondMount.Y() > rig.parts.manager.pin(PadId("J1", "1")).pads().value(0).position.Y() ? 1.0 : -1.0;
        ASSERT_TRUE(rig.place("C1", secondMount.X() - 12.0, secondMount.Y() + 6.0 * away));
        ASSERT_TRUE(rig.place("U1", secondMount.X() - 6.0, secondMount.Y() - 4.0 * away));
    }

    // Base point of a pin's k-th copper pad, from the table every consumer reads.
    gp_Pnt pieceBase(const PadId& pin, int k) const
    {
        return rig.parts.manager.pin(pin).pads().value(k).basePoint;
    }

    NetConnectivity connectivity(const RoutingManager& routing, const ComponentManager& manager) const
    {
        const PinTable table = manager.pins();
        NetConnectivity nc;
        nc.build(routing, &table);
        return nc;
    }

    ResistanceResult resistance(const PadId& a, const PadId& b)
    {
        return ResistanceCalculator().compute(a, b, rig.routing().routes(), rig.parts.manager.components(),
                                              rig.parts.project.netlist().connections);
    }

    Rig rig;
    gp_Pnt firstMount;
    gp_Pnt secondMount;
    double away = 1.0;
};

} // namespace

// The user's case: a GND track from the capacitor to the connector's second MP pad.
TEST_F(PinPads, TrackDrawnToTheSecondMountingPadIsConnectedEverywhere)
{
    rig.controller->setRoutingActive(true);
    const gp_Pnt start = pieceBase(kCap1, 0);
    const double y = secondMount.Y() + 10.0 * away;
    // Out of C1/1 away from C1/2 (SIG), round C1 and down onto the second MP pad.
    const double x = start.X() + (start.X() < pieceBase(PadId("C1", "2"), 0).X() ? -4.0 : 4.0);
    rig.controller->onPadClicked(kCap1, rig.parts.manager.pin(kCap1).pads().value(0).position);
    ASSERT_TRUE(rig.routing().isRouting());
    for (const gp_Pnt& corner : {gp_Pnt(x, start.Y(), start.Z()), gp_Pnt(x, y, start.Z()),
                                 gp_Pnt(secondMount.X(), y, start.Z())})
        ASSERT_TRUE(rig.routing().addRoutePoint(corner)) << rig.routing().lastRefusal().toStdString();
    // The pad index names the clicked pad's own position, as the view passes it on.
    const PadCacheManager::PadIdentity clicked =
        rig.parts.padCache.identifyPad(rig.parts.manager.pin(kMount).pads().at(1).shown);
    ASSERT_TRUE(clicked.found);
    EXPECT_EQ(clicked.pad, kMount);
    EXPECT_LT(clicked.position.Distance(secondMount), 1e-6);
    rig.controller->onPadClicked(clicked.pad, clicked.position);
    ASSERT_EQ(rig.routing().routes().size(), 1) << rig.routing().lastRefusal().toStdString();
    const Route& track = rig.routing().routes().first();
    EXPECT_EQ(PadId(track.endRef, track.endPad), kMount);
    const gp_Pnt end = track.segments.last().end;
    EXPECT_NEAR(end.X(), secondMount.X(), 1e-6); // where the user clicked, not the first MP pad
    EXPECT_NEAR(end.Y(), secondMount.Y(), 1e-6);

    // Connectivity, ratsnest and routing progress.
    const NetConnectivity nc = connectivity(rig.routing(), rig.parts.manager);
    EXPECT_TRUE(nc.issues().isEmpty());
    EXPECT_TRUE(nc.sameGroup(kCap1, kMount));
    const PinTable positions = rig.parts.manager.pins();
    ASSERT_EQ(positions.value(kMount).pads().size(), 2);
    ASSERT_EQ(positions.value(kExposed).pads().size(), 3);
    const RatsnestResult ratsnest = computeRatsnest(rig.parts.project.netlist().connections, positions, nc);
    EXPECT_EQ(ratsnest.perNet.value("GND").totalLinks, 2);
    EXPECT_EQ(ratsnest.perNet.value("GND").unroutedLinks, 1);
    const RatsnestLink* link = nullptr;
    for (const RatsnestLink& l : ratsnest.links)
        if (l.netName == "GND")
            link = &l;
    ASSERT_NE(link, nullptr);
    // U1's exposed pad reaches GND at the second MP pad, its nearest; the line ends on the pads.
    const bool exposedFirst = link->padA == kExposed;
    EXPECT_EQ(exposedFirst ? link->padB : link->padA, kMount);
    const gp_Pnt mountEnd = exposedFirst ? link->pointB : link->pointA;
    const gp_Pnt exposedEnd = exposedFirst ? link->pointA : link->pointB;
    EXPECT_LT(mountEnd.Distance(secondMount), 1e-6);
    double nearest = 1e9;
    for (const PinPad& piece : positions.value(kExposed).pads())
        nearest = std::min(nearest, piece.position.Distance(secondMount));
    EXPECT_NEAR(link->lengthMm, nearest, 1e-6);
    EXPECT_NEAR(exposedEnd.Distance(secondMount), nearest, 1e-6);

    // The resistance probe finds the path through the second MP pad.
    const ResistanceResult probe = resistance(kCap1, kMount);
    EXPECT_TRUE(probe.ok) << probe.error.toStdString();
    EXPECT_TRUE(probe.connected);
    EXPECT_GT(probe.tracksOhm, 0.0);

    // Saved and opened again, the track is still on its pin.
    QTemporaryDir dir;
    const QString file = dir.filePath("board.vtq");
    ASSERT_TRUE(rig.parts.project.saveProject(file, rig.parts.manager.componentsForSave(),
                                              rig.parts.manager.usedFootprints(), false));
    ComponentTest::Rig reopened;
    QList<QJsonObject> placed;
    QList<FootprintData> footprints;
    ASSERT_TRUE(reopened.project.loadProject(file, placed, footprints)) << reopened.project.lastError().toStdString();
    for (const FootprintData& footprint : footprints)
        reopened.footprints.registerEmbeddedFootprint(footprint);
    ASSERT_EQ(reopened.manager.loadFromJson(placed).loaded, 3);
    const NetConnectivity again = connectivity(reopened.project.routingManager(), reopened.manager);
    EXPECT_TRUE(again.issues().isEmpty());
    EXPECT_TRUE(again.sameGroup(kCap1, kMount));
}

// No pad of the pin is an obstacle to its own net; each is one to another net.
TEST_F(PinPads, EveryPadOfThePinBelongsToItsNet)
{
    RouteSegment across;
    const gp_Pnt base = pieceBase(kMount, 0);
    across.start = gp_Pnt(firstMount.X() - 3.0, firstMount.Y(), base.Z());
    across.end = gp_Pnt(firstMount.X() + 3.0, firstMount.Y(), base.Z());
    across.width = 0.5;
    across.height = 0.3;
    ASSERT_TRUE(RoutingManager::buildSegmentShape(across));
    EXPECT_TRUE(rig.routing().checkCollision(across, "GND").isClear());
    EXPECT_TRUE(rig.routing().checkCollision(across, "SIG").isShort);
}

// A track record ending on any copper pad of the pin (as a saved file holds it) joins the pin.
// Each consumer takes, of a pin's pads, the one nearest to where it looks: a click the clicked
// pad, a ratsnest line the pad nearest the other pin, a detached track end the pad it stopped
// nearest; and the height snap offers each pin of the net once, not each of its pads.
TEST_F(PinPads, EveryPadOfThePinServesItsConsumers)
{
    const gp_Pnt capOrigin = rig.parts.manager.findComponent("C1")->position;
    const gp_Pnt capPad = rig.parts.manager.pin(kCap1).pads().first().position;
    struct Row
    {
        PadId pin;
        int piece;
        int column; // the pad whose column counts: the exposed pad's corner square lies on its first strip
    };
    for (const Row& row : {Row{kMount, 0, 0}, Row{kMount, 1, 1}, Row{kExposed, 0, 0}, Row{kExposed, 1, 0},
                           Row{kExposed, 2, 2}}) {
        SCOPED_TRACE(row.pin.toString().toStdString() + " pad " + std::to_string(row.piece));
        const PinPad target = rig.parts.manager.pin(row.pin).pads().at(row.piece);
        ASSERT_TRUE(rig.place("C1", capOrigin.X(), capOrigin.Y()));
        const gp_Pnt from = pieceBase(kCap1, 0);
        const gp_Pnt to = target.basePoint;
        rig.routing().clearRoutes();
        rig.routing().addRoute(RouteBuilder::withSolids(RouteBuilder::route(
            "GND", kCap1.ref, kCap1.pad, row.pin.ref, row.pin.pad, {from, gp_Pnt(to.X(), from.Y(), from.Z()), to})));

        const NetConnectivity nc = connectivity(rig.routing(), rig.parts.manager);
        EXPECT_TRUE(nc.issues().isEmpty());
        EXPECT_TRUE(nc.sameGroup(kCap1, row.pin));
        const RatsnestResult joined =
            computeRatsnest(rig.parts.project.netlist().connections, rig.parts.manager.pins(), nc);
        EXPECT_EQ(joined.perNet.value("GND").unroutedLinks, 1);

        const ResistanceResult probe = resistance(kCap1, row.pin);
        EXPECT_TRUE(probe.ok) << probe.error.toStdString();
        EXPECT_TRUE(probe.connected);
        // The pin's column in series is that of the pad the track reaches (the exposed pad's
        // pieces differ ninefold in section).
        const PlacedComponentData* component = rig.parts.manager.findComponent(row.pin.ref);
        const int column = rig.parts.manager.pin(row.pin).pads().at(row.column).index;
        const double columnOhm = ResistanceCalculator().padResistance(*component, component->pads.at(column));
        EXPECT_NEAR(probe.padBOhm, columnOhm, 1e-9 * columnOhm);

        // A track from C1/1 that stops 3 mm under the pad: reported off that pad.
        const double depth = from.Z() - 3.0;
        rig.routing().clearRoutes();
        rig.routing().addRoute(RouteBuilder::route(
            "GND", kCap1.ref, kCap1.pad, row.pin.ref, row.pin.pad,
            {from, gp_Pnt(from.X(), from.Y(), depth), gp_Pnt(to.X(), from.Y(), depth), gp_Pnt(to.X(), to.Y(), depth)}));
        const NetConnectivity detached = connectivity(rig.routing(), rig.parts.manager);
        ASSERT_EQ(detached.issues().size(), 1);
        EXPECT_LT(detached.issues().first().padPoint.Distance(to), 1e-9);
        rig.routing().clearRoutes();

        // A click on the pad starts the track on it; the snap offers C1/1 and the third pin.
        rig.controller->setRoutingActive(true);
        const PadCacheManager::PadIdentity clicked = rig.parts.padCache.identifyPad(target.shown);
        rig.controller->onPadClicked(clicked.pad, clicked.position);
        ASSERT_TRUE(rig.routing().isRouting());
        EXPECT_LT(rig.routing().currentEndPoint().Distance(to), 1e-9);
        QSignalSpy status(rig.controller.get(), &RoutingController::statusChanged);
        rig.controller->onKeyPress(Qt::Key_B, px(target.position.X(), target.position.Y()));
        rig.controller->onKeyPress(Qt::Key_N, px(target.position.X(), target.position.Y()));
        const QString snap = status.isEmpty() ? QString() : status.last().first().toString();
        EXPECT_TRUE(snap.startsWith("Snap: ") && snap.endsWith(" (1/2)")) << snap.toStdString();
        rig.controller->onKeyPress(Qt::Key_Escape, QPoint());

        // C1/1 a twentieth of a millimetre beside the pad: the line of GND joins it to that pad.
        ASSERT_TRUE(rig.place("C1", capOrigin.X() + target.position.X() + 0.05 - capPad.X(),
                              capOrigin.Y() + target.position.Y() - capPad.Y()));
        const RatsnestResult ratsnest = computeRatsnest(rig.parts.project.netlist().connections,
                                                        rig.parts.manager.pins(),
                                                        connectivity(rig.routing(), rig.parts.manager));
        int found = 0;
        for (const RatsnestLink& link : ratsnest.links) {
            if (link.padA == kCap1 && link.padB == row.pin)
                found += link.pointB.Distance(target.position) < 1e-9;
            if (link.padB == kCap1 && link.padA == row.pin)
                found += link.pointA.Distance(target.position) < 1e-9;
        }
        EXPECT_EQ(found, 1);
    }
}
