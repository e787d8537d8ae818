#include "logcapture.h"
#include "trackfixtures.h"

#include "model/netlist.h"
#include "routing/resistancecalculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace TrackFixtures;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// 2.59 Ω·cm = 25.9 Ω·mm; tracks are 2 x 1 mm (horizontal) or 2 x 2 mm (vertical).
constexpr double kRhoMm = 25.9;
// Pad column: 3 x 3 mm square, 1.0 + 0.4 mm tall.
constexpr double kPadOhm = kRhoMm * 1.4 / 9.0;
const double kDiag = 20.0 / std::sqrt(2.0);

const PadId A("R1", "1");
const PadId B("R2", "1");
const PadId C("R3", "1");

QList<NetlistNet> nets()
{
    return {{"N1", {A, B, C}}, {"N2", {PadId("X1", "1")}}, {"N3", {PadId("R4", "1"), PadId("R5", "1")}}};
}

ResistanceCalculator::Components components(const QList<PlacedComponentData>& list)
{
    ResistanceCalculator::Components map;
    for (const PlacedComponentData& c : list)
        map.insert(c.ref, c);
    return map;
}

// A at the origin, B 20 mm along X, C 15 mm along Y from the middle of A–B; all at Z 0.
ResistanceCalculator::Components flatPads()
{
    return components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", gp_Pnt(20, 0, 0)),
                       boxPadComponent("R3", gp_Pnt(10, 15, 0)), boxPadComponent("X1", gp_Pnt(0, 30, 0)),
                       boxPadComponent("R4", gp_Pnt(40, 0, 0)), boxPadComponent("R5", gp_Pnt(50, 0, 0))});
}

Route straightAB()
{
    return route("N1", A, B, {horizontal(0, 0, 20, 0, -1)});
}

Route junctionFromC()
{
    return junctionRoute("N1", C, gp_Pnt(10, 0, -1), {horizontal(10, 15, 10, 0, -1)});
}

void expectSane(const ResistanceResult& r, const char* row)
{
    for (const double v : {r.tracksOhm, r.padAOhm, r.padBOhm}) {
        EXPECT_TRUE(std::isfinite(v)) << row;
        EXPECT_GE(v, 0.0) << row;
    }
    if (!r.ok) {
        EXPECT_FALSE(r.error.isEmpty()) << row;
    }
}

} // namespace

