// Carved part and STEP writing on a 100 x 80 x 15 mm part with N components (a 4 x 4 x 3 mm
// body and two pads each, N cavities) and 2N tracks of two segments, N = 10, 25, 50, 100. Each run
// reports the export's total (exportStep: the assembly, then the write, as a job beside the
// calling thread; in_turn_s is the same two called here in turn), the share of collecting the
// volumes (pad lengthening and the routing model's route solids), of carving (the checked one-shot
// cut) and of writing, the meshing of the carved part and its conductors (what the 3MF export
// adds), and the floor measured in the same run: one BRepAlgoAPI_Cut of every volume at once,
// its validity check and the STEP write of its result with the conductor volumes as collected
// (ratio: the median of three warm pairs' export / floor; ratio_partonly_floor writes the part
// alone; assembly_s and writing_s split in_turn_s, floor_carving_s and floor_write_s the floor;
// exported is 1 when the export succeeded with every cavity cut). repeat_s is a second
// export of the same design through the kept assembly (repeat_vs_write against the write
// alone); cut_parallel_* compare the one-shot cut in OpenCASCADE's parallel mode with the
// serial one (speed-up, and 1 when volume, validity and solid count agree); check_x_cut times
// the check that no cavity still holds material beside that cut (check_holding: the volumes it
// names, 0 expected). The *_cpu ratios
// use the process's CPU time, steadier on a shared machine but counting the worker threads
// that lengthen the pads, waiting included: an upper bound of the export's share. peak_MB is the
// resident memory the export adds at its peak over what the process held before it, rss_MB what
// it still holds after it (Linux).
// The window exports with the routing model's route solids already built by the track display:
// ratio counts that case; ratio_cold adds building every route solid during the export, and
// routes_cold_s / routes_pairwise_s compare that build with the running union of each route.
#include "benchmain.h"
#include "benchmemory.h"

#include "outputs/assemblycache.h"
#include "outputs/carving_p.h"
#include "outputs/stepexporter.h"
#include "routing/routingmanager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <vector>

#include <time.h>

#include <AIS_Shape.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <TopTools_ListOfShape.hxx>

namespace {

TopoDS_Shape box(double x0, double y0, double z0, double x1, double y1, double z1)
{
    return BRepPrimAPI_MakeBox(gp_Pnt(x0, y0, z0), gp_Pnt(x1, y1, z1)).Shape();
}

Route track(const QString& net, double x0, double y0, double x1, double y1, double z)
{
    Route route;
    route.netName = net;
    const gp_Pnt points[] = {gp_Pnt(x0, y0, z), gp_Pnt(x1, y0, z), gp_Pnt(x1, y1, z)};
    for (int i = 1; i < 3; ++i) {
        RouteSegment segment;
        segment.start = points[i - 1];
        segment.end = points[i];
        segment.width = 1.0;
        segment.height = 0.8;
        route.segments.append(segment);
    }
    return route;
}

struct Board
{
    TopoDS_Shape part;
    QMap<QString, PlacedComponentData> components;
    RoutingManager routing;

    explicit Board(int n)
    {
        part = box(0, 0, 0, 100, 80, 15);
        const int columns = 10;
        const int rows = (n + columns - 1) / columns;
        const double cellX = 100.0 / columns, cellY = 80.0 / rows;
        const double z = 10.0;
        for (int i = 0; i < n; ++i) {
            const double cx = cellX * (i % columns + 0.5), cy = cellY * (i / columns + 0.5);
            PlacedComponentData c;
            c.ref = QStringLiteral("U%1").arg(i + 1);
            c.position = gp_Pnt(cx, cy, z);
            c.compositeShape = new AIS_Shape(box(cx - 2, cy - 2, z, cx + 2, cy + 2, z + 3));
            for (int p = 0; p < 2; ++p) {
                const double px = cx + (p == 0 ? -1.5 : 1.5);
                PlacedPadData pad;
                pad.number = QString::number(p + 1);
                pad.worldPosition = gp_Pnt(px, cy, z);
                pad.placedShape = box(px - 0.5, cy - 0.75, z - 1.0, px + 0.5, cy + 0.75, z + 0.4);
                pad.scaledWidth = 1.0;
                pad.scaledHeight = 1.5;
                c.pads.append(pad);
                // Each pad leaves the body towards the cell's lower corner, away from the others.
                const double dir = p == 0 ? -1.0 : 1.0;
                routing.addRoute(track(QStringLiteral("N%1_%2").arg(i + 1).arg(p + 1), px, cy,
                                    cx + dir * (cellX * 0.5 - 1.0), cy - cellY * 0.35, z - 1.0));
            }
            components.insert(c.ref, c);
        }
    }

