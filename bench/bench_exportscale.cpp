// Exports of designs of real size, each beside the one-cut floor of the same design measured in
// the same run (one BRepAlgoAPI_Cut of every collected volume, its validity check, and the write
// of its result with the conductor volumes as collected, a component's pads as one compound; for
// 3MF the meshing of both too):
// - FrameDesign: 160 components on a one-solid frame part of 862 x 862 x 292 mm, 142 of them
//   standing in its opening; STEP and 3MF export.
// - ManySolidPart: a part of 119 separate solids with B-spline faces (boxes and cylinders through
//   BRepBuilderAPI_NurbsConvert, as STEP parts of many bodies come) carrying 24 components of a
//   KiCad netlist with their KiCad footprints and a track per pair; STEP export.
// - BigFootprint/<pads>/0: one BGA of KiCad's library (256, 900 and 1,924 pads) or a grid of 2,000
//   round pads written in KiCad's format, sunk in a box part; BigFootprint/2000/1: a grid of 2,000
//   square pads at 0.5 mm pitch and four small components on the part's top. STEP and 3MF
//   export. Beside the time, the peak memory the export adds over the design (Linux: peak
//   resident set, reset before each export) per pad, against the 70 KB a placed pad may cost
//   (kb_per_pad / 70 = budget).
//   BigFootprintStages splits the exports of the same design into their steps (time, peak):
//   the assembly, the STEP write, and the 3MF meshing and model document.
// - Tracks/<n>/0: n identical two-segment tracks side by side, each its own net; STEP export.
//   Tracks/<n>/1: n tracks of one net drawn over one another on one path, against the floor of
//   that track drawn once.
// - LongTrack/<kind>/<n>: one track, 0.8 mm wide and high, buried in a box: kind 0 goes back
//   and forth over itself between (0,0) and (10,0) in n segments, kind 1 climbs in n steps of
//   0.1 mm along X and Y in turn. Timed: its solid (what opening a project builds for the view)
//   and its STEP export, each beside the floor of the same length drawn as one straight
//   segment; x_half = time for n over the time for n/2 in the same run (2 where linear).
// - ThinStaircase/<n>: the stepped track 0.05 mm wide, STEP export against its one-cut floor, the
//   same staircase ten times larger and the same length drawn straight.
// - ScatteredDesigns/<seed>/<components>: random designs of KiCad footprints on KiCad's StickHub
//   board, the file read back apart: the cavities named against those it holds material in.
// - DenseGrid/<pads>/<part>: round against square pads of 0.3 mm at 0.5 mm pitch on a box or on
//   KiCad's StickHub board with its models, STEP export.
// - GridUnderBody/<pads>/<sunk>: round against square pads of the grid under their footprint's
//   body, on the part's top or sunk.
// - SmallPartPile/<components>/<part>: KiCad components piled on a small block or a SOT-23 model,
//   the one cut and the export, time and peak memory.
// - HoldingCheck/<pads>/<square>: the check that no cavity still holds material, beside the one cut.
#include "benchmain.h"
#include "benchmemory.h"

#include "exportdesigns.h"

#include "components/footprintmanager.h"
#include "foundation/stepimporter.h"
#include "foundation/stlimporter.h"
#include "outputs/exportoptions.h"
#include "outputs/printplangenerator.h"
#include "outputs/carving_p.h"
#include "outputs/stepexporter.h"
#include "outputs/threemfexporter.h"
#include "outputs/zipwriter.h"
#include "routing/routingmanager.h"
#include "testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <BRepAlgoAPI_Cut.hxx>
#include <Bnd_Box.hxx>
#include <BRepBndLib.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Compound.hxx>

#include <Message.hxx>
#include <Message_Messenger.hxx>

#include <malloc.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <string>

namespace {

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) * 1e-9;
}

double processCpu()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

struct Measured
{
    double seconds = 0.0;
    long peakKb = 0; // over what the process held before the work
};

Measured measured(const std::function<void()>& work)
{
    malloc_trim(0);
    const long before = BenchMemory::statusKb("VmRSS");
    BenchMemory::resetPeak();
    QElapsedTimer timer;
    timer.start();
    work();
    return {seconds(timer), BenchMemory::statusKb("VmHWM") - before};
}

// The floor: every collected volume cut out at once, checked, and written with the conductor
// volumes as collected (STEP), or meshed and packaged with them (3MF).
struct Floor
{
    double step = 0.0, threeMf = 0.0;
};

Floor measureFloor(const AssemblyInput& input, const ExportOptions& options, const QString& dir, bool threeMf)
{
    Floor floor;
    const QList<CollectedVolume> volumes = StepExporter::collectVolumes(input, options);
    QElapsedTimer timer;
    timer.start();
    TopTools_ListOfShape arguments, tools;
    arguments.Append(input.mainPart);
    // The conductor as a careful hand would write it: a component's pads as one compound, a
    // track as its own shape, none of them fused.
    std::map<QString, QList<TopoDS_Shape>> groups;
    double smallest = 0.0;
    for (const CollectedVolume& volume : volumes) {
        tools.Append(volume.shape);
        if (volume.kind == PadVolume)
            groups[volume.name.section(QLatin1Char('/'), 0, 0)].append(volume.shape);
        else if (volume.kind == RouteVolume)
            groups[QStringLiteral("Piste_") + volume.name].append(volume.shape);
        if (volume.featureHint > 0.0 && (smallest == 0.0 || volume.featureHint < smallest))
            smallest = volume.featureHint;
    }
    QList<ConductorGroup> conductors;
    for (const auto& [name, shapes] : groups)
        conductors.append({shapes.size() == 1 ? shapes.first() : StepExporter::compoundOf(shapes), name});
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(arguments);
    cut.SetTools(tools);
    cut.SetFuzzyValue(options.baseFuzzy);
    cut.SetRunParallel(false);
    cut.Build();
    const TopoDS_Shape carved = cut.Shape();
    benchmark::DoNotOptimize(OccUtils::isValidShape(carved));
    const double cutting = seconds(timer);
    timer.restart();
    StepExporter::writeStepFile(dir + QStringLiteral("/floor.step"), carved, conductors);
    floor.step = cutting + seconds(timer);
    if (threeMf) {
        timer.restart();
        ThreeMfMesh model;
        ThreeMfExporter::appendPart(model, QStringLiteral("part"), false,
                                    ThreeMfExporter::triangulate(carved, options.linearDeflection,
                                                                 options.angularDeflection, smallest, nullptr));
        for (const ConductorGroup& conductor : std::as_const(conductors))
            ThreeMfExporter::appendPart(model, conductor.name, true,
                                        ThreeMfExporter::triangulate(conductor.shape, options.linearDeflection,
                                                                     options.angularDeflection, smallest, nullptr));
        ZipWriter zip;
        zip.addFile(QStringLiteral("3D/3dmodel.model"), ThreeMfExporter::writeModelXml(model));
        QFile out(dir + QStringLiteral("/floor.3mf"));
        if (out.open(QIODevice::WriteOnly))
            out.write(zip.finish());
        floor.threeMf = cutting + seconds(timer);
    }
    return floor;
}