// Every expected figure is worked out by hand from R = ρ·10·L/A; the comment of each row
// gives the conductor lengths after the corrections.
TEST(ResistanceCalculator, OracleTable)
{
    struct Row
    {
        const char* name;
        QList<Route> routes;
        ResistanceCalculator::Components pads;
        PadId a, b;
        bool ok;
        double tracks;
        QString error;
    };
    const double parallelLoop = kRhoMm * 33.0 / 2.0;
    const double straight = kRhoMm * 17.0 / 2.0;
    const QList<Row> rows = {
        // 20 mm, 1.5 mm inside each 3 mm pad: 17 mm of 2 x 1.
        {"straight", {straightAB()}, flatPads(), A, B, true, straight, {}},
        // 20 - 1.5 (pad) - 1 (w/2 corner) = 17.5; 15 - 1 - 1.5 = 12.5; 30 mm of 2 x 1.
        {"right angle", {route("N1", A, B, {horizontal(0, 0, 20, 0, -1), horizontal(20, 0, 20, 15, -1)})},
         components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", gp_Pnt(20, 15, 0))}),
         A, B, true, kRhoMm * 30.0 / 2.0, {}},
        // Column 2 x 2 from Z -1 to 5 loses 1 x 2 x 1 mm³ / 4 mm² = 0.5 to each horizontal:
        // 10 - 1.5 = 8.5 (2 x 1), 6 - 1 = 5 (2 x 2), 20 - 1.5 = 18.5 (2 x 1).
        {"staircase", {route("N1", A, B, {horizontal(0, 0, 10, 0, -1), vertical(10, 0, -1, 5),
                                          horizontal(10, 0, 30, 0, 4)})},
         components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", gp_Pnt(30, 0, 5))}),
         A, B, true, kRhoMm * (8.5 / 2.0 + 5.0 / 4.0 + 18.5 / 2.0), {}},
        // Loop via Y 10: 10 - 1.5 - 1, 20 - 1 - 1, 10 - 1 - 1.5 = 33 mm, parallel to 17 mm.
        {"two parallel routes",
         {straightAB(), route("N1", A, B, {horizontal(0, 0, 0, 10, -1), horizontal(0, 10, 20, 10, -1),
                                           horizontal(20, 10, 20, 0, -1)})},
         flatPads(), A, B, true, straight * parallelLoop / (straight + parallelLoop), {}},
        // Host split at 10 of 20 mm: half of 17 mm; T: 15 - 1.5 (pad) - 1 (inside host) = 12.5.
        {"T junction to its branch", {straightAB(), junctionFromC()}, flatPads(), A, C, true,
         straight / 2.0 + kRhoMm * 12.5 / 2.0, {}},
        // The branch dangles: only the host counts.
        {"T junction along its host", {straightAB(), junctionFromC()}, flatPads(), A, B, true, straight, {}},
        // A 45° track into 45° pads: the same 17 mm, measured by solid booleans.
        {"diagonal", {route("N1", A, B, {horizontal(0, 0, kDiag, kDiag, -1)})},
         components({boxPadComponent("R1", gp_Pnt(0, 0, 0), 3.0, 45.0),
                     boxPadComponent("R2", gp_Pnt(kDiag, kDiag, 0), 3.0, 45.0)}),
         A, B, true, straight, {}},
        {"one pad against itself", {straightAB()}, flatPads(), A, A, true, 0.0, {}},
        {"pads in different nets", {straightAB()}, flatPads(), A, PadId("X1", "1"), false, 0.0,
         "Pads on different nets (N1 ≠ N2) — infinite resistance"},
        {"pad not in the netlist", {straightAB()}, flatPads(), PadId("R9", "1"), B, false, 0.0,
         "Pad missing from the netlist (R9/1)"},
        {"net with no route", {straightAB()}, flatPads(), PadId("R4", "1"), PadId("R5", "1"), false,
         0.0, "No routed path between R4/1 and R5/1"},
        // The track still names R2/1, but R2 was moved 20 mm away from its end.
        {"route that does not reach its pad", {straightAB()},
         components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", gp_Pnt(40, 0, 0))}),
         A, B, false, 0.0, "No routed path between R1/1 and R2/1"},
        {"unfinished route", {[] { Route r = straightAB(); r.isComplete = false; return r; }()},
         flatPads(), A, B, false, 0.0, "No routed path between R1/1 and R2/1"},
    };
    for (const Row& row : rows) {
        FoundationLogCapture log;
        const ResistanceResult r = ResistanceCalculator().compute(row.a, row.b, row.routes, row.pads, nets());
        EXPECT_EQ(r.ok, row.ok) << row.name << ": " << r.error.toStdString();
        EXPECT_EQ(r.error, row.error) << row.name;
        expectSane(r, row.name);
        if (!row.ok)
            continue;
        EXPECT_NEAR(r.tracksOhm, row.tracks, 1e-6 * std::max(1.0, row.tracks)) << row.name;
        const double pad = row.a == row.b ? 0.0 : kPadOhm;
        EXPECT_NEAR(r.padAOhm, pad, 1e-9) << row.name;
        EXPECT_NEAR(r.padBOhm, pad, 1e-9) << row.name;
        EXPECT_TRUE(r.connected && r.sameNet) << row.name;
        EXPECT_EQ(r.netName, "N1") << row.name;
    }
}

