// 3MF export of a real design (components of a KiCad netlist with their KiCad footprints,
// sunk into a 100 x 80 x 15 mm part, one three-segment track per pair) at 10, 25, 50 and 100
// components (the part grows in Y to hold them). Beside the whole export, the same run
// measures the share of collecting, carving, meshing and writing, and a floor: every volume
// cut out in one boolean, checked, meshed with the conductor volumes and written
// (x_floor_partonly: a floor that meshes the part alone). repeat_s is a second export of the
// same design through the kept assembly (against meshing and writing); cut_parallel_* compare
// the one-shot cut in OpenCASCADE's parallel mode with the serial one (speed-up; 1 when
// volume, validity and solid count agree). x_floor_cpu compares process CPU times, steadier on a
// shared machine but counting worker threads' waiting (the mesher's on both sides, the pads'
// lengthening on the export's): an upper bound.
// The tracks sit in a routing model whose route solids the display has built, as in the window;
// x_floor_cold adds building them during the export.
#include "threemfdesign.h"

#include "outputs/assemblycache.h"
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

#include <time.h>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepTools.hxx>
#include <TopTools_ListOfShape.hxx>

#include <benchmark/benchmark.h>

#include "benchmain.h"

namespace {

double seconds(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) * 1e-9;
}

double processCpuNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
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
    // Rows of 12 mm, nine components a row: the part grows to hold them all.
    spec.partY = std::max(spec.partY, 10.0 + 12.0 * ((spec.components + 8) / 9));
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
    int triangles = 0, cavitiesFailed = 0;
    bool exported = true, floorValid = true;
    double repeat = 0.0, floorWithoutConductor = 0.0, totalCpu = 0.0, floorCpu = 0.0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        double cpuStart = processCpuNow();
        const ThreeMfExportSummary summary = ThreeMfExporter().exportThreeMf(path, input, plan, options);
        total = seconds(timer);
        totalCpu = processCpuNow() - cpuStart;
        exported = exported && summary.ok;
        triangles = summary.triangleCount;
        cavitiesFailed = summary.cavitiesFailed;

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

        // Floor: one cut of every volume at once, its check, the mesh of the part and of the
        // conductor (each pad and track as collected, unfused) and the package.
        TopTools_ListOfShape arguments, tools;
        arguments.Append(design.part);
        QList<CollectedVolume> conductorVolumes;
        QList<TopoDS_Shape> shapes;
        for (const CollectedVolume& volume : StepExporter::collectVolumes(input, options)) {
            tools.Append(volume.shape);
            shapes.append(volume.shape);
            if (volume.kind != BodyVolume)
                conductorVolumes.append(volume);
        }
        for (const CollectedVolume& volume : conductorVolumes)
            BRepTools::Clean(volume.shape); // meshed by an earlier iteration
        timer.restart();
        cpuStart = processCpuNow();
        BRepAlgoAPI_Cut cut;
        cut.SetArguments(arguments);
        cut.SetTools(tools);
        cut.SetFuzzyValue(options.baseFuzzy); // the export's cut runs with it too, as in bench_assembly
        cut.SetRunParallel(false);
        cut.Build();
        const TopoDS_Shape carved = cut.IsDone() ? cut.Shape() : TopoDS_Shape();
        floorValid = floorValid && !carved.IsNull() && BRepCheck_Analyzer(carved).IsValid();
        ThreeMfMesh floorModel;
        ThreeMfExporter::appendPart(floorModel, QStringLiteral("part"), false,
                                    ThreeMfExporter::triangulate(carved, options.linearDeflection,
                                                                 options.angularDeflection, assembly.smallestFeature,
                                                                 nullptr));
        const double floorPartOnly = seconds(timer);
        for (const CollectedVolume& volume : std::as_const(conductorVolumes))
            ThreeMfExporter::appendPart(floorModel, volume.name, true,
                                        ThreeMfExporter::triangulate(volume.shape, options.linearDeflection,
                                                                     options.angularDeflection,
                                                                     assembly.smallestFeature, nullptr));
        const double floorCut = seconds(timer);
        const double packaging = writePackage(floorModel, plan, path);
        floor = floorCut + packaging;
        floorCpu = processCpuNow() - cpuStart;
        floorWithoutConductor = floorPartOnly + packaging;

        // The same design exported again through the window's kept assembly (part, then project).
        AssemblyCache cache;
        ThreeMfExporter().exportThreeMf(path, input, plan, options, &cache);
        timer.restart();
        ThreeMfExporter().exportThreeMf(path, input, plan, options, &cache);
        repeat = seconds(timer);

        state.ResumeTiming();
    }
    if (!exported)
        state.SkipWithError("export failed");
    const double steps = collect + carve + mesh + write;
    state.counters["components"] = double(spec.components);
    state.counters["tracks"] = double(design.routes.size());
    state.counters["triangles"] = triangles;
    state.counters["cav_failed"] = cavitiesFailed;
    state.counters["floor_valid"] = floorValid;
    state.counters["total_s"] = total;
    state.counters["floor_s"] = floor;
    state.counters["x_floor"] = floor > 0.0 ? total / floor : 0.0;
    state.counters["x_floor_cpu"] = floorCpu > 0.0 ? totalCpu / floorCpu : 0.0;
    state.counters["x_floor_partonly"] = floorWithoutConductor > 0.0 ? total / floorWithoutConductor : 0.0;
    state.counters["repeat_s"] = repeat;
    state.counters["repeat_vs_mesh_write"] = mesh + write > 0.0 ? repeat / (mesh + write) : 0.0;
    state.counters["x_floor_cold"] = floor > 0.0 ? (total + routesCold) / floor : 0.0;
    state.counters["routes_cold_s"] = routesCold;
    state.counters["collect_pct"] = steps > 0.0 ? 100.0 * collect / steps : 0.0;
    state.counters["carve_pct"] = steps > 0.0 ? 100.0 * carve / steps : 0.0;
    state.counters["mesh_pct"] = steps > 0.0 ? 100.0 * mesh / steps : 0.0;
    state.counters["write_pct"] = steps > 0.0 ? 100.0 * write / steps : 0.0;
}
BENCHMARK(BM_ThreeMfExport)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