double timedStepExport(const AssemblyInput& input, const ExportOptions& options, const QString& path,
                       StepExportSummary& summary)
{
    QElapsedTimer timer;
    timer.start();
    summary = StepExporter::exportStep(path, input, options);
    return seconds(timer);
}

void BM_ManySolidPartStep(benchmark::State& state)
{
    // The one cut of every cavity is refused with cylinders, and the cavities are cut one by one.
    ThreeMfDesign design;
    const bool cylinders = state.range(0) != 0;
    if (!designOrSkip(state, design,
                      [&](ThreeMfDesign& d, QString* why) { return buildManySolidDesign(d, cylinders, why); }))
        return;
    const AssemblyInput input = design.input();
    const ExportOptions options;
    QTemporaryDir dir;
    for (auto _ : state) {
        StepExportSummary summary;
        const double total = timedStepExport(input, options, dir.filePath(QStringLiteral("part.step")), summary);
        const Floor floor = measureFloor(input, options, dir.path(), false);
        if (!summary.success)
            state.SkipWithError("export failed");
        state.counters["part_solids_in"] = double(kManySolidBlocks);
        state.counters["part_solids_out"] = summary.partSolids;
        state.counters["pieces_cut_apart"] = summary.piecesCutApart;
        state.counters["cavities"] = summary.cavitiesOk;
        state.counters["total_s"] = total;
        state.counters["floor_s"] = floor.step;
        state.counters["x_floor"] = total / floor.step;
    }
}
BENCHMARK(BM_ManySolidPartStep)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

// Most components outside a big part: what stands in the part is told by boxes and a point,
// and the export costs about what the cut of its few cavities costs.
void BM_FrameDesign(benchmark::State& state)
{
    ThreeMfDesign design;
    if (!designOrSkip(state, design, buildFrameDesign))
        return;
    const AssemblyInput input = design.input();
    const PrintPlan plan = design.plan(0.2);
    const ExportOptions options;
    QTemporaryDir dir;
    for (auto _ : state) {
        StepExportSummary step;
        const double stepTime = timedStepExport(input, options, dir.filePath(QStringLiteral("frame.step")), step);
        QElapsedTimer timer;
        timer.start();
        const ThreeMfExportSummary printed =
            ThreeMfExporter().exportThreeMf(dir.filePath(QStringLiteral("frame.3mf")), input, plan, options);
        const double threeMfTime = seconds(timer);
        if (!step.success || !printed.ok)
            state.SkipWithError("export failed");
        const Floor floor = measureFloor(input, options, dir.path(), true);
        state.counters["components"] = double(design.components.size());
        state.counters["outside"] = step.componentsOutside;
        state.counters["cavities"] = step.cavitiesOk;
        state.counters["step_s"] = stepTime;
        state.counters["step_floor_s"] = floor.step;
        state.counters["step_x_floor"] = stepTime / floor.step;
        state.counters["3mf_s"] = threeMfTime;
        state.counters["3mf_floor_s"] = floor.threeMf;
        state.counters["3mf_x_floor"] = threeMfTime / floor.threeMf;
    }
}
BENCHMARK(BM_FrameDesign)->Iterations(1)->Unit(benchmark::kSecond);

// A grid of pads written as a KiCad footprint, for the 2,000 pads KiCad's library has none of:
// round pads of 0.53 mm at 1 mm pitch, 45 a row, or square pads of 0.3 mm at 0.5 mm pitch, 50 a
// row (a fine-pitch grid of 50 x 40).
QString writeGridFootprint(const QString& folder, int pads, bool square, bool fineRound = false, double size = 0.0)
{
    const bool fine = square || fineRound;
    const int columns = fine ? 50 : 45;
    const double pitch = fine ? 0.5 : 1.0;
    const double start = -0.5 * pitch * (columns - 1);
    const QString shape = square ? QStringLiteral("rect") : QStringLiteral("circle");
    const QString name = QStringLiteral("Grid_%1_%2%3").arg(pads).arg(shape, fineRound ? QStringLiteral("_fine") : QString());
    QString text = QStringLiteral("(footprint \"%1\" (version 20211014) (generator pcbnew)\n  (layer \"F.Cu\")\n"
                                  "  (attr smd)\n")
                       .arg(name);
    for (int i = 0; i < pads; ++i)
        text += QStringLiteral("  (pad \"%1\" smd %2 (at %3 %4) (size %5 %5) (layers \"F.Cu\" \"F.Paste\" "
                               "\"F.Mask\"))\n")
                    .arg(i + 1)
                    .arg(shape)
                    .arg(start + pitch * (i % columns))
                    .arg(start + pitch * (i / columns))
                    .arg(size > 0.0 ? size : fine ? 0.3 : 0.53);
    text += QStringLiteral(")\n");
    QFile file(folder + QLatin1Char('/') + name + QStringLiteral(".kicad_mod"));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(text.toUtf8());
    return name;
}

struct BigFootprintDesign
{
    TopoDS_Shape part;
    QMap<QString, PlacedComponentData> components;
    int pads = 0;

    AssemblyInput input() const
    {
        AssemblyInput in;
        in.mainPart = part;
        in.components = &components;
        return in;
    }
};

// One grid of pads of size mm (0: the grid's own) from a KiCad footprint through the pad
// generator, placed at `at` on part.
// How a grid's component is changed once placed: its footprint thickness (how deep the pads
// reach under their placement plane; 0 keeps it), pad scale in percent and turn in degrees.
struct GridShape
{
    double depth = 0.0;
    double scale = 100.0;
    double angle = 0.0;
};

BigFootprintDesign gridDesign(const QString& dir, int pads, bool square, double size, const gp_Pnt& at,
                              const TopoDS_Shape& part, const GridShape& shape = {})
{
    const QString name = writeGridFootprint(dir, pads, square, !square, size);
    FootprintManager library;
    library.addSearchPath(dir);
    library.buildFootprintIndex();
    BigFootprintDesign design;
    PlacedComponentData placed =
        library.createPlacedComponent(QStringLiteral("U1"), name, at, DesignFixture::headlessContext());
    if (shape.depth > 0.0 || shape.scale != 100.0)
        library.recreateComponentBody(placed, placed.bodyWidth, placed.bodyLength, placed.bodyHeight,
                                      placed.bodyOffsetZ, shape.depth > 0.0 ? shape.depth : placed.footprintThickness,
                                      placed.bodyUndercut, shape.scale, DesignFixture::headlessContext());
    if (shape.angle != 0.0)
        FootprintManager::applyPlacement(placed, at, shape.angle, DesignFixture::headlessContext(), {});
    design.components.insert(placed.ref, placed);
    design.part = part;
    return design;
}

