// Print plan: layers and pauses from cavity heights, skip reasons, ordering, the refused
// layer heights (a tiny one included), and the text and CSV reports.
#include "designfixture.h"
#include "logcapture.h"

#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "outputs/printplangenerator.h"

#include <QLocale>

#include <AIS_Shape.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <TopoDS_Face.hxx>
#include <TopLoc_Location.hxx>
#include <gp_Ax1.hxx>
#include <gp_Pln.hxx>
#include <gp_Trsf.hxx>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A component whose body top lies at cavityTop above the bottom of a part starting at z0.
PlacedComponentData component(const QString& ref, double cavityTop, double z0 = 0.0)
{
    PlacedComponentData c;
    c.ref = ref;
    c.bodyHeight = 1.0;
    c.bodyOffsetZ = 0.0;
    c.position = gp_Pnt(1.0, 2.0, z0 + cavityTop - 1.0);
    c.compositeShape = new AIS_Shape(DesignFixture::box(0, 0, 0, 1, 1, 1));
    c.footprintName = QStringLiteral("R_0805");
    return c;
}

// A 10 mm high part whose bottom lies at z0.
TopoDS_Shape part(double z0 = 0.0, double height = 10.0)
{
    return DesignFixture::box(0, 0, z0, 50, 40, z0 + height);
}

QMap<QString, PlacedComponentData> single(const PlacedComponentData& c)
{
    return {{c.ref, c}};
}

struct LayerRow
{
    const char* label;
    double cavityTop;
    int pauseLayer; // 0: end insertion
};

void PrintTo(const LayerRow& row, std::ostream* out) { *out << row.label; }

class PlanLayer : public ::testing::TestWithParam<LayerRow> {};

