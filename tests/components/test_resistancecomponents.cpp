// The resistance probe over components built from real footprints: KiCad's own pads (round
// through-hole) and the built-in ones (rectangular), placed and turned by the component manager.
#include "../routing/trackfixtures.h"
#include "componenttestrig.h"
#include "testsupport.h"

#include "routing/resistancecalculator.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ComponentTest;

namespace {

constexpr double kRhoMm = 25.9; // 2.59 Ω·cm in Ω·mm
constexpr double kWidth = 2.0;
constexpr double kHeight = 1.0;

// Conductor of a 2 x 1 track inside a pad it starts in, from the pad's centre outwards:
// half the pad along the track, across at most the track's width, up to the track's height.
double embeddedLength(const PlacedComponentData& c, const PlacedPadData& pad)
{
    const double column = c.footprintThickness + c.bodyUndercut;
    const double up = std::min(kHeight, column);
    const QString shape = pad.shape.toLower();
    double plan = 0.0;
    if (shape == "circle" || shape == "oval") {
        const double r = std::min(pad.scaledWidth, pad.scaledHeight) / 2;
        EXPECT_LE(2 * r, kWidth) << "the half disc is whole inside the track";
        plan = M_PI * r * r / 2;
    } else {
        plan = pad.scaledWidth / 2 * std::min(pad.scaledHeight, kWidth);
    }
    return plan * up / (kWidth * kHeight);
}

double columnOhm(const PlacedComponentData& c, const PlacedPadData& pad)
{
    const QString shape = pad.shape.toLower();
    const double d = std::min(pad.scaledWidth, pad.scaledHeight);
    const double area = shape == "circle" || shape == "oval" ? M_PI * d * d / 4 : pad.scaledWidth * pad.scaledHeight;
    return kRhoMm * (c.footprintThickness + c.bodyUndercut) / area;
}

} // namespace

TEST(ResistanceOverComponents, StraightTrackBetweenPlacedPads)
{
    const QString tht = TestSupport::kicadFootprintRoot() + "/Resistor_THT.pretty";
    if (!QFileInfo(tht).isDir())
        GTEST_SKIP() << "KiCad footprints not installed";
    struct Row
    {
        const char* name;
        QString footprint;
        double turnB; // degrees
    };
    const QList<Row> rows = {
        {"built-in 0805", "Builtin_0805", 0.0},
        {"built-in 0805, B turned half a turn", "Builtin_0805", 180.0},
        {"KiCad axial resistor, round pads", "Resistor_THT:R_Axial_DIN0207_L6.3mm_D2.5mm_P10.16mm_Horizontal", 0.0},
    };
    for (const Row& row : rows) {
        Rig rig;
        rig.footprints.addSearchPath(tht);
        rig.setNetlist({netlistComponent("R1", row.footprint), netlistComponent("R2", row.footprint)});
        ASSERT_EQ(rig.manager.generateComponents(rig.project.netlist().components).loaded, 2) << row.name;
        ASSERT_TRUE(rig.manager.moveComponent("R1", gp_Pnt(0, 0, 5))) << row.name;
        ASSERT_TRUE(rig.manager.moveComponent("R2", gp_Pnt(40, 0, 5))) << row.name;
        if (row.turnB != 0.0) {
            ASSERT_TRUE(rig.manager.rotateComponent("R2", row.turnB)) << row.name;
        }

        const PlacedComponentData& c1 = *rig.manager.findComponent("R1");
        const PlacedComponentData& c2 = *rig.manager.findComponent("R2");
        const PadId a("R1", "2");
        const PadId b("R2", "1");
        const PinPad pinA = PlacedPin::of(c1, a.pad).pads().first();
        const PinPad pinB = PlacedPin::of(c2, b.pad).pads().first();
        const PlacedPadData& padA = c1.pads.at(pinA.index);
        const PlacedPadData& padB = c2.pads.at(pinB.index);
        const gp_Pnt from = pinA.basePoint;
        const gp_Pnt to = pinB.basePoint;
        ASSERT_NEAR(from.Y(), to.Y(), 1e-9) << row.name;
        ASSERT_LT(from.X(), to.X()) << row.name;

        const Route track = TrackFixtures::route(
            "N", a, b, {TrackFixtures::horizontal(from.X(), from.Y(), to.X(), to.Y(), from.Z(), kWidth, kHeight)});
        const QList<NetlistNet> nets = {{"N", {a, b}}};
        const ResistanceResult r = ResistanceCalculator().compute(a, b, {track}, rig.manager.components(), nets);
        ASSERT_TRUE(r.ok) << row.name << ": " << r.error.toStdString();
        const double conductor = from.Distance(to) - embeddedLength(c1, padA) - embeddedLength(c2, padB);
        // Within 0.001 mm of conductor: round pads are measured on a fine polygon.
        EXPECT_NEAR(r.tracksOhm, kRhoMm * conductor / (kWidth * kHeight), kRhoMm * 1e-3 / (kWidth * kHeight))
            << row.name;
        EXPECT_NEAR(r.padAOhm, columnOhm(c1, padA), 1e-9) << row.name;
        EXPECT_NEAR(r.padBOhm, columnOhm(c2, padB), 1e-9) << row.name;

        // Moving B away from the end of the track disconnects it.
        ASSERT_TRUE(rig.manager.moveComponent("R2", gp_Pnt(60, 0, 5))) << row.name;
        const ResistanceResult moved = ResistanceCalculator().compute(a, b, {track}, rig.manager.components(), nets);
        EXPECT_EQ(moved.error, "No routed path between R1/2 and R2/1") << row.name;
    }
}