// One big footprint in a 70 x 70 x 15 mm box part, sunk 5 mm; the square-pad grid stands on
// the part's top instead, with four small components in the corners, as a design is laid out.
bool buildBigFootprint(int padCount, bool square, const QString& scratch, BigFootprintDesign& design, QString* why)
{
    const QString root = TestSupport::kicadFootprintRoot();
    QString name;
    switch (square ? 0 : padCount) {
    case 256: name = QStringLiteral("BGA-256_17.0x17.0mm_Layout16x16_P1.0mm_Ball0.5mm_Pad0.4mm_NSMD"); break;
    case 900: name = QStringLiteral("Xilinx_FFG900_FFG901"); break;
    case 1924: name = QStringLiteral("Xilinx_RF1930"); break;
    default: name = writeGridFootprint(scratch, padCount, square); break;
    }
    FootprintManager library;
    for (const char* folder : {"Package_BGA", "Resistor_SMD", "Capacitor_SMD", "Package_TO_SOT_SMD"})
        library.addSearchPath(root + QLatin1Char('/') + QLatin1String(folder) + QStringLiteral(".pretty"));
    library.addSearchPath(scratch);
    library.buildFootprintIndex();
    const double top = 15.0;
    QList<std::pair<QString, gp_Pnt>> wanted{{name, gp_Pnt(35.0, 35.0, square ? top : 10.0)}};
    if (square) {
        wanted.append({QStringLiteral("R_0603_1608Metric"), gp_Pnt(8.0, 8.0, top)});
        wanted.append({QStringLiteral("C_0805_2012Metric"), gp_Pnt(62.0, 8.0, top)});
        wanted.append({QStringLiteral("SOT-23"), gp_Pnt(8.0, 62.0, top)});
        wanted.append({QStringLiteral("R_1206_3216Metric"), gp_Pnt(62.0, 62.0, top)});
    }
    for (int i = 0; i < wanted.size(); ++i) {
        const PlacedComponentData placed = library.createPlacedComponent(QStringLiteral("U%1").arg(i + 1),
                                                                         wanted.at(i).first, wanted.at(i).second,
                                                                         DesignFixture::headlessContext());
        if (placed.hasMissingFootprint || placed.pads.isEmpty()) {
            *why = QStringLiteral("footprint %1 not built").arg(wanted.at(i).first);
            return false;
        }
        design.pads += int(placed.pads.size());
        design.components.insert(placed.ref, placed);
    }
    design.part = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, top)).Shape();
    return true;
}

