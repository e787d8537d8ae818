// The ratsnest: spanning links per net, those the tracks already make, colours of nets.
#include "../project/routebuilder.h"
#include "app/ratsnest.h"

#include "model/netlist.h"
#include "project/netconnectivity.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <QColor>

#include <gtest/gtest.h>

namespace {

NetlistNet net(const QString& name, const QList<PadId>& pins)
{
    return {name, pins};
}

// A pin of one pad per point.
PlacedPin pinAt(const QList<gp_Pnt>& points)
{
    QList<PinPad> pads;
    for (const gp_Pnt& point : points)
        pads.append(PinPad{int(pads.size()), point, point, {}, {}, {}});
    return PlacedPin(pads);
}

} // namespace

TEST(Ratsnest, LinksPerNet)
{
    const PadId a("R1", "1"), b("R2", "1"), c("R3", "1"), d("R4", "1"), e("R5", "1");
    const PinTable positions = {
        {a, pinAt({gp_Pnt(0, 0, 0)})}, {b, pinAt({gp_Pnt(10, 0, 0)})}, {c, pinAt({gp_Pnt(13, 0, 0)})},
        {d, pinAt({gp_Pnt(0, 0, 0)})},
    };
    struct Row
    {
        const char* name;
        QList<NetlistNet> nets;
        bool trackAB;
        int total;
        int unrouted;
        double unroutedLength;
        int missingPins = 0;
    };
    const PadId f("U1", "1");
    const QList<Row> rows = {
        {"one placed pad", {net("N", {a, e})}, false, 0, 0, 0.0, 1},
        // A pin listed twice is one pin missing; two pins of one part missing are two.
        {"other pins not on the board", {net("N", {a, e, f, e})}, false, 0, 0, 0.0, 2},
        {"two pins at one place", {net("N", {a, d})}, false, 0, 0, 0.0},
        {"three pads, none routed", {net("N", {a, b, c})}, false, 2, 2, 13.0},
        {"routed pads and a missing one", {net("N", {a, b, e})}, true, 1, 0, 0.0, 1},
        // The free pad joins the nearer of the two routed ones.
        {"three pads, two joined by a track", {net("N", {a, b, c})}, true, 2, 1, 3.0},
        // Same name, no shared pad: each net is spanned on its own, no link between them.
        {"two nets of one name", {net("N", {a, d}), net("N", {b, c})}, false, 1, 1, 3.0},
        {"empty name", {net("", {b, c})}, false, 1, 1, 3.0},
    };
    for (const Row& row : rows) {
        RoutingManager rm;
        if (row.trackAB)
            rm.addRoute(RouteBuilder::route("N", a.ref, a.pad, b.ref, b.pad, {gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0)}));
        NetConnectivity connectivity;
        connectivity.build(rm, nullptr);
        QList<PadId> missing;
        const RatsnestResult result =
            computeRatsnest(row.nets, positions, connectivity, [&](const PadId& p) { missing.append(p); });
        EXPECT_EQ(result.totalLinks, row.total) << row.name;
        EXPECT_EQ(result.links.size(), row.unrouted) << row.name;
        const QString key = row.nets.first().netName;
        ASSERT_TRUE(result.perNet.contains(key) || key.isEmpty()) << row.name;
        const NetRatsnestStats stats = result.perNet.value(key);
        EXPECT_EQ(stats.unroutedLinks, row.unrouted) << row.name;
        EXPECT_NEAR(stats.unroutedLengthMm, row.unroutedLength, 1e-9) << row.name;
        EXPECT_EQ(stats.missingPins, key.isEmpty() ? 0 : row.missingPins) << row.name;
        if (row.trackAB && !result.links.isEmpty()) {
            EXPECT_EQ(result.links.first().padA, b) << row.name;
            EXPECT_EQ(result.links.first().padB, c) << row.name;
        }
        if (QString(row.name) == "one placed pad") {
            EXPECT_EQ(missing, QList<PadId>{e});
        }
    }
}

TEST(Ratsnest, NetColours)
{
    struct Row
    {
        const char* net;
        QColor colour;
    };
    const QList<Row> rows = {
        {"gnd", QColor(100, 100, 100)},       {"AGND", QColor(100, 100, 100)},
        {"GND_VCC", QColor(100, 100, 100)},   {"vdd_3v3", QColor(255, 100, 100)},
        {"+5V_POWER", QColor(255, 100, 100)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ratsnestNetColor(row.net), row.colour) << row.net;
    // A hash hue, fixed from run to run (seeded hashing is not used).
    const QColor hashed = ratsnestNetColor("Net-(R1-Pad2)");
    EXPECT_EQ(hashed.hsvSaturation(), 200);
    EXPECT_EQ(hashed.value(), 255);
    const quint32 h = quint32(qHash(QStringView(u"Net-(R1-Pad2)"), size_t(0)));
    EXPECT_EQ(hashed.hsvHue(), int((h * 137u) % 360u));
}

TEST(Ratsnest, RealNetlistCountsOneLinkPerPinBeyondTheFirst)
{
    Netlist netlist;
    QString error;
    ASSERT_TRUE(ProjectManager::loadNetlist(QStringLiteral(VTQ_TEST_DATA_DIR "/netlists/complex_hierarchy.net"),
                                            netlist, error))
        << error.toStdString();
    // Every pin at its own place: a spanning tree per net has one link per distinct pin but one.
    PinTable positions;
    int i = 0;
    for (const NetlistNet& n : netlist.connections)
        for (const PadId& pin : n.connectedPins)
            if (!positions.contains(pin)) {
                positions.insert(pin, pinAt({gp_Pnt(i % 40 * 3.0, i / 40 * 3.0, 0)}));
                ++i;
            }
    int expected = 0;
    QMap<QString, QSet<PadId>> pinsByName;
    for (const NetlistNet& n : netlist.connections)
        if (n.connectedPins.size() >= 2)
            for (const PadId& pin : n.connectedPins)
                pinsByName[n.netName].insert(pin);
    for (const QSet<PadId>& pins : pinsByName)
        expected += int(pins.size()) - 1;
    NetConnectivity connectivity;
    connectivity.build(RoutingManager(), nullptr);
    const RatsnestResult result = computeRatsnest(netlist.connections, positions, connectivity);
    // Counted by hand from the file: 112 links over its nets of two pins or more.
    EXPECT_EQ(expected, 112);
    EXPECT_EQ(result.totalLinks, expected);
    EXPECT_EQ(result.links.size(), result.totalLinks);
}
