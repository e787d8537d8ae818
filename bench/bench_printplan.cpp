// The print plan of 160 components on a one-solid frame part of 862 x 862 x 292 mm (most of
// them standing in its opening): the first plan, which measures what stands in the part, beside
// the floor of one boolean common per body in the same run (floor_s, x_floor); and a new layer
// height with those verdicts kept, as the plan window makes it (layer_change_ms, the mean of 20).
#include "benchmain.h"

#include "exportdesigns.h"

#include "outputs/partpresence.h"
#include "outputs/printplangenerator.h"
#include "routing/routingmanager.h"

#include <QApplication>
#include <QElapsedTimer>

#include <BRepAlgoAPI_Common.hxx>

namespace {

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) * 1e-9;
}

// As the window makes it: the tracks' solids are the routing model's kept ones.
PrintPlan planOf(const ThreeMfDesign& design, const RoutingManager& routing, PartPresence& presence,
                 double layerHeight)
{
    AssemblyInput input = design.input();
    input.routes = &routing.routes();
    input.routeShape = [&routing](const Route& route) { return routing.routeShape(route); };
    const QList<VolumeSource> volumes = PartPresence::volumesOf(input);
    if (!presence.isKnown(design.part, volumes))
        presence.update(design.part, volumes);
    const QStringList outside = presence.componentsOutside(volumes);
    return PrintPlanGenerator::generate(design.components, design.netlist.components, design.part, layerHeight,
                                        QSet<QString>(outside.cbegin(), outside.cend()));
}

void BM_PrintPlanOnAFrame(benchmark::State& state)
{
    ThreeMfDesign design;
    if (!designOrSkip(state, design, buildFrameDesign))
        return;
    RoutingManager routing;
    for (const Route& route : std::as_const(design.routes))
        routing.addRoute(route);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (const PlacedComponentData& component : std::as_const(design.components)) {
            BRepAlgoAPI_Common common(component.compositeShape->Shape(), design.part);
            benchmark::DoNotOptimize(common.IsDone());
        }
        const double floor = seconds(timer);

        PartPresence presence;
        timer.restart();
        const PrintPlan first = planOf(design, routing, presence, 0.2);
        const double firstPlan = seconds(timer);

        constexpr int kChanges = 20;
        timer.restart();
        for (int i = 0; i < kChanges; ++i)
            benchmark::DoNotOptimize(planOf(design, routing, presence, 0.1 + 0.01 * i).ok);
        const double change = seconds(timer) / kChanges;
        if (!first.ok)
            state.SkipWithError("no plan");
        state.counters["components"] = double(design.components.size());
        state.counters["outside"] = first.outsidePartCount();
        state.counters["inserted"] = first.totalInsertCount();
        state.counters["floor_s"] = floor;
        state.counters["first_plan_s"] = firstPlan;
        state.counters["x_floor"] = firstPlan / floor;
        state.counters["layer_change_ms"] = change * 1e3;
    }
}
BENCHMARK(BM_PrintPlanOnAFrame)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