void BM_BigFootprint(benchmark::State& state)
{
    QTemporaryDir dir;
    BigFootprintDesign design;
    QString why;
    if (!buildBigFootprint(int(state.range(0)), state.range(1) != 0, dir.path(), design, &why)) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
    const AssemblyInput input = design.input();
    const ExportOptions options;
    const PrintPlan plan = PrintPlanGenerator::generate(design.components, {}, design.part, 0.2);
    for (auto _ : state) {
        StepExportSummary step;
        const Measured stepRun = measured(
            [&] { step = StepExporter::exportStep(dir.filePath(QStringLiteral("big.step")), input, options); });
        const double stepTime = stepRun.seconds;
        const long stepPeak = stepRun.peakKb;

        ThreeMfExportSummary threeMf;
        const Measured threeMfRun = measured([&] {
            threeMf = ThreeMfExporter().exportThreeMf(dir.filePath(QStringLiteral("big.3mf")), input, plan, options);
        });
        const double threeMfTime = threeMfRun.seconds;
        const long threeMfPeak = threeMfRun.peakKb;
        if (!step.success || !threeMf.ok)
            state.SkipWithError("export failed");
        const Floor floor = measureFloor(input, options, dir.path(), true);

        state.counters["pads"] = design.pads;
        state.counters["step_s"] = stepTime;
        state.counters["step_x_floor"] = stepTime / floor.step;
        state.counters["step_peak_MB"] = double(stepPeak) / 1024.0;
        state.counters["step_kb_per_pad"] = double(stepPeak) / design.pads;
        const qint64 stepBytes = QFileInfo(dir.filePath(QStringLiteral("big.step"))).size();
        state.counters["step_file_MB"] = double(stepBytes) / 1048576.0;
        state.counters["3mf_s"] = threeMfTime;
        state.counters["3mf_x_floor"] = threeMfTime / floor.threeMf;
        state.counters["3mf_peak_MB"] = double(threeMfPeak) / 1024.0;
        state.counters["3mf_kb_per_pad"] = double(threeMfPeak) / design.pads;
    }
}
BENCHMARK(BM_BigFootprint)
    ->Args({256, 0})
    ->Args({900, 0})
    ->Args({1924, 0})
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The exports of the same footprint step by step: time and peak memory over what was held
// before the step, for the assembly, the STEP write, the meshing of the part and of the
// conductor, and the model document.
void BM_BigFootprintStages(benchmark::State& state)
{
    QTemporaryDir dir;
    BigFootprintDesign design;
    QString why;
    if (!buildBigFootprint(int(state.range(0)), state.range(1) != 0, dir.path(), design, &why)) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
    const AssemblyInput input = design.input();
    const ExportOptions options;
    for (auto _ : state) {
        const auto stage = [&](const char* name, const std::function<void()>& work) {
            const Measured run = measured(work);
            state.counters[std::string(name) + "_s"] = run.seconds;
            state.counters[std::string(name) + "_MB"] = double(run.peakKb) / 1024.0;
        };
        AssemblyResult assembly;
        stage("assembly", [&] { assembly = StepExporter::buildAssembly(input, options); });
        stage("step_write", [&] {
            StepExporter::writeStepFile(dir.filePath(QStringLiteral("stages.step")), assembly.part,
                                        assembly.conductors);
        });
        state.counters["step_file_MB"] =
            double(QFileInfo(dir.filePath(QStringLiteral("stages.step"))).size()) / 1048576.0;
        ShellMesh part, conductor;
        stage("mesh_part", [&] {
            part = ThreeMfExporter::triangulate(assembly.part, options.linearDeflection, options.angularDeflection,
                                                assembly.smallestFeature, nullptr);
        });
        stage("mesh_conductor", [&] {
            for (const ConductorGroup& group : std::as_const(assembly.conductors))
                conductor = ThreeMfExporter::triangulate(group.shape, options.linearDeflection,
                                                         options.angularDeflection, assembly.smallestFeature, nullptr);
        });
        QByteArray xml;
        stage("model_xml", [&] {
            ThreeMfMesh model;
            ThreeMfExporter::appendPart(model, QStringLiteral("part"), false, part);
            ThreeMfExporter::appendPart(model, QStringLiteral("conductor"), true, conductor);
            xml = ThreeMfExporter::writeModelXml(model);
        });
        state.counters["pads"] = design.pads;
        state.counters["triangles"] = double(part.triangles.size() + conductor.triangles.size());
        state.counters["xml_MB"] = double(xml.size()) / 1048576.0;
    }
}
BENCHMARK(BM_BigFootprintStages)
    ->Args({256, 0})
    ->Args({1924, 0})
    ->Args({2000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void BM_TracksStep(benchmark::State& state)
{
    const int n = int(state.range(0));
    const int perRow = 50;
    const double pitch = 2.0;
    const int rows = (n + perRow - 1) / perRow;
    QList<Route> routes;
    for (int i = 0; i < n; ++i) {
        const bool stacked = state.range(1) != 0; // every track on the first one's path, one net
        const double x = stacked ? 5.0 : 5.0 + pitch * (i % perRow), y = stacked ? 5.0 : 5.0 + 12.0 * (i / perRow);
        Route route;
        route.netName = stacked ? QStringLiteral("N") : QStringLiteral("N%1").arg(i);
        route.id = quint64(i + 1);
        const gp_Pnt points[] = {gp_Pnt(x, y, 9.0), gp_Pnt(x, y + 8.0, 9.0), gp_Pnt(x + 0.5 * pitch, y + 8.0, 9.0)};
        for (int k = 1; k < 3; ++k) {
            RouteSegment segment;
            segment.start = points[k - 1];
            segment.end = points[k];
            segment.width = 0.8;
            segment.height = 0.8;
            segment.shape = RoutingManager::createSegmentShape(segment);
            route.segments.append(segment);
        }
        routes.append(route);
    }
    RoutingManager routing;
    for (const Route& route : std::as_const(routes))
        routing.addRoute(route);
    const QMap<QString, PlacedComponentData> none;
    AssemblyInput input;
    input.mainPart = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(10.0 + pitch * perRow, 10.0 + 12.0 * rows, 15)).Shape();
    input.components = &none;
    input.routes = &routing.routes();
    input.routeShape = [&routing](const Route& route) { return routing.routeShape(route); };
    for (const Route& route : routing.routes())
        benchmark::DoNotOptimize(routing.routeShape(route)); // built by the track display
    const ExportOptions options;
    QTemporaryDir dir;
    for (auto _ : state) {
        StepExportSummary summary;
        const Measured run = measured(
            [&] { summary = StepExporter::exportStep(dir.filePath(QStringLiteral("tracks.step")), input, options); });
        const double total = run.seconds;
        const long peak = run.peakKb;
        if (!summary.success)
            state.SkipWithError("export failed");
        // Stacked tracks: the floor is the design with its track drawn once, since one cut of
        // hundreds of coincident solids does not end.
        const QList<Route> first = routing.routes().mid(0, 1);
        AssemblyInput floorInput = input;
        if (state.range(1) != 0)
            floorInput.routes = &first;
        const Floor floor = measureFloor(floorInput, options, dir.path(), false);
        state.counters["tracks"] = n;
        state.counters["total_s"] = total;
        state.counters["floor_s"] = floor.step;
        state.counters["x_floor"] = total / floor.step;
        state.counters["peak_MB"] = double(peak) / 1024.0;
    }
}
BENCHMARK(BM_TracksStep)->Args({250, 0})->Args({1000, 0})->Args({40, 1})->Args({1000, 1})->Iterations(1)->Unit(benchmark::kSecond);

Route longTrack(int kind, int n, bool straight, double width = 0.8, double stepLength = 0.1)
{
    QList<gp_Pnt> points = {gp_Pnt(5, 5, 4)};
    const double step = kind == 0 ? 10.0 : stepLength;
    for (int i = 1; i <= n; ++i) {
        if (straight)
            points = {points.first(), gp_Pnt(5 + step * n, 5, 4)};
        else if (kind == 0)
            points.append(gp_Pnt(i % 2 ? 15.0 : 5.0, 5, 4));
        else
            points.append(points.last().Translated(i % 2 ? gp_Vec(step, 0, 0) : gp_Vec(0, step, 0)));
    }
    Route route;
    route.netName = QStringLiteral("N");
    route.id = straight ? 2 : 1;
    for (int k = 1; k < points.size(); ++k) {
        RouteSegment segment;
        segment.start = points.at(k - 1);
        segment.end = points.at(k);
        segment.width = width;
        segment.height = width;
        segment.shape = RoutingManager::createSegmentShape(segment);
        route.segments.append(segment);
    }
    return route;
}

struct TrackTimes
{
    double solid = 0.0, step = 0.0, threeMf = 0.0;
};

// A box part under the track, with nothing else in the design.
AssemblyInput trackInput(const QList<Route>& routes, const QMap<QString, PlacedComponentData>& none)
{
    Bnd_Box box;
    for (const RouteSegment& segment : routes.first().segments)
        box.Add(segment.start), box.Add(segment.end);
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    AssemblyInput input;
    input.mainPart = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(x1 + 5, y1 + 5, 10)).Shape();
    input.components = &none;
    input.routes = &routes;
    input.routeShape = &RoutingManager::createRouteShape;
    return input;
}

TrackTimes timeTrack(const Route& route, const QString& dir)
{
    TrackTimes times;
    QElapsedTimer timer;
    timer.start();
    benchmark::DoNotOptimize(RoutingManager::createRouteShape(route));
    times.solid = seconds(timer);
    const QList<Route> routes = {route};
    const QMap<QString, PlacedComponentData> none;
    const AssemblyInput input = trackInput(routes, none);
    timer.restart();
    const StepExportSummary summary =
        StepExporter::exportStep(dir + QStringLiteral("/track.step"), input, ExportOptions());
    times.step = summary.success ? seconds(timer) : -1.0;
    timer.restart();
    const ThreeMfExportSummary printed =
        ThreeMfExporter().exportThreeMf(dir + QStringLiteral("/track.3mf"), input, PrintPlan(), ExportOptions());
    times.threeMf = printed.ok ? seconds(timer) : -1.0;
    return times;
}

