// The print plan of four designs: 0, 160 components (a real netlist's KiCad footprints) sunk
// in a box part; 1, the same 160 on a one-solid frame part of 862 x 862 x 292 mm in B-splines,
// most of them standing in its opening; 2, 24 of them on a part of 119 separate B-spline solids;
// 3, the same with every other solid a cylinder (its tight box is some 4 times dearer).
// The first plan, which measures which components stand in the part (bodies and pads as carved;
// first_plan_s), beside the same work as the plan did it before that measure came in, in the
// same run: the part's tight box on a part no boolean has touched and one PartOverlap question
// per body (reference_s, x_reference; the reference shares PartOverlap's quick tests, so what
// speeds those speeds both). Then a new layer height as the plan window asks for it, with the
// verdicts and the part's box the window keeps between plans (layer_change_ms, the mean of 20;
// layer_change_x_first, its share of the first plan).
// Process CPU time beside each wall time (_cpu); the booleans left after the quick tests run
// side by side, so wall time may be below CPU time.
#include "benchmain.h"

#include "exportdesigns.h"

#include "foundation/geometryutils.h"
#include "outputs/partoverlap.h"
#include "outputs/partpresence.h"
#include "outputs/printplangenerator.h"
#include "routing/routingmanager.h"

#include <QApplication>
#include <QElapsedTimer>

#include <BRepBuilderAPI_Copy.hxx>

#include <ctime>

namespace {

// Wall and process CPU seconds since the start.
class Stopwatch
{
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = cpuNow();
    }
    double wall() const { return double(m_wall.nsecsElapsed()) * 1e-9; }
    double cpu() const { return cpuNow() - m_cpu; }

private:
    static double cpuNow()
    {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0.0;
};

enum Design { BoxPart = 0, FramePart = 1, ManySolidPart = 2, ManySolidCylinders = 3 };

bool buildDesign(Design kind, ThreeMfDesign& design, QString* why)
{
    switch (kind) {
    case FramePart:
        return buildFrameDesign(design, why);
    case ManySolidPart:
    case ManySolidCylinders:
        return buildManySolidDesign(design, kind == ManySolidCylinders, why);
    case BoxPart:
        break;
    }
    return buildBoxDesign(design, why);
}

// What the window holds between plans: the verdicts on what stands in the part, and the part's
// box (a plan without it measures the part's tight box each time: milliseconds on a part of many
// B-spline solids, where the rest of the plan takes hundredths of one).
struct WindowState
{
    PartPresence presence;
    PartBoxCache partBox;
};

// As the window makes it (MainWindow::buildPrintPlan, then planWithin), from the components'
// volumes alone.
PrintPlan planOf(const ThreeMfDesign& design, const RoutingManager& routing, WindowState& window,
                 double layerHeight)
{
    AssemblyInput input = design.input();
    input.routes = &routing.routes();
    input.routeShape = [&routing](const Route& route) { return routing.routeShape(route); };
    const QList<VolumeSource> volumes = PartPresence::componentVolumesOf(input);
    // The window asks first whether the measure is needed, to show its progress window if so.
    benchmark::DoNotOptimize(window.presence.isKnown(design.part, volumes));
    window.presence.update(design.part, volumes);
    const QStringList outside = window.presence.componentsOutside(volumes);
    return PrintPlanGenerator::generate(design.components, design.netlist.components, design.part, layerHeight,
                                        QSet<QString>(outside.cbegin(), outside.cend()), &window.partBox);
}

void BM_PrintPlan(benchmark::State& state)
{
    ThreeMfDesign design;
    const Design kind = Design(state.range(0));
    if (!designOrSkip(state, design, [kind](ThreeMfDesign& d, QString* why) { return buildDesign(kind, d, why); }))
        return;
    RoutingManager routing;
    for (const Route& route : std::as_const(design.routes))
        routing.addRoute(route);
    // The tracks on show have their solids built already.
    for (const Route& route : routing.routes())
        routing.routeShape(route);
    for (auto _ : state) {
        // Copies: what the plan leaves on the design's own shapes must not speed the reference.
        const TopoDS_Shape freshPart = BRepBuilderAPI_Copy(design.part).Shape();
        QList<TopoDS_Shape> freshBodies;
        for (const PlacedComponentData& component : std::as_const(design.components))
            freshBodies.append(BRepBuilderAPI_Copy(component.compositeShape->Shape()).Shape());
        Stopwatch watch;
        benchmark::DoNotOptimize(GeometryUtils::getTightBoundingBox(freshPart).IsVoid());
        {
            PartOverlap overlap(freshPart);
            for (const TopoDS_Shape& body : std::as_const(freshBodies))
                benchmark::DoNotOptimize(overlap.overlaps(body));
        }
        const double reference = watch.wall(), referenceCpu = watch.cpu();

        WindowState window; // a design shown for the first time
        watch.restart();
        const PrintPlan first = planOf(design, routing, window, 0.2);
        const double firstPlan = watch.wall(), firstPlanCpu = watch.cpu();

        constexpr int kChanges = 20;
        watch.restart();
        for (int i = 0; i < kChanges; ++i)
            benchmark::DoNotOptimize(planOf(design, routing, window, 0.1 + 0.01 * i).ok);
        const double change = watch.wall() / kChanges, changeCpu = watch.cpu() / kChanges;
        if (!first.ok)
            state.SkipWithError("no plan");
        state.counters["components"] = double(design.components.size());
        state.counters["outside"] = first.outsidePartCount();
        state.counters["inserted"] = first.totalInsertCount();
        state.counters["reference_s"] = reference;
        state.counters["reference_cpu_s"] = referenceCpu;
        state.counters["first_plan_s"] = firstPlan;
        state.counters["first_plan_cpu_s"] = firstPlanCpu;
        state.counters["x_reference"] = firstPlan / reference;
        state.counters["x_reference_cpu"] = firstPlanCpu / referenceCpu;
        state.counters["layer_change_ms"] = change * 1e3;
        state.counters["layer_change_cpu_ms"] = changeCpu * 1e3;
        state.counters["layer_change_x_first"] = change / firstPlan;
        state.counters["layer_change_x_first_cpu"] = changeCpu / firstPlanCpu;
    }
}
BENCHMARK(BM_PrintPlan)->Arg(BoxPart)->Arg(FramePart)->Arg(ManySolidPart)->Arg(ManySolidCylinders)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QApplication>(argc, argv);
}