// h = 0.2 mm on a 10 mm part (50 layers); the part's bottom at z = -3 shows that heights
// count from the bottom, not from world zero.
TEST_P(PlanLayer, CavityTopGivesItsLayer)
{
    const LayerRow row = GetParam();
    const PrintPlan plan = PrintPlanGenerator::generate(single(component("R1", row.cavityTop, -3.0)), {},
                                                        part(-3.0), 0.2);
    ASSERT_TRUE(plan.ok) << plan.error.toStdString();
    EXPECT_EQ(plan.layerCount, 50);
    EXPECT_DOUBLE_EQ(plan.zMin, -3.0);
    if (row.pauseLayer == 0) {
        EXPECT_TRUE(plan.pauses.isEmpty());
        ASSERT_EQ(plan.endInsertions.size(), 1);
        return;
    }
    ASSERT_EQ(plan.pauses.size(), 1);
    EXPECT_EQ(plan.pauses.first().layer, row.pauseLayer);
    EXPECT_NEAR(plan.pauses.first().z, row.pauseLayer * 0.2, 1e-12);
    EXPECT_NEAR(plan.pauses.first().items.first().cavityTopRel, row.cavityTop, 1e-9);
    EXPECT_TRUE(plan.endInsertions.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Heights, PlanLayer,
    ::testing::Values(LayerRow{"OnBoundaryStaysBelow", 1.0, 5}, LayerRow{"RoundingHairStaysBelow", 1.0000005, 5},
                      // The slicer cuts a layer at its middle: one whose middle lies above the
                      // cavity's top roofs it, so the pause comes before it.
                      LayerRow{"JustAboveIsRoofedByTheNextLayer", 1.01, 5}, LayerRow{"MidLayerStaysOpen", 1.1, 6},
                      LayerRow{"UpperHalfGoesUp", 1.15, 6}, LayerRow{"NearTopPausesBeforeLast", 9.7, 49},
                      LayerRow{"LowerHalfOfTheLastLayerPausesBeforeIt", 9.85, 49},
                      LayerRow{"InLastLayerIsEnd", 9.9, 0}, LayerRow{"AbovePartIsEnd", 25.0, 0},
                      LayerRow{"AtBottomIsLayerOne", 0.0, 1}, LayerRow{"BelowBottomIsLayerOne", -2.0, 1}));

TEST(PrintPlan, RefusalsComeInOrderAndLeaveAnEmptyPlan)
{
    const struct
    {
        TopoDS_Shape shape;
        double h;
        const char* error;
    } rows[] = {
        {TopoDS_Shape(), std::nan(""), "No main component imported"},
        {part(), std::nan(""), "invalid layer height"},
        {part(), 0.0, "invalid layer height"},
        {part(), -0.2, "invalid layer height"},
        {part(), std::numeric_limits<double>::infinity(), "invalid layer height"},
    };
    for (const auto& row : rows) {
        const PrintPlan plan = PrintPlanGenerator::generate(single(component("R1", 2.0)), {}, row.shape, row.h);
        EXPECT_FALSE(plan.ok);
        EXPECT_EQ(plan.error, QString::fromUtf8(row.error));
        EXPECT_EQ(plan.layerCount, 0);
        EXPECT_TRUE(plan.pauses.isEmpty() && plan.endInsertions.isEmpty() && plan.notHollowed.isEmpty());
    }
}

// A stored layer height of a few nanometres would ask for billions of layers: the count would
// overflow an int. The plan refuses it with a message; a count that still fits is computed.
TEST(PrintPlan, LayerCountBeyondIntIsRefusedNotOverflowed)
{
    const PrintPlan tiny = PrintPlanGenerator::generate(single(component("R1", 2.0)), {}, part(), 1e-9);
    EXPECT_FALSE(tiny.ok);
    EXPECT_EQ(tiny.layerCount, 0);
    EXPECT_DOUBLE_EQ(tiny.layerHeight, 1e-9);
    EXPECT_TRUE(tiny.error.contains(QStringLiteral("too small"))) << tiny.error.toStdString();

    // About 2e9 layers of 5e-9 mm still fit; a cavity far above the part is an end insertion,
    // not an overflowed layer number. (The 1e-6 mm tolerance is 200 such layers: the count
    // rounds it down, the cavity's layer up.)
    QMap<QString, PlacedComponentData> components = single(component("R1", 2.0));
    components.insert(QStringLiteral("R2"), component("R2", 1e12));
    const PrintPlan fine = PrintPlanGenerator::generate(components, {}, part(), 5e-9);
    ASSERT_TRUE(fine.ok) << fine.error.toStdString();
    EXPECT_EQ(fine.layerCount, 1999999800);
    ASSERT_EQ(fine.pauses.size(), 1);
    EXPECT_EQ(fine.pauses.first().layer, 400000200);
    ASSERT_EQ(fine.endInsertions.size(), 1);
    EXPECT_EQ(fine.endInsertions.first().ref, QStringLiteral("R2"));
}

// The slicer prints a layer only when the layer's middle lies below the part's top, the rule
// the cavities follow too: a top less than half a layer above a boundary adds no layer, and a
// cavity reaching it goes in at the end rather than at a pause after the slicer's last layer.
TEST(PrintPlan, LayerCountFollowsTheSlicersMidLayerRule)
{
    const struct
    {
        double height;
        int layers;
    } rows[] = {{10.0, 50}, {10.05, 50}, {10.1, 50}, {10.11, 51}, {10.15, 51}, {0.29, 1}, {0.31, 2}};
    for (const auto& row : rows) {
        const PrintPlan plan = PrintPlanGenerator::generate({}, {}, part(0.0, row.height), 0.2);
        ASSERT_TRUE(plan.ok);
        EXPECT_EQ(plan.layerCount, row.layers) << row.height;
    }

    QMap<QString, PlacedComponentData> components = single(component("R1", 10.05));
    components.insert(QStringLiteral("R2"), component("R2", 10.0));
    components.insert(QStringLiteral("R3"), component("R3", 9.85));
    const PrintPlan plan = PrintPlanGenerator::generate(components, {}, part(0.0, 10.05), 0.2);
    ASSERT_TRUE(plan.ok);
    ASSERT_EQ(plan.endInsertions.size(), 2);
    EXPECT_EQ(plan.endInsertions.at(0).ref, QStringLiteral("R1"));
    EXPECT_EQ(plan.endInsertions.at(1).ref, QStringLiteral("R2"));
    ASSERT_EQ(plan.pauses.size(), 1);
    EXPECT_EQ(plan.pauses.first().layer, 49);
}

TEST(PrintPlan, ThinPartHasOneLayerAndEveryBodyGoesInAtTheEnd)
{
    QMap<QString, PlacedComponentData> components = single(component("R1", 0.1));
    components.insert(QStringLiteral("R2"), component("R2", -1.0));
    const TopoDS_Shape flat = BRepBuilderAPI_MakeFace(gp_Pln(gp::XOY()), 0, 50, 0, 40).Face();
    for (const double height : {0.0, 0.15, 0.2}) {
        const PrintPlan plan =
            PrintPlanGenerator::generate(components, {}, height == 0.0 ? flat : part(0.0, height), 0.2);
        ASSERT_TRUE(plan.ok) << height;
        EXPECT_EQ(plan.layerCount, 1) << height;
        EXPECT_TRUE(plan.pauses.isEmpty()) << height;
        EXPECT_EQ(plan.endInsertions.size(), 2) << height;
    }
}

TEST(PrintPlan, SkipsWithTheFirstReasonThatApplies)
{
    PlacedComponentData missing = component("U1", 2.0);
    missing.hasMissingFootprint = true;
    missing.bodyEnabled = false; // code 1 wins over code 2
    PlacedComponentData disabled = component("U2", 2.0);
    disabled.bodyEnabled = false;
    PlacedComponentData noBody = component("U3", 2.0);
    noBody.compositeShape.Nullify();
    PlacedComponentData emptyBody = component("U4", 2.0);
    emptyBody.compositeShape = new AIS_Shape(TopoDS_Shape());

    QMap<QString, PlacedComponentData> components;
    for (const PlacedComponentData& c : {missing, disabled, noBody, emptyBody})
        components.insert(c.ref, c);
    const PrintPlan plan = PrintPlanGenerator::generate(components, {}, part(), 0.2);
    ASSERT_TRUE(plan.ok);
    EXPECT_EQ(plan.totalInsertCount(), 0);
    ASSERT_EQ(plan.notHollowed.size(), 4);
    const int codes[] = {1, 2, 3, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(plan.notHollowed.at(i).ref, QStringLiteral("U%1").arg(i + 1));
        EXPECT_EQ(plan.notHollowed.at(i).reason, PrintPlanGenerator::reasonText(codes[i]));
    }
    EXPECT_TRUE(PrintPlanGenerator::reasonText(0).isEmpty());
    EXPECT_TRUE(PrintPlanGenerator::reasonText(6).isEmpty());
}

TEST(PrintPlan, ItemsShareAGroupInNumericCaseBlindOrderWithTheirNetlistValue)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QMap<QString, PlacedComponentData> components;
    for (const char* ref : {"D11", "d10", "D2"})
        components.insert(QString::fromUtf8(ref), component(QString::fromUtf8(ref), 2.0));
    PlacedComponentData assigned = component("R10", 4.0);
    assigned.assignedFootprint = QStringLiteral("Resistor_SMD:R_0603");
    components.insert(assigned.ref, assigned);
    components.insert(QStringLiteral("R9"), component("R9", 4.0));

    QMap<QString, NetlistComponent> netlist;
    netlist.insert(QStringLiteral("D2"), NetlistComponent{QStringLiteral("D2"), QStringLiteral("1N4148"), {}, {}});
    netlist.insert(QStringLiteral("d2"), NetlistComponent{QStringLiteral("d2"), QStringLiteral("wrong"), {}, {}});

    const PrintPlan plan = PrintPlanGenerator::generate(components, netlist, part(), 0.2);
    ASSERT_TRUE(plan.ok);
    ASSERT_EQ(plan.pauses.size(), 2);
    EXPECT_LT(plan.pauses.at(0).layer, plan.pauses.at(1).layer);
    QStringList first;
    for (const PrintPlanItem& item : plan.pauses.at(0).items)
        first << item.ref;
    EXPECT_EQ(first, (QStringList{"D2", "d10", "D11"}));
    EXPECT_EQ(plan.pauses.at(0).items.first().value, QStringLiteral("1N4148"));
    EXPECT_TRUE(plan.pauses.at(0).items.at(1).value.isEmpty());
    EXPECT_EQ(plan.pauses.at(1).items.first().ref, QStringLiteral("R9"));
    EXPECT_EQ(plan.pauses.at(1).items.at(1).footprint, QStringLiteral("Resistor_SMD:R_0603"));
    EXPECT_EQ(plan.pauses.at(1).items.first().footprint, QStringLiteral("R_0805"));
    EXPECT_EQ(plan.totalInsertCount(), 5);
}