void BM_LongTrack(benchmark::State& state)
{
    static std::map<std::pair<int, int>, TrackTimes> earlier;
    const int kind = int(state.range(0)), n = int(state.range(1));
    QTemporaryDir dir;
    for (auto _ : state) {
        const TrackTimes ours = timeTrack(longTrack(kind, n, false), dir.path());
        const TrackTimes floor = timeTrack(longTrack(kind, n, true), dir.path());
        if (ours.step < 0 || floor.step < 0 || ours.threeMf < 0 || floor.threeMf < 0)
            state.SkipWithError("export failed");
        state.counters["solid_s"] = ours.solid;
        state.counters["solid_floor_s"] = floor.solid;
        state.counters["solid_x_floor"] = ours.solid / floor.solid;
        state.counters["step_s"] = ours.step;
        state.counters["step_floor_s"] = floor.step;
        state.counters["step_x_floor"] = ours.step / floor.step;
        state.counters["3mf_s"] = ours.threeMf;
        state.counters["3mf_floor_s"] = floor.threeMf;
        state.counters["3mf_x_floor"] = ours.threeMf / floor.threeMf;
        const auto half = earlier.find({kind, n / 2});
        if (half != earlier.end()) {
            state.counters["solid_x_half"] = ours.solid / half->second.solid;
            state.counters["step_x_half"] = ours.step / half->second.step;
            state.counters["3mf_x_half"] = ours.threeMf / half->second.threeMf;
        }
        earlier[{kind, n}] = ours;
    }
}
BENCHMARK(BM_LongTrack)
    ->Args({0, 10})->Args({0, 50})->Args({0, 100})->Args({0, 1000})->Args({0, 2000})
    ->Args({1, 1000})->Args({1, 2000})->Args({1, 4000})->Args({1, 8000})->Args({1, 10000})->Args({1, 20000})
    ->Iterations(1)->Unit(benchmark::kSecond);

// ThinStaircase/<n>: one track 0.05 mm wide and high climbing in n steps of 0.1 mm (longer than
// its width: every step keeps its faces), exported to STEP beside the one-cut floor of the
// staircase itself (step_x_cut_floor, with the export's peak memory over the design), beside the
// same length drawn as one straight segment (step_x_floor) and the same staircase ten times
// larger (step_x_scaled): what the track's thinness costs. check_x_cut: the weighing of what the
// track's cavity holds beside the cut of it (wall and process CPU time).
void BM_ThinStaircase(benchmark::State& state)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    for (auto _ : state) {
        const Route staircase = longTrack(1, n, false, 0.05);
        const QList<Route> routes = {staircase};
        const QMap<QString, PlacedComponentData> none;
        const AssemblyInput input = trackInput(routes, none);
        StepExportSummary summary;
        const double cpu = processCpu();
        const Measured ours = measured(
            [&] { summary = StepExporter::exportStep(dir.filePath(QStringLiteral("track.step")), input, ExportOptions()); });
        const double oursCpu = processCpu() - cpu;
        const Floor cutFloor = measureFloor(input, ExportOptions(), dir.path(), false);
        const TrackTimes floor = timeTrack(longTrack(1, n, true, 0.05), dir.path());
        const TrackTimes scaled = timeTrack(longTrack(1, n, false, 0.5, 1.0), dir.path());
        // The cut of the track alone, and the weighing of what its cavity holds after it.
        const QList<TopoDS_Shape> tools{RoutingManager::createRouteShape(staircase)};
        double phase = processCpu();
        QElapsedTimer timer;
        timer.start();
        const TopoDS_Shape cut = Carving::detail::asWritten(Carving::detail::cutInRounds(input.mainPart, tools, 0.0025).shape);
        const double cutSeconds = seconds(timer), cutCpu = processCpu() - phase;
        phase = processCpu();
        timer.restart();
        const std::vector<Carving::Weight> weights = Carving::weigh(cut, tools);
        const double checkSeconds = seconds(timer), checkCpu = processCpu() - phase;
        if (!summary.success || floor.step < 0 || scaled.step < 0)
            state.SkipWithError("export failed");
        state.counters["step_s"] = ours.seconds;
        state.counters["step_cpu_s"] = oursCpu;
        state.counters["step_peak_MB"] = double(ours.peakKb) / 1024.0;
        state.counters["step_cut_floor_s"] = cutFloor.step;
        state.counters["step_x_cut_floor"] = ours.seconds / cutFloor.step;
        state.counters["step_floor_s"] = floor.step;
        state.counters["step_x_floor"] = ours.seconds / floor.step;
        state.counters["step_x_scaled"] = ours.seconds / scaled.step;
        state.counters["check_x_cut"] = checkSeconds / cutSeconds;
        state.counters["check_x_cut_cpu"] = checkCpu / cutCpu;
        state.counters["held_mm3"] = weights.empty() ? -1.0 : weights.front().held;
    }
}
BENCHMARK(BM_ThinStaircase)->Arg(250)->Arg(1000)->Arg(2000)->Arg(4000)->Iterations(1)->Unit(benchmark::kSecond);

// ScatteredDesigns/<seed>/<components>: random designs of KiCad footprints on KiCad's StickHub
// board with its models (pads sunk 0.05 to 1.2 mm, bodies across the board's edges, pairs of test
// points whose pads overlap by 0.01 mm), exported to STEP and read back with OpenCASCADE's reader
// alone: the cavities the summary names against those holding more than a thousandth of a mm³ in
// the file (mismatch: in one set and not the other), the file's unsound solids (invalid or of no
// volume) against the part's own, and the export's time.
void BM_ScatteredDesigns(benchmark::State& state)
{
    const StepImportResult read =
        StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
    if (read.status != StepImportResult::Ok) {
        state.SkipWithError("StickHub part missing");
        return;
    }
    QString why;
    const DesignFixture::Design design =
        DesignFixture::scatteredDesign(read.shapes.first(), unsigned(state.range(0)), int(state.range(1)), &why);
    if (design.part.IsNull()) {
        state.SkipWithError(why.toUtf8().constData());
        return;
    }
    const auto unsound = [](const DesignFixture::BoxedSolids& solids) {
        int count = 0;
        for (const auto& [solid, box] : solids)
            count += OccUtils::isValidShape(solid) && OccUtils::solidsHoldVolume(solid) ? 0 : 1;
        return count;
    };
    QTemporaryDir dir;
    for (auto _ : state) {
        const QString path = dir.filePath(QStringLiteral("hub.step"));
        StepExportSummary summary;
        const Measured exported =
            measured([&] { summary = StepExporter::exportStep(path, design.input(), ExportOptions()); });
        const DesignFixture::ReadBack back = DesignFixture::readStep(path);
        if (!summary.success || back.shapes.isEmpty()) {
            state.SkipWithError("export failed");
            return;
        }
        const DesignFixture::BoxedSolids written = DesignFixture::boxedSolids(back.shapes.first());
        QSet<QString> holding;
        for (const CollectedVolume& volume : StepExporter::collectVolumes(design.input(), ExportOptions()))
            if (DesignFixture::heldBy(written, volume.shape) > 1e-3)
                holding.insert(volume.name);
        const QSet<QString> named(summary.cavitiesNotCut.cbegin(), summary.cavitiesNotCut.cend());
        state.counters["export_s"] = exported.seconds;
        state.counters["export_peak_MB"] = double(exported.peakKb) / 1024.0;
        state.counters["named"] = named.size();
        state.counters["holding"] = holding.size();
        state.counters["mismatch"] = (named - holding).size() + (holding - named).size();
        state.counters["cavities"] = summary.cavitiesOk;
        state.counters["unsound_written"] = unsound(written);
        state.counters["unsound_part"] = unsound(DesignFixture::boxedSolids(design.part));
        state.counters["part_invalid"] = summary.partInvalid ? 1 : 0;
    }
}
BENCHMARK(BM_ScatteredDesigns)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6}, {30}})
    ->Args({7, 60})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// DenseGrid/<pads>/<part>: a grid of round pads of 0.3 mm at 0.5 mm pitch and the same grid of
