// Components on a part with KiCad's library: generating every component of a real design
// (68 components) and of a synthetic 200-component design naming real footprints, beside the
// floor of building the same footprints' solids alone; and the burial analysis of all of them
// beside one plain BRepAlgoAPI_Common per body.
#include "benchmain.h"

#include "components/burialanalyzer.h"
#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "components/padcachemanager.h"
#include "model/footprintdata.h"
#include "model/netlist.h"
#include "model/placedcomponentdata.h"
#include "project/projectmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

#include <QCoreApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kRoot = QStringLiteral("/usr/share/kicad/footprints");
const QString kNetlist = QStringLiteral(VTQ_BENCH_DATA_DIR "/netlists/complex_hierarchy.net");

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

opencascade::handle<AIS_InteractiveContext> headlessContext()
{
    opencascade::handle<Aspect_DisplayConnection> connection;
    opencascade::handle<OpenGl_GraphicDriver> driver = new OpenGl_GraphicDriver(connection, false);
    return new AIS_InteractiveContext(new V3d_Viewer(driver));
}

const Netlist& realNetlist()
{
    static Netlist netlist;
    if (netlist.components.isEmpty()) {
        QString error;
        ProjectManager::loadNetlist(kNetlist, netlist, error);
    }
    return netlist;
}

// 200 components cycling through the real design's footprints.
const Netlist& syntheticNetlist()
{
    static Netlist netlist;
    if (netlist.components.isEmpty()) {
        QStringList footprints;
        for (const NetlistComponent& component : realNetlist().components)
            footprints << component.footprint;
        for (int i = 0; i < 200; ++i) {
            NetlistComponent component;
            component.ref = QStringLiteral("X%1").arg(i + 1);
            component.footprint = footprints.at(i % footprints.size());
            netlist.components.insert(component.ref, component);
        }
    }
    return netlist;
}

const Netlist& design(int which)
{
    return which == 0 ? realNetlist() : syntheticNetlist();
}

// A part the bodies sink into: its top at 7 mm, the components placed at 5.1 mm.
const TopoDS_Shape& part()
{
    static const TopoDS_Shape shape = BRepPrimAPI_MakeBox(gp_Pnt(-120, -120, 0), 240, 240, 7.0).Shape();
    return shape;
}

struct Scene
{
    Scene()
        : context(headlessContext())
        , padCache(context)
        , manager(footprints, context, project)
    {
        footprints.addSearchPath(kRoot);
        footprints.buildFootprintIndex();
        padCache.setComponentManager(&manager);
        QObject::connect(&manager, &ComponentManager::padCacheUpdateNeeded,
                         [this](const opencascade::handle<AIS_Shape>& shape, const PadId& pad) {
                             if (pad.pad.isEmpty())
                                 padCache.removePad(shape);
                             else
                                 padCache.addPad(shape, pad);
                         });
        QObject::connect(&manager, &ComponentManager::padCacheClearComponentNeeded,
                         [this](const QString& ref) { padCache.removeComponentPads(ref); });
    }

    opencascade::handle<AIS_InteractiveContext> context;
    FootprintManager footprints;
    ProjectManager project;
    PadCacheManager padCache;
    ComponentManager manager;
};

Scene& scene()
{
    static Scene s;
    return s;
}