// The C locale's collator ignores numbers (D1, D10, D2): the order must not depend on it.
TEST(PrintPlan, ReferencesInNaturalOrderInTheCLocale)
{
    QLocale::setDefault(QLocale::c());
    QMap<QString, PlacedComponentData> components;
    for (const char* ref : {"D1", "D10", "D11", "D2"})
        components.insert(QString::fromUtf8(ref), component(QString::fromUtf8(ref), 2.0));
    const PrintPlan plan = PrintPlanGenerator::generate(components, {}, part(), 0.2);
    ASSERT_TRUE(plan.ok);
    ASSERT_EQ(plan.pauses.size(), 1);
    QStringList refs;
    for (const PrintPlanItem& item : plan.pauses.first().items)
        refs << item.ref;
    EXPECT_EQ(refs, (QStringList{"D1", "D2", "D10", "D11"}));
}

TEST(PrintPlan, EmptyDesignIsAComputedPlan)
{
    const PrintPlan plan = PrintPlanGenerator::generate({}, {}, part(), 0.2);
    ASSERT_TRUE(plan.ok);
    EXPECT_EQ(plan.layerCount, 50);
    EXPECT_DOUBLE_EQ(plan.partHeight, 10.0);
    EXPECT_EQ(plan.totalInsertCount(), 0);
    EXPECT_TRUE(plan.notHollowed.isEmpty());
}