// square pads, each on the top of a part: 0 a box, 1 KiCad's StickHub board as KiCad exports it
// with its models (119 solids), whose models stand on the board's top under the grid's body;
// STEP export of each, round over square (x_square), and whether each was carved in one cut.
void BM_DenseGrid(benchmark::State& state)
{
    const int pads = int(state.range(0));
    const bool board = state.range(1) != 0;
    TopoDS_Shape part = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, 15)).Shape();
    gp_Pnt at(35, 35, 15);
    if (board) {
        const StepImportResult read =
            StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/StickHub_models.step"));
        if (read.status != StepImportResult::Ok || read.shapes.size() != 1) {
            state.SkipWithError("StickHub board not read");
            return;
        }
        part = read.shapes.first();
        at = gp_Pnt(150.0, -100.0, 1.6); // the board's middle, on its top
    }
    QTemporaryDir dir;
    const auto exportTime = [&](bool square, double& seconds, bool& oneCut) {
        const BigFootprintDesign design = gridDesign(dir.path(), pads, square, 0.0, at, part);
        StepExportSummary summary;
        seconds = measured([&] {
                      summary = StepExporter::exportStep(dir.filePath(QStringLiteral("grid.step")), design.input(),
                                                         ExportOptions());
                  }).seconds;
        oneCut = StepExporter::buildAssembly(design.input(), ExportOptions()).carvedInOneCut;
        return summary.success;
    };
    for (auto _ : state) {
        double round = 0.0, square = 0.0;
        bool roundOneCut = false, squareOneCut = false;
        if (!exportTime(false, round, roundOneCut) || !exportTime(true, square, squareOneCut))
            state.SkipWithError("export failed");
        state.counters["round_s"] = round;
        state.counters["square_s"] = square;
        state.counters["x_square"] = round / square;
        state.counters["round_one_cut"] = roundOneCut;
        state.counters["square_one_cut"] = squareOneCut;
    }
}
BENCHMARK(BM_DenseGrid)->Args({500, 0})->Args({2000, 0})->Args({2000, 1})->Iterations(1)->Unit(benchmark::kSecond);

// A 70 x 70 x 15 box as a user's part comes: 0 built here, 1 every face a B-spline, 2 written to
// STEP and read back, 3 read from an STL of two triangles a side, 4, 5 and 6 from an STL whose
// top is made of 5, 2 and 1 mm triangles. Null when the file road fails.
TopoDS_Shape boxPart(int kind, const QString& dir)
{
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, 15)).Shape();
    if (kind == 1)
        return DesignFixture::nurbs(box);
    if (kind == 2)
        return DesignFixture::throughStep(box);
    if (kind < 3)
        return box;
    // Each side a strip over the top's steps, so that the mesh closes.
    const int n = kind == 3 ? 1 : kind == 4 ? 14 : kind == 5 ? 35 : 70;
    const double step = 70.0 / n;
    QString text = QStringLiteral("solid box\n");
    const auto facet = [&](const gp_Pnt& a, const gp_Pnt& b, const gp_Pnt& c) {
        text += QStringLiteral(" facet normal 0 0 0\n  outer loop\n");
        for (const gp_Pnt& p : {a, b, c})
            text += QStringLiteral("   vertex %1 %2 %3\n").arg(p.X(), 0, 'g', 17).arg(p.Y(), 0, 'g', 17).arg(p.Z(), 0, 'g', 17);
        text += QStringLiteral("  endloop\n endfacet\n");
    };
    const auto quad = [&](const gp_Pnt& a, const gp_Pnt& b, const gp_Pnt& c, const gp_Pnt& d) {
        facet(a, b, c);
        facet(a, c, d);
    };
    for (int i = 0; i < n; ++i) {
        const double u0 = i * step, u1 = (i + 1) * step;
        for (int j = 0; j < n; ++j) {
            const double v0 = j * step, v1 = (j + 1) * step;
            quad(gp_Pnt(u0, v0, 15), gp_Pnt(u1, v0, 15), gp_Pnt(u1, v1, 15), gp_Pnt(u0, v1, 15));
        }
        quad(gp_Pnt(u0, 0, 0), gp_Pnt(u1, 0, 0), gp_Pnt(u1, 0, 15), gp_Pnt(u0, 0, 15));
        quad(gp_Pnt(u1, 70, 0), gp_Pnt(u0, 70, 0), gp_Pnt(u0, 70, 15), gp_Pnt(u1, 70, 15));
        quad(gp_Pnt(0, u1, 0), gp_Pnt(0, u0, 0), gp_Pnt(0, u0, 15), gp_Pnt(0, u1, 15));
        quad(gp_Pnt(70, u0, 0), gp_Pnt(70, u1, 0), gp_Pnt(70, u1, 15), gp_Pnt(70, u0, 15));
    }
    quad(gp_Pnt(0, 0, 0), gp_Pnt(0, 70, 0), gp_Pnt(70, 70, 0), gp_Pnt(70, 0, 0));
    text += QStringLiteral("endsolid box\n");
    const QString path = dir + QStringLiteral("/box.stl");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text.toUtf8());
    file.close();
    const StlImportResult read = StlImporter::importStl(path);
    return read.ok && read.valid ? read.shape : TopoDS_Shape();
}

// CPU time of the process for the STEP export of one grid of pads of size mm (0: the grid's own
// 0.3 mm) at 0.5 mm pitch from a KiCad footprint through the pad generator, placed at `at` on
// part; negative when the export fails. wall, when given, receives the wall time.
double gridExportCpu(const QString& dir, int pads, bool square, double size, const gp_Pnt& at, const TopoDS_Shape& part,
                     const GridShape& shape = {}, double* wall = nullptr)
{
    const BigFootprintDesign design = gridDesign(dir, pads, square, size, at, part, shape);
    const auto cpuNow = [] {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
    };
    const double start = cpuNow();
    QElapsedTimer timer;
    timer.start();
    const StepExportSummary summary =
        StepExporter::exportStep(dir + QStringLiteral("/grid.step"), design.input(), ExportOptions());
    if (wall)
        *wall = seconds(timer);
    return summary.success ? cpuNow() - start : -1.0;
}