    AssemblyInput input() const
    {
        AssemblyInput in;
        in.mainPart = part;
        in.components = &components;
        in.routes = &routing.routes();
        const RoutingManager* model = &routing;
        in.routeShape = [model](const Route& route) { return model->routeShape(route); };
        return in;
    }
};

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) * 1e-9;
}

double processCpuNow()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

// Wall time, and the process's CPU time, which other users of a shared machine disturb less.
struct Stopwatch
{
    QElapsedTimer wall;
    double cpuStart = 0.0;
    void start()
    {
        wall.start();
        cpuStart = processCpuNow();
    }
    void restart() { start(); }
    double cpu() const { return processCpuNow() - cpuStart; }
};

double seconds(const Stopwatch& watch)
{
    return seconds(watch.wall);
}

void BM_StepExport(benchmark::State& state)
{
    const Board board(int(state.range(0)));
    const ExportOptions options;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("board.step"));
    for (auto _ : state) {
        // The old road to the route solids: each route's pieces united one after the other.
        Stopwatch timer;
        timer.start();
        for (const Route& route : board.routing.routes()) {
            TopoDS_Shape united;
            bool has = false;
            for (const TopoDS_Shape& piece : RoutingManager::routePieces(route))
                RoutingManager::safeFuse(united, has, piece);
            benchmark::DoNotOptimize(united);
        }
        const double routesPairwise = seconds(timer);

        // The first collection builds every route's solid, as the track display does once.
        timer.restart();
        benchmark::DoNotOptimize(StepExporter::collectVolumes(board.input(), options));
        const double collectingCold = seconds(timer);

        // Collecting the volumes builds every pad's lengthened solid and takes the kept route solids.
        timer.restart();
        const QList<CollectedVolume> volumes = StepExporter::collectVolumes(board.input(), options);
        const double collecting = seconds(timer);

        // Floor: one cut of every collected volume, its check, and the write of what the file
        // holds: the carved part and the conductor (each pad and track as collected, unfused).
        struct Floor
        {
            double carving = 0.0, carvingCpu = 0.0, partWrite = 0.0, partWriteCpu = 0.0, wall = 0.0, cpu = 0.0;
        };
        // The part written alone as well only the first time, where its figure is read.
        const auto floorOnce = [&](bool partAlone) {
            Floor f;
            timer.restart();
            TopTools_ListOfShape arguments, tools;
            arguments.Append(board.part);
            QList<ConductorGroup> floorConductors;
            for (const CollectedVolume& volume : volumes) {
                tools.Append(volume.shape);
                if (volume.kind != BodyVolume)
                    floorConductors.append({volume.shape, volume.name});
            }
            BRepAlgoAPI_Cut floorCut;
            floorCut.SetArguments(arguments);
            floorCut.SetTools(tools);
            floorCut.SetFuzzyValue(options.baseFuzzy);
            floorCut.SetRunParallel(false);
            floorCut.Build();
            benchmark::DoNotOptimize(OccUtils::isValidShape(floorCut.Shape()));
            f.carving = seconds(timer), f.carvingCpu = timer.cpu();
            timer.restart();
            StepExporter::writeStepFile(path, floorCut.Shape(), floorConductors);
            f.wall = f.carving + seconds(timer), f.cpu = f.carvingCpu + timer.cpu();
            // After the whole write: a write's model is freed beside it under the translators'
            // lock, and one freed meanwhile held the next write back.
            if (partAlone) {
                timer.restart();
                StepExporter::writeStepFile(path, floorCut.Shape(), {});
                f.partWrite = seconds(timer), f.partWriteCpu = timer.cpu();
            }
            return f;
        };
        const Floor firstFloor = floorOnce(true);
        const double floorCarving = firstFloor.carving;
        const double floorPartOnly = firstFloor.carving + firstFloor.partWrite;
        const double floorPartOnlyCpu = firstFloor.carvingCpu + firstFloor.partWriteCpu;

        // The carving's cut alone, in rounds, and the weighing of what each volume still holds of
        // the part as its file gives it back.
        QList<TopoDS_Shape> shapes;
        for (const CollectedVolume& volume : volumes)
            shapes.append(volume.shape);
        timer.restart();
        const TopoDS_Shape serialCut = Carving::detail::cutInRounds(board.part, shapes, options.baseFuzzy).shape;
        const double carving = seconds(timer), carvingCpu = timer.cpu();
        const TopoDS_Shape written = Carving::detail::asWritten(serialCut);
        timer.restart();
        int holding = 0;
        for (const Carving::Weight& weight : Carving::weigh(written, shapes))
            holding += !weight.known || weight.held > Carving::kHeldVolume ? 1 : 0;
        const double checking = seconds(timer), checkingCpu = timer.cpu();

        // The assembly and the write in turn, the check of the cavities in the assembly.
        timer.restart();
        const AssemblyResult result = StepExporter::buildAssembly(board.input(), options);
        const double assembly = seconds(timer);
        timer.restart();
        StepExporter::writeStepFile(path, result.part, result.conductors);
        const double writing = seconds(timer);

        // The export as the user runs it, and the memory it adds over what the process held.
        const long rssBefore = BenchMemory::statusKb("VmRSS");
        BenchMemory::resetPeak();
        timer.restart();
        const StepExportSummary exported = StepExporter::exportStep(path, board.input(), options);
        const double exporting = seconds(timer), exportingCpu = timer.cpu();
        const double peakMb = double(BenchMemory::statusKb("VmHWM") - rssBefore) / 1024.0;
        const double rssMb = double(BenchMemory::statusKb("VmRSS") - rssBefore) / 1024.0;

        // Then three pairs of the floor and the export, in turn, once both have run warm: one
        // pair's ratio swings by a tenth and more on a shared machine, and the first floor, the
        // process's first cut and write, runs cold. The figures are the medians of the pairs'.
        std::vector<double> wallRatios, cpuRatios, floors, exports;
        for (int pair = 0; pair < 3; ++pair) {
            const Floor f = floorOnce(false);
            timer.restart();
            benchmark::DoNotOptimize(StepExporter::exportStep(path, board.input(), options));
            const double wall = seconds(timer), cpu = timer.cpu();
            wallRatios.push_back(wall / f.wall);
            cpuRatios.push_back(cpu / f.cpu);
            floors.push_back(f.wall);
            exports.push_back(wall);
        }
        const auto median = [](std::vector<double> values) {
            std::sort(values.begin(), values.end());
            return values[values.size() / 2];
        };

        // The same design exported again through the window's kept assembly.
        AssemblyCache cache;
        StepExporter::exportStep(path, board.input(), options, &cache);
        timer.restart();
        StepExporter::exportStep(path, board.input(), options, &cache);
        const double repeat = seconds(timer);

        // What the 3MF export adds: meshing the carved part and the conductors.
        timer.restart();
        BRepMesh_IncrementalMesh(result.part, options.linearDeflection, false, options.angularDeflection, false);
        for (const ConductorGroup& group : result.conductors)
            BRepMesh_IncrementalMesh(group.shape, options.linearDeflection, false, options.angularDeflection, false);
        const double meshing = seconds(timer);

        const double total = exporting;
        const double floor = firstFloor.wall;
        state.counters["total_s"] = median(exports);
        state.counters["floor_s"] = median(floors);
        state.counters["floor_carving_s"] = floorCarving;
        state.counters["floor_write_s"] = floor - floorCarving;
        state.counters["assembly_s"] = assembly;
        state.counters["writing_s"] = writing;
        state.counters["ratio"] = median(wallRatios);
        state.counters["ratio_first"] = total / floor;
        for (size_t k = 0; k < floors.size(); ++k) {
            state.counters["pair" + std::to_string(k) + "_ratio"] = wallRatios[k];
            state.counters["pair" + std::to_string(k) + "_ratio_cpu"] = cpuRatios[k];
        }
        state.counters["ratio_partonly_floor"] = total / floorPartOnly;
        state.counters["ratio_cpu"] = median(cpuRatios);
        state.counters["ratio_cpu_first"] = exportingCpu / firstFloor.cpu;
        state.counters["in_turn_s"] = assembly + writing;
        state.counters["exported"] = exported.success && exported.cavitiesFailed == 0 ? 1 : 0;
        state.counters["ratio_partonly_floor_cpu"] = exportingCpu / floorPartOnlyCpu;
        state.counters["repeat_s"] = repeat;
        state.counters["repeat_vs_write"] = repeat / writing;
        state.counters["ratio_cold"] = (total + collectingCold - collecting) / floor;
        state.counters["routes_cold_s"] = collectingCold - collecting;
        state.counters["routes_pairwise_s"] = routesPairwise;
        state.counters["collecting_share"] = collecting / total;
        state.counters["carving_share"] = carving / total;
        state.counters["check_x_cut"] = checking / carving;
        state.counters["check_x_cut_cpu"] = checkingCpu / carvingCpu;
        state.counters["check_holding"] = holding;
        state.counters["writing_share"] = writing / total;
        state.counters["meshing_s"] = meshing;
        state.counters["meshing_vs_total"] = meshing / total;
        state.counters["one_cut"] = result.carvedInOneCut ? 1 : 0;
        state.counters["cavities"] = result.cavitiesOk;
        state.counters["peak_MB"] = peakMb;
        state.counters["rss_MB"] = rssMb;
    }
}
BENCHMARK(BM_StepExport)->Arg(10)->Arg(25)->Arg(50)->Arg(100)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