TEST(ResistanceCalculator, ResistivityOutOfRangeGivesAMessageNeverANumber)
{
    struct Row
    {
        const char* name;
        double rho;
        bool ok;
        const char* error; // start of the message
    };
    const QList<Row> rows = {
        {"zero", 0.0, false, "Invalid resistivity"},
        {"negative", -2.59, false, "Invalid resistivity"},
        {"NaN", kNaN, false, "Invalid resistivity"},
        {"infinite", kInf, false, "Invalid resistivity"},
        {"tiny", 1e-300, true, ""},
        {"huge but finite result", 1e300, true, ""},
        {"overflowing result", 1e308, false, "Resistance beyond the computable range"},
    };
    for (const Row& row : rows) {
        ResistanceCalculator calc;
        calc.resistivityOhmCm = row.rho;
        const ResistanceResult r = calc.compute(A, B, {straightAB()}, flatPads(), nets());
        EXPECT_EQ(r.ok, row.ok) << row.name;
        EXPECT_EQ(r.error.left(QString(row.error).size()), QString(row.error)) << row.name;
        expectSane(r, row.name);
        // Solved in units of the resistivity: the figure scales exactly, even at the extremes.
        if (r.ok) {
            EXPECT_NEAR(r.tracksOhm / row.rho, 10.0 * 17.0 / 2.0, 1e-9) << row.name;
        }
    }
}