// The round grid's export beside the square one's, each as gridExportCpu measures it; the wall
// times beside (x_square_wall).
void roundBesideSquare(benchmark::State& state, const QString& dir, int pads, double size, const gp_Pnt& at,
                       const TopoDS_Shape& part, const GridShape& shape = {})
{
    for (auto _ : state) {
        double roundWall = 0.0, squareWall = 0.0;
        const double round = gridExportCpu(dir, pads, false, size, at, part, shape, &roundWall);
        const double square = gridExportCpu(dir, pads, true, size, at, part, shape, &squareWall);
        if (round < 0.0 || square < 0.0)
            state.SkipWithError("export failed");
        state.counters["round_cpu_s"] = round;
        state.counters["square_cpu_s"] = square;
        state.counters["x_square"] = round / square;
        state.counters["round_s"] = roundWall;
        state.counters["square_s"] = squareWall;
        state.counters["x_square_wall"] = squareWall > 0.0 ? roundWall / squareWall : 0.0;
    }
}

// RoundGridTops/<pads>/<part>/<lift>: the grid of 0.3 mm pads at 0.5 mm pitch, round and
// square, lengthened into a box part that came by one of the roads of boxPart, the pads' tops
// lift µm above the part's top (0: in its plane); STEP export of each (CPU time of the
// process), round over square (x_square).
void BM_RoundGridTops(benchmark::State& state)
{
    const int pads = int(state.range(0));
    QTemporaryDir dir;
    const TopoDS_Shape part = boxPart(int(state.range(1)), dir.path());
    if (part.IsNull()) {
        state.SkipWithError("part not built");
        return;
    }
    // The pads stand 0.4 mm out of their placement plane.
    const gp_Pnt at(35, 35, 15 - 0.4 + 1e-3 * double(state.range(2)));
    roundBesideSquare(state, dir.path(), pads, 0.0, at, part);
}
BENCHMARK(BM_RoundGridTops)
    ->ArgsProduct({{500, 2000}, {0, 1, 2, 3, 4, 5, 6}, {0, 400}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// NearGrid/<pads>/<size>: grids of pads of size µm at 0.5 mm pitch on a box, round and square:
// 300 apart, 499 a micron apart (nearer than the cut's fuzzy value), 500 touching, 550
// overlapping; STEP export of each (CPU time of the process), round over square (x_square).
void BM_NearGrid(benchmark::State& state)
{
    const int pads = int(state.range(0));
    const double size = 1e-3 * double(state.range(1));
    QTemporaryDir dir;
    const TopoDS_Shape part = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, 15)).Shape();
    roundBesideSquare(state, dir.path(), pads, size, gp_Pnt(35, 35, 15), part);
}
BENCHMARK(BM_NearGrid)->ArgsProduct({{500, 2000}, {300, 499, 500, 550}})->Iterations(1)->Unit(benchmark::kSecond);

// GridDepths/<pads>/<part>/<depth>: the grid of 0.3 mm pads at 0.5 mm pitch, round and square,
// on a 70 x 70 box part <part> tenths of a mm thick; the pads reach <depth> tenths of a mm under
// its top (their footprint thickness), past its bottom when that is deeper: cut through. A
// negative depth stands the pads on the top, their bottoms -<depth> µm under it (the pads are
// lengthened 0.1 mm down). STEP export of each (CPU time of the process), round over square.
void BM_GridDepths(benchmark::State& state)
{
    const double thickness = 0.1 * double(state.range(1));
    const bool standing = state.range(2) < 0;
    GridShape shape;
    shape.depth = standing ? 1.0 : 0.1 * double(state.range(2));
    const double z = standing ? thickness + 1.1 + 1e-3 * double(state.range(2)) : thickness;
    QTemporaryDir dir;
    roundBesideSquare(state, dir.path(), int(state.range(0)), 0.0, gp_Pnt(35, 35, z),
                      BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, thickness)).Shape(), shape);
}
BENCHMARK(BM_GridDepths)
    ->ArgsProduct({{500, 2000}, {16, 150}, {10, 30, 200, -100, -5}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// GridVariants/<pads>/<variant>: the grid of 0.3 mm pads at 0.5 mm pitch, round and square, on a
// 70 x 70 x 15 box: 0 in the middle of its top; 1 its last row 3 mm past the part's side, the
// rows near the side cut through its wall; 2 turned by 45 degrees; 3 by 30; 4 pads scaled to
// 180 %, overlapping; 5 to 150 %, 0.05 mm apart. STEP export of each (CPU time of the process),
// round over square.
void BM_GridVariants(benchmark::State& state)
{
    const int pads = int(state.range(0));
    const int variant = int(state.range(1));
    GridShape shape;
    shape.scale = variant == 4 ? 180.0 : variant == 5 ? 150.0 : 100.0;
    shape.angle = variant == 2 ? 45.0 : variant == 3 ? 30.0 : 0.0;
    // 50 pads a row: rows pads / 50, 0.5 mm apart.
    const double halfHeight = 0.25 * double(pads / 50 - 1);
    const gp_Pnt at(35, variant == 1 ? 73.0 - halfHeight : 35.0, 15);
    QTemporaryDir dir;
    roundBesideSquare(state, dir.path(), pads, 0.0, at, BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, 15)).Shape(),
                      shape);
}
BENCHMARK(BM_GridVariants)->ArgsProduct({{500, 2000}, {0, 1, 2, 3, 4, 5}})->Iterations(1)->Unit(benchmark::kSecond);

// GridUnderBody/<pads>/<sunk>: the grid of 0.3 mm pads at 0.5 mm pitch, round and square, under
// their footprint's body (0.4 mm undercut: every pad reaches into the body's volume), placed on
// the top of a 70 x 70 x 15 box or <sunk> tenths of a mm under it (the body's cavity then cut
// too); STEP export of each (CPU time of the process), round over square (x_square), and the
// body volumes collected (1 expected).
void BM_GridUnderBody(benchmark::State& state)
{
    const int pads = int(state.range(0));
    const gp_Pnt at(35, 35, 15 - 0.1 * double(state.range(1)));
    QTemporaryDir dir;
    const TopoDS_Shape part = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, 15)).Shape();
    const BigFootprintDesign design = gridDesign(dir.path(), pads, false, 0.0, at, part);
    int bodies = 0;
    for (const CollectedVolume& volume : StepExporter::collectVolumes(design.input(), ExportOptions()))
        bodies += volume.kind == BodyVolume ? 1 : 0;
    state.counters["bodies"] = bodies;
    roundBesideSquare(state, dir.path(), pads, 0.0, at, part);
}
BENCHMARK(BM_GridUnderBody)->ArgsProduct({{500, 2000}, {0, 20}})->Iterations(1)->Unit(benchmark::kSecond);

