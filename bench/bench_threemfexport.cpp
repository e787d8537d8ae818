// 3MF export of a real design (components of a KiCad netlist with their KiCad footprints,
// sunk into a 100 x 80 x 15 mm part, one three-segment track per pair) at 10, 25 and 50
// components. Beside the whole export, the same run measures the share of collecting, carving, meshing
// and writing, and a floor: every volume cut out in one boolean, checked, meshed and written.
// The tracks sit in a routing model whose route solids the display has built, as in the window;
// x_floor_cold adds building them during the export.
#include "threemfdesign.h"

#include "outputs/exportoptions.h"
#include "outputs/printplangenerator.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"
#include "outputs/zipwriter.h"
#include "routing/routingmanager.h"
#include "foundation/fileutils.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <TopTools_ListOfShape.hxx>

#include <benchmark/benchmark.h>

#include "benchmain.h"

namespace {

double seconds(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) * 1e-9;
}

// The package bytes of a model, as the export builds them, written atomically.
double writePackage(const ThreeMfMesh& model, const PrintPlan& plan, const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    ZipWriter zip;
    zip.addFile(QStringLiteral("3D/3dmodel.model"), ThreeMfExporter::writeModelXml(model));
    zip.addFile(QStringLiteral("Metadata/Vantorquelle_PrintPlan.txt"), PrintPlanGenerator::toText(plan).toUtf8());
    zip.addFile(QStringLiteral("Metadata/Vantorquelle_PrintPlan.csv"), PrintPlanGenerator::toCsv(plan).toUtf8());
    zip.addFile(QStringLiteral("Metadata/Slic3r_PE_model.config"), ThreeMfExporter::writeSlicerConfig(model.parts, 4));
    zip.addFile(QStringLiteral("Metadata/Prusa_Slicer_custom_gcode_per_print_z.xml"),
                ThreeMfExporter::writeCustomGcodeXml(plan));
    FileUtils::writeFileAtomically(path, zip.finish());
    return seconds(timer);
}

void BM_ThreeMfExport(benchmark::State& state)
{
    ThreeMfDesignSpec spec;
    spec.components = int(state.range(0));
    ThreeMfDesign design;
    QString why;
    if (!buildThreeMfDesign(spec, design, &why)) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
    RoutingManager routing;
    for (const Route& route : std::as_const(design.routes))
        routing.addRoute(route);
    AssemblyInput input = design.input();
    input.routes = &routing.routes();
    input.routeShape = [&routing](const Route& route) { return routing.routeShape(route); };
    QElapsedTimer warming;
    warming.start();
    for (const Route& route : routing.routes())
        benchmark::DoNotOptimize(routing.routeShape(route));
    const double routesCold = seconds(warming);
    const PrintPlan plan = design.plan(0.2);
    const ExportOptions options;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.3mf"));

    double total = 0.0, collect = 0.0, carve = 0.0, mesh = 0.0, write = 0.0, floor = 0.0;
    int triangles = 0, cavitiesFailed = 0, unvalidated = 0;
    bool exported = true, floorValid = true;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const ThreeMfExportSummary summary = ThreeMfExporter().exportThreeMf(path, input, plan, options);
        total = seconds(timer);
        exported = exported && summary.ok;
        triangles = summary.triangleCount;
        cavitiesFailed = summary.cavitiesFailed;
        unvalidated = summary.cavitiesUnvalidated;

        state.PauseTiming();
        // The same steps one by one, for their shares; the assembly collects the volumes again.
        timer.restart();
        benchmark::DoNotOptimize(StepExporter::collectVolumes(input, options));
        collect = seconds(timer);
        timer.restart();
        const AssemblyResult assembly = StepExporter::buildAssembly(input, options);
        carve = std::max(0.0, seconds(timer) - collect);
        timer.restart();
        ThreeMfMesh model;
        ThreeMfExporter::appendPart(model, QStringLiteral("Vantorquelle_Piece"), false,
                                    ThreeMfExporter::triangulate(assembly.part, options.linearDeflection,
                                                                 options.angularDeflection, assembly.smallestFeature,
                                                                 nullptr));
        for (const ConductorGroup& group : assembly.conductors)
            ThreeMfExporter::appendPart(model, group.name, true,
                                        ThreeMfExporter::triangulate(group.shape, options.linearDeflection,
                                                                     options.angularDeflection,
                                                                     assembly.smallestFeature, nullptr));
        mesh = seconds(timer);
        write = writePackage(model, plan, path);

        // Floor: one cut of every volume at once, its check, its mesh and the package.
        TopTools_ListOfShape arguments, tools;
        arguments.Append(design.part);
        for (const CollectedVolume& volume : StepExporter::collectVolumes(input, options))
            tools.Append(volume.shape);
        timer.restart();
        BRepAlgoAPI_Cut cut;
        cut.SetArguments(arguments);
        cut.SetTools(tools);
        cut.SetRunParallel(false);
        cut.Build();
        const TopoDS_Shape carved = cut.IsDone() ? cut.Shape() : TopoDS_Shape();
        floorValid = floorValid && !carved.IsNull() && BRepCheck_Analyzer(carved).IsValid();
        ThreeMfMesh floorModel;
        ThreeMfExporter::appendPart(floorModel, QStringLiteral("part"), false,
                                    ThreeMfExporter::triangulate(carved, options.linearDeflection,
                                                                 options.angularDeflection, assembly.smallestFeature,
                                                                 nullptr));
        const double floorCut = seconds(timer);
        floor = floorCut + writePackage(floorModel, plan, path);
        state.ResumeTiming();
    }
    if (!exported)
        state.SkipWithError("export failed");
    const double steps = collect + carve + mesh + write;
    state.counters["components"] = double(spec.components);
    state.counters["tracks"] = double(design.routes.size());
    state.counters["triangles"] = triangles;
    state.counters["cav_failed"] = cavitiesFailed;
    state.counters["unvalidated"] = unvalidated;
    state.counters["floor_valid"] = floorValid;
    state.counters["total_s"] = total;
    state.counters["floor_s"] = floor;
    state.counters["x_floor"] = floor > 0.0 ? total / floor : 0.0;
    state.counters["x_floor_cold"] = floor > 0.0 ? (total + routesCold) / floor : 0.0;
    state.counters["routes_cold_s"] = routesCold;
    state.counters["collect_pct"] = steps > 0.0 ? 100.0 * collect / steps : 0.0;
    state.counters["carve_pct"] = steps > 0.0 ? 100.0 * carve / steps : 0.0;
    state.counters["mesh_pct"] = steps > 0.0 ? 100.0 * mesh / steps : 0.0;
    state.counters["write_pct"] = steps > 0.0 ? 100.0 * write / steps : 0.0;
}
BENCHMARK(BM_ThreeMfExport)->Arg(10)->Arg(25)->Arg(50)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