// --- Reports ---

PrintPlanItem item(const QString& ref, const QString& value, const QString& footprint)
{
    PrintPlanItem i;
    i.ref = ref;
    i.value = value;
    i.footprint = footprint;
    i.x = 12.5;
    i.y = -3.25;
    i.cavityTopAbs = 7.0;
    i.cavityTopRel = 1.0;
    return i;
}

TEST(PrintPlanReport, ItemLineLabelsWhatIsKnown)
{
    const struct
    {
        const char* value;
        const char* footprint;
        const char* label;
    } rows[] = {{"10k", "R_0805", "R1 (10k, R_0805)"}, {"", "R_0805", "R1 (R_0805)"}, {"10k", "", "R1 (10k)"},
                {"", "", "R1"}, {"%1", "%2", "R1 (%1, %2)"}};
    for (const auto& row : rows) {
        const QString line = PrintPlanGenerator::formatItemLine(
            item(QStringLiteral("R1"), QString::fromUtf8(row.value), QString::fromUtf8(row.footprint)));
        EXPECT_EQ(line, QStringLiteral("   %1  X=12.50  Y=-3.25  —  cavity top : 1.00 mm").arg(QString::fromUtf8(row.label)));
    }
}

PrintPlan samplePlan()
{
    PrintPlan plan;
    plan.ok = true;
    plan.layerHeight = 0.2;
    plan.layerCount = 50;
    plan.zMin = -3.0;
    plan.zMax = 7.0;
    plan.partHeight = 10.0;
    plan.pauses.append({5, 1.0, {item("R1", "10k", "R_0805"), item("R2", "say \"hi\"", "")}});
    plan.endInsertions.append(item("U1", "", "DIP-8"));
    plan.notHollowed.append({QStringLiteral("J1"), PrintPlanGenerator::reasonText(2)});
    return plan;
}

TEST(PrintPlanReport, TextReportOfAComputedPlan)
{
    const QString text = PrintPlanGenerator::toText(samplePlan());
    const QStringList lines = text.split(QLatin1Char('\n'));
    EXPECT_FALSE(text.endsWith(QLatin1Char('\n')));
    EXPECT_EQ(lines.at(0), QStringLiteral("PRINT PLAN — PAUSES AND INSERTS"));
    EXPECT_EQ(lines.at(1), QStringLiteral("Part height: 10.00 mm (Z-range -3.00 → 7.00)"));
    EXPECT_EQ(lines.at(2), QStringLiteral("Layer height: 0.20 mm — 50 layer(s)"));
    EXPECT_EQ(lines.at(3), QStringLiteral("1 pause(s) — 3 component(s) to insert"));
    EXPECT_EQ(lines.at(4), QString());
    EXPECT_EQ(lines.at(5), QStringLiteral("── Pause 1: after layer 5 (Z = 1.00 mm) ──"));
    EXPECT_TRUE(lines.at(6).startsWith(QStringLiteral("   R1 (10k, R_0805)")));
    EXPECT_EQ(lines.at(8), QString());
    EXPECT_EQ(lines.at(9), QStringLiteral("── Insertion at the end of printing (cavity never covered) ──"));
    EXPECT_TRUE(lines.at(10).startsWith(QStringLiteral("   U1 (DIP-8)")));
    EXPECT_EQ(lines.at(12), QStringLiteral("── Not hollowed out (no insertion) ──"));
    EXPECT_EQ(lines.at(13), QStringLiteral("   J1 — Case disabled — cavity not hollowed out"));
    EXPECT_EQ(lines.at(14), QString());
    EXPECT_TRUE(lines.at(15).startsWith(QStringLiteral("Reminder: heights measured from the bottom of the part. \"Cavity")));
    EXPECT_EQ(lines.size(), 16);
}