// SmallPartPile/<components>/<part>: components of KiCad's library (SOT-23, SOIC-8, TSSOP-20,
// QFN-16, R0603 and C0805 in turn) piled on a small part, 0 a 6 x 5 x 1.2 mm block, 1 a SOT-23
// package model read from STEP (3.55 mm³), bodies from the part's middle height up, round its
// middle and overlapping one another, every pad reaching into its body. The one cut of all
// their volumes (CPU time, peak memory over what the process held) beside the same cut of the
// bodies alone (x_bodies), and the STEP export of the design.
void BM_SmallPartPile(benchmark::State& state)
{
    const int count = int(state.range(0));
    TopoDS_Shape part = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(6, 5, 1.2)).Shape();
    gp_Pnt middle(3.0, 2.5, 0.6);
    if (state.range(1) != 0) {
        const StepImportResult read = StepImporter::importStep(QStringLiteral(VTQ_TEST_DATA_DIR "/parts/SOT23.stp"));
        if (read.status != StepImportResult::Ok || read.shapes.size() != 1) {
            state.SkipWithError("SOT-23 model not read");
            return;
        }
        part = read.shapes.first();
        Bnd_Box box;
        BRepBndLib::Add(part, box);
        middle = gp_Pnt(0.5 * (box.CornerMin().XYZ() + box.CornerMax().XYZ()));
    }
    FootprintManager library;
    const QString root = TestSupport::kicadFootprintRoot();
    for (const char* folder : {"Package_SO", "Package_TO_SOT_SMD", "Package_DFN_QFN", "Resistor_SMD", "Capacitor_SMD"})
        library.addSearchPath(root + QLatin1Char('/') + QLatin1String(folder) + QStringLiteral(".pretty"));
    library.buildFootprintIndex();
    const QStringList names{"SOT-23", "SOIC-8_3.9x4.9mm_P1.27mm", "TSSOP-20_4.4x6.5mm_P0.65mm",
                            "QFN-16-1EP_3x3mm_P0.5mm_EP1.75x1.75mm", "R_0603_1608Metric", "C_0805_2012Metric"};
    QMap<QString, PlacedComponentData> components;
    int pads = 0;
    for (int c = 0; c < count; ++c) {
        const double angle = 2.4 * c, reach = 0.25 * (c % 8);
        const gp_Pnt at(middle.X() + reach * std::cos(angle), middle.Y() + reach * std::sin(angle), middle.Z());
        const QString ref = QStringLiteral("U%1").arg(c + 1);
        PlacedComponentData placed =
            library.createPlacedComponent(ref, names.at(c % names.size()), at, DesignFixture::headlessContext());
        if (placed.hasMissingFootprint) {
            state.SkipWithError("KiCad footprints missing");
            return;
        }
        pads += int(placed.pads.size());
        components.insert(ref, placed);
    }
    AssemblyInput input;
    input.mainPart = part;
    input.components = &components;
    QList<TopoDS_Shape> tools, bodies;
    for (const CollectedVolume& volume : StepExporter::collectVolumes(input, ExportOptions())) {
        tools.append(volume.shape);
        if (volume.kind == BodyVolume)
            bodies.append(volume.shape);
    }
    const auto cpuNow = [] {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
    };
    for (auto _ : state) {
        double cpu = cpuNow();
        const Measured all = measured([&] { benchmark::DoNotOptimize(Carving::detail::cutInRounds(input.mainPart, tools, 0.001)); });
        const double allCpu = cpuNow() - cpu;
        cpu = cpuNow();
        const Measured alone = measured([&] { benchmark::DoNotOptimize(Carving::detail::cutInRounds(input.mainPart, bodies, 0.001)); });
        const double aloneCpu = cpuNow() - cpu;
        QTemporaryDir dir;
        StepExportSummary summary;
        cpu = cpuNow();
        const Measured exported = measured(
            [&] { summary = StepExporter::exportStep(dir.filePath(QStringLiteral("pile.step")), input, ExportOptions()); });
        state.counters["pads"] = pads;
        state.counters["cut_cpu_s"] = allCpu;
        state.counters["cut_s"] = all.seconds;
        state.counters["cut_peak_MB"] = double(all.peakKb) / 1024.0;
        state.counters["x_bodies"] = allCpu / aloneCpu;
        state.counters["export_cpu_s"] = cpuNow() - cpu;
        state.counters["export_s"] = exported.seconds;
        state.counters["export_peak_MB"] = double(exported.peakKb) / 1024.0;
        state.counters["export_ok"] = summary.success;
    }
}
BENCHMARK(BM_SmallPartPile)->ArgsProduct({{6, 20}, {0, 1}})->Iterations(1)->Unit(benchmark::kSecond);

// HoldingCheck/<pads>/<square>: the check after the one cut that no cavity volume still holds
// the part's material, beside the one cut itself on the same grid of 0.3 mm pads at 0.5 mm pitch
// on a box (x_cut, wall and process CPU time), and the volumes it finds holding (0 expected).
void BM_HoldingCheck(benchmark::State& state)
{
    const int pads = int(state.range(0));
    const bool square = state.range(1) != 0;
    QTemporaryDir dir;
    const BigFootprintDesign design = gridDesign(dir.path(), pads, square, 0.0, gp_Pnt(35, 35, 15),
                                                 BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), gp_Pnt(70, 70, 15)).Shape());
    const ExportOptions options;
    QList<TopoDS_Shape> tools;
    double fuzzy = options.baseFuzzy;
    for (const CollectedVolume& volume : StepExporter::collectVolumes(design.input(), options)) {
        tools.append(volume.shape);
        fuzzy = std::min(fuzzy, StepExporter::fuzzyLadder(options.baseFuzzy, volume.featureHint).first());
    }
    const auto cpuNow = [] {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
    };
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        double cpu = cpuNow();
        const Carving::detail::Cut cut = Carving::detail::cutInRounds(design.part, tools, fuzzy);
        const double cutSeconds = seconds(timer), cutCpu = cpuNow() - cpu;
        if (cut.shape.IsNull()) {
            state.SkipWithError("one cut failed");
            return;
        }
        timer.restart();
        cpu = cpuNow();
        int holding = 0;
        for (const Carving::Weight& weight : Carving::weigh(Carving::detail::asWritten(cut.shape), tools))
            holding += !weight.known || weight.held > Carving::kHeldVolume ? 1 : 0;
        const double checkSeconds = seconds(timer), checkCpu = cpuNow() - cpu;
        state.counters["cut_s"] = cutSeconds;
        state.counters["cut_cpu_s"] = cutCpu;
        state.counters["check_s"] = checkSeconds;
        state.counters["check_cpu_s"] = checkCpu;
        state.counters["x_cut"] = checkSeconds / cutSeconds;
        state.counters["x_cut_cpu"] = checkCpu / cutCpu;
        state.counters["holding"] = holding;
    }
}
BENCHMARK(BM_HoldingCheck)
    ->Args({500, 1})
    ->Args({500, 0})
    ->Args({2000, 1})
    ->Args({2000, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    Message::DefaultMessenger()->ChangePrinters().Clear(); // the STEP writer's statistics
    return runBenchmarks<QApplication>(argc, argv);
}
