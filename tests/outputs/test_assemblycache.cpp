// The kept assembly: an unchanged design is carved once for any number of exports, every kind
// of change to what is carved carves anew (never a stale part), and a kept assembly meshed
// again with other deflections gives the same file as a first export.
#include "designfixture.h"
#include "testsupport.h"

#include "outputs/assemblycache.h"
#include "outputs/printplan.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"
#include "routing/routingmanager.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <AIS_Shape.hxx>
#include <BRepBuilderAPI_Transform.hxx>

#include <gtest/gtest.h>

#include <functional>

namespace {

using DesignFixture::box;

PlacedComponentData component(const QString& ref, double x, double y)
{
    PlacedComponentData c;
    c.ref = ref;
    c.position = gp_Pnt(x, y, 6);
    c.compositeShape = new AIS_Shape(box(x - 2, y - 2, 6, x + 2, y + 2, 9));
    c.bodyWidth = c.bodyLength = 4.0;
    c.bodyHeight = 3.0;
    for (int i = 0; i < 2; ++i) {
        PlacedPadData pad;
        pad.number = QString::number(i + 1);
        const double px = x - 1.5 + 3.0 * i;
        pad.worldPosition = gp_Pnt(px, y, 6);
        pad.placedShape = box(px - 0.5, y - 0.75, 5, px + 0.5, y + 0.75, 6.4);
        pad.scaledWidth = 1.0;
        pad.scaledHeight = 1.5;
        c.pads.append(pad);
    }
    return c;
}

TopoDS_Shape moved(const TopoDS_Shape& shape, double dx)
{
    gp_Trsf t;
    t.SetTranslation(gp_Vec(dx, 0, 0));
    return BRepBuilderAPI_Transform(shape, t, true).Shape();
}

// Route solids kept per route, as the routing model keeps them for the display.
struct Board
{
    TopoDS_Shape part = box(0, 0, 0, 60, 40, 10);
    QMap<QString, PlacedComponentData> components;
    QList<Route> routes;
    QHash<quint64, TopoDS_Shape> kept;
    bool routesBuildable = true;

    Board()
    {
        components.insert(QStringLiteral("R1"), component(QStringLiteral("R1"), 15, 15));
        components.insert(QStringLiteral("R2"), component(QStringLiteral("R2"), 40, 25));
        Route route = DesignFixture::route(QStringLiteral("N1"), {QPointF(16.5, 15), QPointF(16.5, 25),
                                                                  QPointF(38.5, 25)},
                                           5.0, 1.0, 0.8);
        route.id = 1;
        routes.append(route);
    }