TEST(PrintPlanReport, EmptyAndFailedPlans)
{
    PrintPlan empty = samplePlan();
    empty.pauses.clear();
    empty.endInsertions.clear();
    empty.notHollowed.clear();
    const QStringList lines = PrintPlanGenerator::toText(empty).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines.at(3), QStringLiteral("0 pause(s) — 0 component(s) to insert"));
    EXPECT_EQ(PrintPlanGenerator::toCsv(empty),
              QStringLiteral("status;layer;pause_z_mm;ref;value;footprint;x_mm;y_mm;cavity_top_z_mm\n"));

    PrintPlan failed;
    failed.error = QStringLiteral("invalid layer height");
    EXPECT_EQ(PrintPlanGenerator::toText(failed), QStringLiteral("Print plan unavailable: invalid layer height"));
    EXPECT_EQ(PrintPlanGenerator::toCsv(failed),
              QStringLiteral("status;layer;pause_z_mm;ref;value;footprint;x_mm;y_mm;cavity_top_z_mm\n"));
}

TEST(PrintPlanReport, CsvRowsQuoteOnlyTheTexts)
{
    const QStringList lines = PrintPlanGenerator::toCsv(samplePlan()).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5); // header, three rows, and the empty tail after the last line feed
    EXPECT_EQ(lines.at(1), QStringLiteral("pause 1;5;1.00;\"R1\";\"10k\";\"R_0805\";12.50;-3.25;1.00"));
    EXPECT_EQ(lines.at(2), QStringLiteral("pause 1;5;1.00;\"R2\";\"say \"\"hi\"\"\";\"\";12.50;-3.25;1.00"));
    EXPECT_EQ(lines.at(3), QStringLiteral("end;;;\"U1\";\"\";\"DIP-8\";12.50;-3.25;1.00"));
    EXPECT_EQ(lines.at(4), QString());
    EXPECT_EQ(PrintPlanGenerator::csvQuote(QStringLiteral("a;b\nc")), QStringLiteral("\"a;b\nc\""));
}

} // namespace

// The part's box is kept between plans: a part moved or turned, sharing its geometry with the
// one planned before, still gets its own heights, and so does the first part again.
TEST(PrintPlan, HeightsFollowThePartAsPlacedAfterAnEarlierPlan)
{
    const TopoDS_Shape base = part(0.0, 10.0);
    gp_Trsf lift, tilt; // tilt: about X, the 40 mm side stands up from z = 0
    lift.SetTranslation(gp_Vec(0.0, 0.0, 5.0));
    tilt.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(1, 0, 0)), M_PI / 2.0);
    const struct
    {
        TopoDS_Shape shape;
        double zMin, height;
    } rows[] = {{base, 0.0, 10.0}, {base.Moved(TopLoc_Location(lift)), 5.0, 10.0},
                {base.Moved(TopLoc_Location(tilt)), 0.0, 40.0}, {base, 0.0, 10.0}};
    for (size_t i = 0; i < std::size(rows); ++i) {
        const PrintPlan plan = PrintPlanGenerator::generate({}, {}, rows[i].shape, 0.2, {});
        ASSERT_TRUE(plan.ok) << i;
        EXPECT_NEAR(plan.zMin, rows[i].zMin, 1e-6) << i;
        EXPECT_NEAR(plan.partHeight, rows[i].height, 1e-6) << i;
    }
}

// A component whose cavity the export could not cut gets no pause: it has no room to go in.
TEST(PrintPlan, AComponentLeftWithoutItsCavityIsNotWaitedFor)
{
    PrintPlan plan;
    plan.ok = true;
    plan.pauses = {{3, 0.6, {{"C1"}, {"U2"}}}, {7, 1.4, {{"U8"}}}};
    plan.endInsertions = {{"J1"}};
    const PrintPlan kept = PrintPlanGenerator::withoutComponents(plan, {"U8", "J1", "C1"});
    ASSERT_EQ(kept.pauses.size(), 1);
    EXPECT_EQ(kept.pauses.front().layer, 3);
    ASSERT_EQ(kept.pauses.front().items.size(), 1);
    EXPECT_EQ(kept.pauses.front().items.front().ref, "U2");
    EXPECT_TRUE(kept.endInsertions.isEmpty());
    QStringList skipped;
    for (const PrintPlanSkip& skip : kept.notHollowed) {
        EXPECT_EQ(skip.code, PrintPlan::kCavityNotCut);
        skipped.append(skip.ref);
    }
    skipped.sort();
    EXPECT_EQ(skipped, QStringList({"C1", "J1", "U8"}));
    EXPECT_EQ(PrintPlanGenerator::toText(kept).count("cavity could not be cut"), 3);
}