void setCounters(benchmark::State& state, int components)
{
    state.counters["components"] = components;
    state.counters["per_component"] =
        benchmark::Counter(double(components), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Generation with the footprints already read (the steady state of a regeneration).
void BM_Generate(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const Netlist& netlist = design(int(state.range(0)));
    Scene& s = scene();
    s.manager.generateComponents(netlist.components); // reads the footprints once
    for (auto _ : state)
        s.manager.generateComponents(netlist.components);
    setCounters(state, int(netlist.components.size()));
    state.counters["pads_indexed"] = s.padCache.size();
}
BENCHMARK(BM_Generate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("synthetic200");

// The footprint of every component of the design that the library finds, one per component.
QList<FootprintData> footprintsOf(const Netlist& netlist, FootprintManager& library)
{
    QList<FootprintData> footprints;
    for (const NetlistComponent& component : netlist.components) {
        const QString name = FootprintManager::normalizeFootprintName(component.footprint);
        if (library.loadFootprint(name))
            footprints << library.getFootprint(name);
    }
    return footprints;
}

// Each footprint's body and pad solids, built and placed as generation places them.
QList<TopoDS_Shape> placedSolids(const QList<FootprintData>& footprints)
{
    QList<TopoDS_Shape> solids;
    int i = 0;
    for (const FootprintData& footprint : footprints) {
        gp_Trsf move;
        move.SetTranslation(gp_Vec(i++ * 0.5, 0, 5.1));
        solids << BRepBuilderAPI_Transform(FootprintManager::buildFootprintBody(footprint), move, false).Shape();
        for (const FootprintPad& pad : footprint.copperPads) {
            const TopoDS_Shape solid =
                FootprintManager::extrudePadWithUndercut(pad, footprint.thickness, footprint.bodyUndercut);
            solids << BRepBuilderAPI_Transform(solid, move, true).Shape();
        }
    }
    return solids;
}

// The floor: the same footprints' body and pad solids built and placed, nothing displayed.
void BM_SolidsFloor(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const QList<FootprintData> footprints = footprintsOf(design(int(state.range(0))), scene().footprints);
    for (auto _ : state)
        benchmark::DoNotOptimize(placedSolids(footprints));
    setCounters(state, int(footprints.size()));
}
BENCHMARK(BM_SolidsFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("synthetic200");

// Where generation's time goes: the same solids shown as viewer objects (the viewer meshes
// each one for its presentation), with nothing of the component records or the pad index.
void BM_SolidsAndDisplayFloor(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const QList<FootprintData> footprints = footprintsOf(design(int(state.range(0))), scene().footprints);
    const opencascade::handle<AIS_InteractiveContext> context = headlessContext();
    for (auto _ : state) {
        QList<opencascade::handle<AIS_Shape>> shown;
        for (const TopoDS_Shape& solid : placedSolids(footprints))
            shown << new AIS_Shape(solid);
        for (const auto& object : shown)
            context->Display(object, false);
        for (const auto& object : shown)
            context->Remove(object, false);
    }
    setCounters(state, int(footprints.size()));
}
BENCHMARK(BM_SolidsAndDisplayFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("synthetic200");

// Cold: a fresh library each time (index built outside the timing), so every footprint file
// is read and parsed, beside reading the same files and building their solids alone. The
// meshed pad solids shared by identical pads outlive a library, so they are warm after the
// first run.
void BM_GenerateCold(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const Netlist& netlist = design(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto fresh = std::make_unique<Scene>();
        state.ResumeTiming();
        fresh->manager.generateComponents(netlist.components);
        state.PauseTiming();
        fresh.reset();
        state.ResumeTiming();
    }
    setCounters(state, int(netlist.components.size()));
}
BENCHMARK(BM_GenerateCold)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("synthetic200")->Iterations(3);

void BM_ReadAndSolidsFloorCold(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    const Netlist& netlist = design(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto library = std::make_unique<FootprintManager>();
        library->addSearchPath(kRoot);
        library->buildFootprintIndex();
        state.ResumeTiming();
        for (const NetlistComponent& component : netlist.components) {
            const QString name = FootprintManager::normalizeFootprintName(component.footprint);
            if (!library->loadFootprint(name))
                continue;
            const FootprintData footprint = library->getFootprint(name);
            for (const FootprintPad& pad : footprint.copperPads)
                benchmark::DoNotOptimize(
                    FootprintManager::extrudePadWithUndercut(pad, footprint.thickness, footprint.bodyUndercut));
        }
        state.PauseTiming();
        library.reset();
        state.ResumeTiming();
    }
    setCounters(state, int(netlist.components.size()));
}
BENCHMARK(BM_ReadAndSolidsFloorCold)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->ArgName("synthetic200")
    ->Iterations(3);

// Burial of every placed component, beside one plain common of each body with the part.
void BM_BurialAll(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    Scene& s = scene();
    s.manager.generateComponents(design(int(state.range(0))).components);
    BurialAnalyzer analyzer(s.context);
    for (auto _ : state) {
        analyzer.clearResults(false, nullptr);
        analyzer.analyzeAll(s.manager.components(), part());
    }
    setCounters(state, int(s.manager.components().size()));
}
BENCHMARK(BM_BurialAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("synthetic200");

void BM_BurialFloorOneCommon(benchmark::State& state)
{
    qInstallMessageHandler(quiet);
    Scene& s = scene();
    s.manager.generateComponents(design(int(state.range(0))).components);
    QList<TopoDS_Shape> bodies;
    for (const PlacedComponentData& component : s.manager.components())
        bodies << component.compositeShape->Shape();
    for (auto _ : state) {
        for (const TopoDS_Shape& body : bodies) {
            BRepAlgoAPI_Common common(body, part());
            benchmark::DoNotOptimize(common.Shape());
        }
    }
    setCounters(state, int(bodies.size()));
}
BENCHMARK(BM_BurialFloorOneCommon)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->ArgName("synthetic200");

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