TEST(ResistanceCalculator, DegenerateTrackLeavesOutItsRoute)
{
    struct Row
    {
        const char* name;
        RouteSegment segment;
    };
    RouteSegment nanEnd = horizontal(0, 0, 20, 0, -1);
    nanEnd.end.SetY(kNaN);
    const QList<Row> rows = {
        {"zero width", horizontal(0, 0, 20, 0, -1, 0.0, 1.0)},
        {"zero height", horizontal(0, 0, 20, 0, -1, 2.0, 0.0)},
        {"negative height", horizontal(0, 0, 20, 0, -1, 2.0, -1.0)},
        {"NaN width", horizontal(0, 0, 20, 0, -1, kNaN, 1.0)},
        {"section under 1e-9 mm²", horizontal(0, 0, 20, 0, -1, 1e-5, 1e-5)},
        {"NaN coordinate", nanEnd},
    };
    for (const Row& row : rows) {
        FoundationLogCapture log;
        const Route broken = route("N1", A, B, {row.segment});
        ResistanceResult r = ResistanceCalculator().compute(A, B, {broken}, flatPads(), nets());
        EXPECT_FALSE(r.ok) << row.name;
        EXPECT_EQ(r.error, "No routed path between R1/1 and R2/1") << row.name;
        expectSane(r, row.name);
        EXPECT_FALSE(log.warnings().isEmpty()) << row.name;

        // Beside a sound route, the broken one is simply not counted.
        r = ResistanceCalculator().compute(A, B, {broken, straightAB()}, flatPads(), nets());
        EXPECT_NEAR(r.tracksOhm, kRhoMm * 17.0 / 2.0, 1e-6) << row.name;
    }

    // Broken sections between corrected neighbours: a column of negative width (its square
    // is positive) and a NaN-wide middle leg between two right angles (its corner correction is NaN).
    const Route column = route("N1", A, B, {horizontal(0, 0, 10, 0, -1), vertical(10, 0, -1, 5, -2.0),
                                            horizontal(10, 0, 30, 0, 4)});
    const Route corner = route("N1", A, B, {horizontal(0, 0, 30, 0, -1), horizontal(30, 0, 30, 10, -1, kNaN),
                                            horizontal(30, 10, 40, 10, -1)});
    FoundationLogCapture log;
    for (const auto& [broken, padB] : {std::pair(column, gp_Pnt(30, 0, 5)), std::pair(corner, gp_Pnt(40, 10, 0))}) {
        const ResistanceResult r = ResistanceCalculator().compute(
            A, B, {broken}, components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", padB)}), nets());
        EXPECT_EQ(r.error, "No routed path between R1/1 and R2/1");
    }
}

TEST(ResistanceCalculator, SegmentCorrections)
{
    // Single route A(0,0) → B, 3 mm pads; expected conductor length per row.
    struct Row
    {
        const char* name;
        QList<RouteSegment> segments;
        gp_Pnt padB;
        double ohms;
    };
    const QList<Row> rows = {
        // Collinear pieces lose nothing at their joint: 10 - 1.5 + 10 - 1.5.
        {"collinear", {horizontal(0, 0, 10, 0, -1), horizontal(10, 0, 20, 0, -1)}, gp_Pnt(20, 0, 0),
         kRhoMm * 17.0 / 2.0},
        // A 0.5 mm jog between two right angles: w/2 = 1 off each side of it, so it counts 0, never less.
        {"correction longer than the segment",
         {horizontal(0, 0, 10, 0, -1), horizontal(10, 0, 10, 0.5, -1), horizontal(10, 0.5, 20, 0.5, -1)},
         gp_Pnt(20, 0.5, 0), kRhoMm * (10.0 - 1.5 - 1.0 + 10.0 - 1.0 - 1.5) / 2.0},
        // Pieces of 1e-8 mm carry no resistance and no correction.
        {"zero-length pieces", {horizontal(0, 0, 0, 0, -1), horizontal(0, 0, 20, 0, -1), horizontal(20, 0, 20, 1e-8, -1)},
         gp_Pnt(20, 0, 0), kRhoMm * 17.0 / 2.0},
    };
    for (const Row& row : rows) {
        const Route r = route("N1", A, B, row.segments);
        const ResistanceResult result = ResistanceCalculator().compute(
            A, B, {r}, components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", row.padB)}), nets());
        ASSERT_TRUE(result.ok) << row.name << ": " << result.error.toStdString();
        EXPECT_NEAR(result.tracksOhm, row.ohms, 1e-6) << row.name;
    }

    // U-turn: the overlap is capped at 1.5 w on each side.
    const RouteSegment out = horizontal(0, 0, 10, 0, -1);
    const RouteSegment back = horizontal(10, 0, 5, 0, -1);
    Route u;
    u.segments = {out, back};
    EXPECT_NEAR(ResistanceCalculator().routeResistance(u, nullptr, nullptr),
                kRhoMm * ((10.0 - 3.0) + (5.0 - 3.0)) / 2.0, 1e-9);

    // A route made only of points is a short between its pads.
    const Route dot = route("N1", A, B, {horizontal(0, 0, 0, 1e-8, -1)});
    const ResistanceResult shorted = ResistanceCalculator().compute(
        A, B, {dot}, components({boxPadComponent("R1", gp_Pnt(0, 0, 0)), boxPadComponent("R2", gp_Pnt(0, 0, 0))}), nets());
    ASSERT_TRUE(shorted.ok) << shorted.error.toStdString();
    EXPECT_NEAR(shorted.tracksOhm, 0.0, 1e-9);
}

TEST(ResistanceCalculator, JunctionsSplitTheirHost)
{
    // Two T routes meet the host at X 10: the piece between their junction nodes is a short.
    const Route second = junctionRoute("N1", PadId("R4", "1"), gp_Pnt(10, 0, -1), {horizontal(10, -15, 10, 0, -1)});
    QList<NetlistNet> net = {{"N1", {A, B, C, PadId("R4", "1")}}};
    auto pads = flatPads();
    pads.insert("R4", boxPadComponent("R4", gp_Pnt(10, -15, 0)));
    const double branch = kRhoMm * 12.5 / 2.0;
    const ResistanceResult r = ResistanceCalculator().compute(
        C, PadId("R4", "1"), {straightAB(), junctionFromC(), second}, pads, net);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_NEAR(r.tracksOhm, 2.0 * branch, 1e-6);

    // A junction on no track dangles with a warning; a host with a broken section too.
    struct Row
    {
        const char* name;
        QList<Route> routes;
        const char* warning;
    };
    Route brokenHost = route("N1", A, B, {horizontal(0, 0, 20, 0, -1, 0.0, 1.0)});
    const QList<Row> rows = {
        {"no host", {straightAB(), junctionRoute("N1", C, gp_Pnt(10, 5, -1), {horizontal(10, 15, 10, 5, -1)})},
         "without a host track — dangling end"},
        {"host left out", {brokenHost, junctionFromC()}, "carries no usable resistance — dangling end"},
    };
    for (const Row& row : rows) {
        FoundationLogCapture log;
        const ResistanceResult result = ResistanceCalculator().compute(A, C, row.routes, flatPads(), nets());
        EXPECT_FALSE(result.ok) << row.name;
        EXPECT_EQ(result.error, "No routed path between R1/1 and R3/1") << row.name;
        EXPECT_TRUE(log.contains(row.warning)) << row.name << "\n" << log.joined().toStdString();
    }
}

TEST(ResistanceCalculator, PadColumn)
{
    struct Row
    {
        const char* name;
        QString shape;
        double sx, sy, thickness;
        double ohms;
    };
    const QList<Row> rows = {
        {"rect", "rect", 2.0, 3.0, 1.0, kRhoMm * 1.4 / 6.0},
        {"oval uses the smaller size", "OVAL", 2.0, 3.0, 1.0, kRhoMm * 1.4 / (M_PI * 1.0)},
        {"circle", "Circle", 4.0, 4.0, 1.0, kRhoMm * 1.4 / (M_PI * 4.0)},
        {"roundrect counts as a rectangle", "roundrect", 2.0, 2.0, 1.0, kRhoMm * 1.4 / 4.0},
        {"no height", "rect", 2.0, 2.0, -0.4, 0.0},
        {"zero size", "rect", 0.0, 2.0, 1.0, 0.0},
        {"negative sizes", "rect", -2.0, -2.0, 1.0, 0.0},
        {"NaN size", "rect", kNaN, 2.0, 1.0, 0.0},
        {"NaN thickness", "rect", 2.0, 2.0, kNaN, 0.0},
    };
    for (const Row& row : rows) {
        FoundationLogCapture log;
        PlacedComponentData c;
        c.footprintThickness = row.thickness;
        PlacedPadData pad;
        pad.shape = row.shape;
        pad.scaledWidth = row.sx;
        pad.scaledHeight = row.sy;
        EXPECT_NEAR(ResistanceCalculator().padResistance(c, pad), row.ohms, 1e-9) << row.name;
    }

    // A probed pad missing from its component counts 0 with a warning; a missing component silently.
    FoundationLogCapture log;
    ResistanceCalculator calc;
    EXPECT_EQ(calc.padContribution(flatPads(), PadId("R1", "7")), 0.0);
    EXPECT_TRUE(log.contains("pad R1/7 not found — pad contribution = 0"));
    EXPECT_EQ(calc.padContribution(flatPads(), PadId("Q1", "1")), 0.0);
}

TEST(ResistanceCalculator, LinearSystem)
{
    struct Row
    {
        const char* name;
        QList<QList<double>> g;
        QList<double> b;
        bool solved;
        QList<double> x;
    };
    const QList<Row> rows = {
        {"needs a row swap", {{0, 1}, {2, 0}}, {3, 4}, true, {2, 3}},
        {"three nodes", {{2, -1, 0}, {-1, 2, -1}, {0, -1, 1}}, {1, 0, 0}, true, {1, 1, 1}},
        {"singular", {{1, 1}, {1, 1}}, {1, 0}, false, {}},
        {"NaN entry", {{kNaN, 0}, {0, 1}}, {1, 0}, false, {}},
        {"empty", {}, {}, false, {}},
        {"rows missing", {{1, 0}}, {1, 0}, false, {}},
        {"short row", {{1}, {0, 1}}, {1, 0}, false, {}},
    };
    for (const Row& row : rows) {
        QList<QList<double>> g = row.g;
        QList<double> b = row.b;
        ASSERT_EQ(ResistanceCalculator::solveLinearSystem(g, b), row.solved) << row.name;
        for (int i = 0; i < row.x.size(); ++i)
            EXPECT_NEAR(b.at(i), row.x.at(i), 1e-12) << row.name << " x" << i;
    }

    // A network whose only conductance is not a number has no value.
    ResistanceNetwork network;
    network.nodeCount = 2;
    network.conductances = {{0, 1, kNaN}};
    EXPECT_FALSE(ResistanceCalculator::solveNetwork(network, {true, true}, 0, 1).has_value());
}