    AssemblyInput input()
    {
        AssemblyInput in;
        in.mainPart = part;
        in.components = &components;
        in.routes = &routes;
        in.routeShape = [this](const Route& route) {
            if (!routesBuildable)
                return TopoDS_Shape();
            auto found = kept.find(route.id);
            if (found == kept.end())
                found = kept.insert(route.id, RoutingManager::createRouteShape(route));
            return *found;
        };
        return in;
    }
};

TEST(AssemblyCache, UnchangedDesignIsCarvedOnceAndDoesNotDependOnMeshOrPackageOptions)
{
    Board board;
    AssemblyCache cache;
    ExportOptions options;
    const AssemblyResult first = cache.assembly(board.input(), options);
    EXPECT_FALSE(cache.lastWasReused());
    options.linearDeflection = 0.2;
    options.angularDeflection = 0.3;
    options.embedPlanCsv = false;
    options.conductorPerimeters = 2;
    options.nativePauses = false;
    const AssemblyResult second = cache.assembly(board.input(), options);
    EXPECT_TRUE(cache.lastWasReused());
    EXPECT_EQ(cache.carvings(), 1);
    EXPECT_TRUE(second.part.IsSame(first.part));
    EXPECT_EQ(second.cavitiesOk, first.cavitiesOk);
    ASSERT_EQ(second.conductors.size(), first.conductors.size());
}

// Each change of what is carved, followed by the check that the assembly handed out is the
// one a fresh carving of the changed design gives.
TEST(AssemblyCache, EveryChangeOfTheCarvingInputCarvesAnew)
{
    const struct
    {
        const char* name;
        std::function<void(Board&, ExportOptions&)> change;
    } rows[] = {
        {"part reloaded (same geometry, new shape)", [](Board& b, ExportOptions&) { b.part = box(0, 0, 0, 60, 40, 10); }},
        {"part replaced", [](Board& b, ExportOptions&) { b.part = box(0, 0, 0, 60, 40, 12); }},
        {"pad moved", [](Board& b, ExportOptions&) {
             PlacedPadData& pad = b.components[QStringLiteral("R1")].pads[0];
             pad.placedShape = moved(pad.placedShape, 0.2);
         }},
        {"pad placed through a location", [](Board& b, ExportOptions&) {
             gp_Trsf t;
             t.SetTranslation(gp_Vec(0.2, 0, 0));
             PlacedPadData& pad = b.components[QStringLiteral("R1")].pads[0];
             pad.placedShape = pad.placedShape.Moved(TopLoc_Location(t));
         }},
        {"body moved", [](Board& b, ExportOptions&) {
             PlacedComponentData& c = b.components[QStringLiteral("R2")];
             c.compositeShape = new AIS_Shape(moved(c.compositeShape->Shape(), 1.0));
         }},
        {"body turned off", [](Board& b, ExportOptions&) { b.components[QStringLiteral("R2")].bodyEnabled = false; }},
        {"footprint thickness", [](Board& b, ExportOptions&) {
             b.components[QStringLiteral("R2")].footprintThickness = 0.1;
         }},
        {"component removed", [](Board& b, ExportOptions&) { b.components.remove(QStringLiteral("R2")); }},
        {"component added", [](Board& b, ExportOptions&) {
             b.components.insert(QStringLiteral("R3"), component(QStringLiteral("R3"), 15, 30));
         }},
        {"track edited", [](Board& b, ExportOptions&) {
             b.routes[0].segments[0].end.SetY(28);
             b.routes[0].segments[1].start.SetY(28);
             b.routes[0].segments[1].end.SetY(28);
             b.kept.remove(b.routes[0].id);
         }},
        {"track removed", [](Board& b, ExportOptions&) { b.routes.clear(); }},
        {"track solid no longer built", [](Board& b, ExportOptions&) { b.routesBuildable = false; }},
        {"net renamed", [](Board& b, ExportOptions&) { b.routes[0].netName = QStringLiteral("N2"); }},
        {"bodies left out", [](Board&, ExportOptions& o) { o.includeBodies = false; }},
        {"pads left out", [](Board&, ExportOptions& o) { o.includePads = false; }},
        {"tracks left out", [](Board&, ExportOptions& o) { o.includeRoutes = false; }},
        {"base fuzzy value", [](Board&, ExportOptions& o) { o.baseFuzzy = 0.02; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Board board;
        AssemblyCache cache;
        ExportOptions options;
        const AssemblyResult before = cache.assembly(board.input(), options);
        row.change(board, options);
        const AssemblyResult after = cache.assembly(board.input(), options);
        EXPECT_FALSE(cache.lastWasReused());
        EXPECT_EQ(cache.carvings(), 2);
        EXPECT_FALSE(after.part.IsSame(before.part));

        const AssemblyResult fresh = StepExporter::buildAssembly(board.input(), options);
        EXPECT_NEAR(TestSupport::volumeOf(after.part), TestSupport::volumeOf(fresh.part), 1e-6);
        EXPECT_EQ(after.cavitiesOk, fresh.cavitiesOk);
        EXPECT_EQ(after.tracksMissing, fresh.tracksMissing);
        ASSERT_EQ(after.conductors.size(), fresh.conductors.size());
        for (int i = 0; i < after.conductors.size(); ++i)
            EXPECT_EQ(after.conductors.at(i).name, fresh.conductors.at(i).name);

        // Exported again unchanged, the new assembly is kept.
        cache.assembly(board.input(), options);
        EXPECT_TRUE(cache.lastWasReused());
    }
}

// Undoing a change brings back the earlier shapes: that is again a change from the kept one.
TEST(AssemblyCache, UndoCarvesTheRestoredDesign)
{
    Board board;
    AssemblyCache cache;
    const ExportOptions options;
    const double whole = TestSupport::volumeOf(cache.assembly(board.input(), options).part);
    const PlacedComponentData original = board.components.value(QStringLiteral("R2"));
    board.components.remove(QStringLiteral("R2"));
    const double without = TestSupport::volumeOf(cache.assembly(board.input(), options).part);
    EXPECT_GT(without, whole + 1.0);
    board.components.insert(original.ref, original);
    const double undone = TestSupport::volumeOf(cache.assembly(board.input(), options).part);
    EXPECT_FALSE(cache.lastWasReused());
    EXPECT_EQ(cache.carvings(), 3);
    EXPECT_NEAR(undone, whole, 1e-6);
}

QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// STEP, then 3MF part, then 3MF project with other deflections, then the first 3MF again: one
// carving, and every file the same as the one a first export writes.
TEST(AssemblyCache, ExportsInARowShareOneCarvingAndWriteWhatAFirstExportWrites)
{
    Board board;
    AssemblyCache cache;
    QTemporaryDir dir;
    const PrintPlan plan; // no plan: nothing embedded depends on it here
    ExportOptions fine;
    fine.linearDeflection = 0.01;
    ExportOptions coarse;
    coarse.linearDeflection = 0.2;
    coarse.angularDeflection = 0.8;

    const auto threeMf = [&](const QString& name, const ExportOptions& options, AssemblyCache* with) {
        const QString path = dir.filePath(name);
        const ThreeMfExportSummary summary = ThreeMfExporter().exportThreeMf(path, board.input(), plan, options, with);
        EXPECT_TRUE(summary.ok) << summary.error.toStdString();
        return fileContent(path);
    };
    const StepExportSummary step =
        StepExporter::exportStep(dir.filePath(QStringLiteral("a.step")), board.input(), ExportOptions(), &cache);
    ASSERT_TRUE(step.success);
    const QByteArray fineKept = threeMf(QStringLiteral("fine.3mf"), fine, &cache);
    const QByteArray coarseKept = threeMf(QStringLiteral("coarse.3mf"), coarse, &cache);
    const QByteArray fineAgain = threeMf(QStringLiteral("fine2.3mf"), fine, &cache);
    EXPECT_EQ(cache.carvings(), 1);
    EXPECT_TRUE(cache.lastWasReused());

    EXPECT_EQ(coarseKept, threeMf(QStringLiteral("coarse-first.3mf"), coarse, nullptr));
    EXPECT_EQ(fineKept, threeMf(QStringLiteral("fine-first.3mf"), fine, nullptr));
    EXPECT_EQ(fineAgain, fineKept);
    EXPECT_NE(coarseKept, fineKept);

    // The STEP file after the meshings holds the same shapes as the first one.
    const StepExportSummary again =
        StepExporter::exportStep(dir.filePath(QStringLiteral("b.step")), board.input(), ExportOptions(), &cache);
    ASSERT_TRUE(again.success);
    const DesignFixture::ReadBack a = DesignFixture::readStep(dir.filePath(QStringLiteral("a.step")));
    const DesignFixture::ReadBack b = DesignFixture::readStep(dir.filePath(QStringLiteral("b.step")));
    EXPECT_EQ(a.names, b.names);
    ASSERT_EQ(a.shapes.size(), b.shapes.size());
    for (int i = 0; i < a.shapes.size(); ++i)
        EXPECT_NEAR(TestSupport::volumeOf(a.shapes.at(i)), TestSupport::volumeOf(b.shapes.at(i)), 1e-9);
}

} // namespace
