// What stands in the part, as the print plan and the exports' summaries tell it: one rule for
// both (any pad, as carved, or the body sharing material with the part), and tracks lying
// wholly outside the part counted and named.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/partpresence.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"

#include <QTemporaryDir>

#include <AIS_Shape.hxx>

#include <gtest/gtest.h>

namespace {

using DesignFixture::box;

// A part 60 x 40 x 10 (top at z = 10). Pads are carved lengthened 0.1 mm downward, so pads
// resting on the top still cut a cavity; a component against a side face shares no material.
TEST(PartPresence, PlanAndExportSayTheSameOfEachPlacement)
{
    const TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    const struct
    {
        const char* name;
        gp_Pnt at;
        double lift;
        bool inPart;
        bool atTheEnd; // inserted after the last layer: its body's top above the part
    } rows[] = {
        {"body and pads in", gp_Pnt(10, 10, 5), 0.0, true, false},
        {"pads in, body above the top", gp_Pnt(20, 20, 10), 0.4, true, true},
        {"pads resting on the top", gp_Pnt(30, 20, 11), 0.0, true, true},
        {"all beside the part", gp_Pnt(100, 100, 5), 0.0, false, false},
        {"against a side face", gp_Pnt(62.5, 20, 5), 0.0, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QMap<QString, PlacedComponentData> components{{"U1", DesignFixture::twoPadComponent("U1", row.at, row.lift)}};
        const AssemblyResult assembly = StepExporter::buildAssembly(DesignFixture::Design{part, {}, components, {}}.input(), ExportOptions());
        const PrintPlan plan = PrintPlanGenerator::generate(components, {}, part, 0.2);
        ASSERT_TRUE(plan.ok);
        const int outside = row.inPart ? 0 : 1;
        EXPECT_EQ(assembly.componentsOutside, outside);
        EXPECT_EQ(plan.outsidePartCount(), outside);
        EXPECT_EQ(assembly.cavitiesOk > 0, row.inPart);
        EXPECT_EQ(plan.endInsertions.size(), row.atTheEnd ? 1 : 0);
        const QString text = PrintPlanGenerator::toText(plan);
        EXPECT_EQ(text.contains(QStringLiteral("U1 — not in the part — nothing to embed")), !row.inPart)
            << text.toStdString();
        EXPECT_EQ(text.split(QLatin1Char('\n')).at(3).endsWith(QStringLiteral("1 component(s) not in the part")),
                  !row.inPart);
    }
}

// Tracks 2 mm wide and 1 mm high in the same part: those sharing no material with it are named
// by their net in both exports' summaries, once per track.
TEST(PartPresence, ExportsNameTheTracksOutsideThePart)
{
    const TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    const QList<Route> routes{
        DesignFixture::route("IN", {QPointF(10, 10), QPointF(30, 10)}, 5.0),
        DesignFixture::route("ACROSS_EDGE", {QPointF(50, 20), QPointF(70, 20)}, 5.0),
        DesignFixture::route("BESIDE", {QPointF(70, 5), QPointF(90, 5)}, 5.0),
        DesignFixture::route("ABOVE", {QPointF(10, 30), QPointF(30, 30)}, 12.0),
        DesignFixture::route("ABOVE", {QPointF(10, 35), QPointF(30, 35)}, 12.0),
        DesignFixture::route("ON_TOP", {QPointF(40, 30), QPointF(50, 30)}, 10.0),
    };
    const DesignFixture::Design design{part, {}, {}, routes};
    const AssemblyInput input = design.input();
    const QStringList outside{"BESIDE", "ABOVE", "ABOVE", "ON_TOP"};
    EXPECT_EQ(StepExporter::buildAssembly(input, ExportOptions()).tracksOutside, outside);

    QTemporaryDir dir;
    const StepExportSummary step = StepExporter::exportStep(dir.filePath("tracks.step"), input, ExportOptions());
    ASSERT_TRUE(step.success) << step.error.toStdString();
    EXPECT_EQ(step.tracksOutside, outside);
    ExportOptions options;
    options.embedPlanTxt = options.embedPlanCsv = false;
    const ThreeMfExportSummary printed =
        ThreeMfExporter().exportThreeMf(dir.filePath("tracks.3mf"), input, PrintPlan(), options);
    ASSERT_TRUE(printed.ok) << printed.error.toStdString();
    EXPECT_EQ(printed.tracksOutside, outside);
}

// One holder of verdicts across parts: a component is judged by the part of the moment, the same
// volumes again after another part, and an export handed verdicts of another part measures its own.
TEST(PartPresence, VerdictsFollowThePart)
{
    const QMap<QString, PlacedComponentData> components{
        {"U1", DesignFixture::twoPadComponent("U1", gp_Pnt(10, 10, 5), 0.0)}};
    const TopoDS_Shape around = box(0, 0, 0, 60, 40, 10);
    const TopoDS_Shape beside = box(200, 0, 0, 260, 40, 10);
    const QList<VolumeSource> sources =
        PartPresence::volumesOf(DesignFixture::Design{around, {}, components, {}}.input());
    PartPresence presence;
    for (const TopoDS_Shape& part : {around, beside, around}) {
        ASSERT_TRUE(presence.update(part, sources));
        EXPECT_EQ(presence.componentsOutside(sources).size(), part.IsSame(beside) ? 1 : 0);
    }
    AssemblyInput input = DesignFixture::Design{beside, {}, components, {}}.input();
    input.presence = &presence;
    EXPECT_EQ(StepExporter::buildAssembly(input, ExportOptions()).componentsOutside, 1);
}

} // namespace
