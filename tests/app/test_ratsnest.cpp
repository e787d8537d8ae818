// The ratsnest: spanning links per net, those the tracks already make, colours of nets.
#include "../project/routebuilder.h"
#include "app/ratsnest.h"

#include "model/netlist.h"
#include "project/netconnectivity.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <QColor>

#include <algorithm>
#include <limits>
#include <random>

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

// The shortest tree over the pins, one pin's pads counting as one (Prim's method over every pair
// of pads): its total length.
double spanningLength(const QList<PlacedPin>& pins)
{
    const auto gap = [&pins](int a, int b) {
        double best = std::numeric_limits<double>::infinity();
        for (const PinPad& p : pins.at(a).pads())
            for (const PinPad& q : pins.at(b).pads())
                best = std::min(best, p.position.Distance(q.position));
        return best;
    };
    QList<double> reach(pins.size(), std::numeric_limits<double>::infinity());
    QList<bool> joined(pins.size(), false);
    reach[0] = 0.0;
    double total = 0.0;
    for (int step = 0; step < pins.size(); ++step) {
        int next = -1;
        for (int i = 0; i < pins.size(); ++i)
            if (!joined.at(i) && (next < 0 || reach.at(i) < reach.at(next)))
                next = i;
        joined[next] = true;
        total += reach.at(next);
        for (int i = 0; i < pins.size(); ++i)
            if (!joined.at(i))
                reach[i] = std::min(reach.at(i), gap(next, i));
    }
    return total;
}

// Pins of 1 to 5 pads scattered over 100 mm at three heights, or on an exact grid (lengths tie).
QList<PlacedPin> scatteredPins(int count, unsigned seed, bool grid)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> spread(0.0, 100.0);
    QList<PlacedPin> pins;
    for (int p = 0; p < count; ++p) {
        QList<gp_Pnt> pads;
        const int padCount = 1 + int(random() % 5);
        for (int k = 0; k < padCount; ++k)
            pads.append(grid ? gp_Pnt((p * 7 + k) % 23 * 2.54, (p * 7 + k) / 23 * 2.54, 0)
                             : gp_Pnt(spread(random), spread(random), double(random() % 3)));
        pins.append(pinAt(pads));
    }
    return pins;
}

// However many pads a pin has, two pins are joined by the shortest link between their pads,
// and the lines drawn are the shortest tree over the pins.
TEST(Ratsnest, PinsAreLinkedByTheirNearestPads)
{
    struct Row
    {
        const char* name;
        QList<PlacedPin> pins;
        double total; // of the lines, worked out by hand; 0: only against the shortest tree
    };
    const QList<Row> rows = {
        {"two pins of several pads", {pinAt({gp_Pnt(0, 0, 0), gp_Pnt(10, 0, 0), gp_Pnt(20, 0, 0)}),
                                      pinAt({gp_Pnt(40, 0, 0), gp_Pnt(23, 4, 0)})}, 5.0},
        // Pin 1's far pad lies next to pin 3: its pads, not its first, decide where it is linked.
        {"the far pad of a pin", {pinAt({gp_Pnt(0, 0, 0), gp_Pnt(30, 0, 0)}), pinAt({gp_Pnt(14, 0, 0)}),
                                  pinAt({gp_Pnt(33, 0, 0)})}, 3.0 + 14.0},
        {"pads at other heights", {pinAt({gp_Pnt(0, 0, 0), gp_Pnt(0, 0, 6)}), pinAt({gp_Pnt(0, 8, 0)}),
                                   pinAt({gp_Pnt(3, 0, 10)})}, 5.0 + 8.0},
        {"a pin of 5,000 pads and two of one", {pinAt(QList<gp_Pnt>(5000, gp_Pnt(0, 0, 0))), pinAt({gp_Pnt(1, 0, 0)}),
                                                pinAt({gp_Pnt(1, 2, 0)})}, 1.0 + 2.0},
        {"300 scattered pins", scatteredPins(300, 7, false), 0.0},
        {"300 pins on a grid", scatteredPins(300, 11, true), 0.0},
    };
    for (const Row& row : rows) {
        NetlistNet n{"N", {}};
        PinTable pins;
        for (int p = 0; p < row.pins.size(); ++p) {
            n.connectedPins.append(PadId(QStringLiteral("P%1").arg(p), "1"));
            pins.insert(n.connectedPins.last(), row.pins.at(p));
        }
        NetConnectivity connectivity;
        connectivity.build(RoutingManager(), nullptr);
        const RatsnestResult result = computeRatsnest({n}, pins, connectivity);

        ASSERT_EQ(result.links.size(), row.pins.size() - 1) << row.name;
        double total = 0.0;
        for (const RatsnestLink& link : result.links) {
            // The line ends on a pad of each pin, and no two pads of those pins are nearer.
            const PlacedPin& a = pins[link.padA];
            const PlacedPin& b = pins[link.padB];
            EXPECT_LT(a.nearestTo(link.pointA)->position.Distance(link.pointA), 1e-12) << row.name;
            EXPECT_LT(b.nearestTo(link.pointB)->position.Distance(link.pointB), 1e-12) << row.name;
            EXPECT_NEAR(link.lengthMm, link.pointA.Distance(link.pointB), 1e-9) << row.name;
            EXPECT_NEAR(link.lengthMm, spanningLength({a, b}), 1e-9) << row.name;
            total += link.lengthMm;
        }
        EXPECT_NEAR(total, row.total > 0.0 ? row.total : spanningLength(row.pins), 1e-6) << row.name;
        // Lines of equal length: the same ones in every run.
        const RatsnestResult again = computeRatsnest({n}, pins, connectivity);
        for (int i = 0; i < result.links.size(); ++i)
            EXPECT_TRUE(again.links.at(i).pointA.IsEqual(result.links.at(i).pointA, 0.0)
                        && again.links.at(i).pointB.IsEqual(result.links.at(i).pointB, 0.0))
                << row.name;
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
