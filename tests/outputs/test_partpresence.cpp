// What stands in the part, as the print plan and the exports' summaries tell it: one rule for
// both (any pad, as carved, or the body sharing material with the part), and tracks lying
// wholly outside the part counted and named.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"
#include "routing/routingmanager.h"

#include <QTemporaryDir>

#include <AIS_Shape.hxx>

#include <gtest/gtest.h>

namespace {

using DesignFixture::box;

// Two 1 x 1.5 pads from 1 mm below the surface z to 0.4 mm above it, and a 4 x 4 x 3 body
// standing lift mm above the surface.
PlacedComponentData component(const QString& ref, const gp_Pnt& at, double lift)
{
    PlacedComponentData c;
    c.ref = ref;
    c.position = at;
    c.bodyOffsetZ = lift;
    c.compositeShape =
        new AIS_Shape(box(at.X() - 2, at.Y() - 2, at.Z() + lift, at.X() + 2, at.Y() + 2, at.Z() + lift + 3));
    for (int i = 0; i < 2; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        const double x = at.X() - 1.0 + 2.0 * i;
        pad.worldPosition = gp_Pnt(x, at.Y(), at.Z());
        pad.placedShape = box(x - 0.5, at.Y() - 0.75, at.Z() - 1.0, x + 0.5, at.Y() + 0.75, at.Z() + 0.4);
        pad.scaledWidth = 1.0;
        pad.scaledHeight = 1.5;
        c.pads.append(pad);
    }
    return c;
}

AssemblyInput inputOf(const TopoDS_Shape& part, const QMap<QString, PlacedComponentData>& components,
                      const QList<Route>& routes)
{
    AssemblyInput input;
    input.mainPart = part;
    input.components = &components;
    input.routes = &routes;
    input.routeShape = &RoutingManager::createRouteShape;
    return input;
}

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
        const QMap<QString, PlacedComponentData> components{{"U1", component("U1", row.at, row.lift)}};
        const AssemblyResult assembly = StepExporter::buildAssembly(inputOf(part, components, {}), ExportOptions());
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
    const QMap<QString, PlacedComponentData> none;
    const AssemblyInput input = inputOf(part, none, routes);
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

} // namespace
