// Resistance probe across one net of N routes, a quarter of them T junctions: straight, U-shaped
// and staircase routes chain the pads of a row, and each straight one carries one T branch
// from a pad of its own. The probe runs from the first pad to the last. The floor is one solid
// boolean common of two boxes with its volume, the measurement each overlap would cost
// without the box shortcut.
#include "model/netlist.h"
#include "routing/resistancecalculator.h"
#include "trackfixtures.h"

#include <BRepAlgoAPI_Common.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <gp_Ax2.hxx>
#include <GProp_GProps.hxx>

#include <benchmark/benchmark.h>

using namespace TrackFixtures;

namespace {

constexpr double kPitch = 10.0;

struct ProbeNet
{
    QList<Route> routes;
    ResistanceCalculator::Components components;
    QList<NetlistNet> nets;
    PadId first, last;
};

// The same pad as a 3 mm cylinder.
PlacedComponentData roundPadComponent(const QString& ref, const gp_Pnt& at)
{
    PlacedComponentData c = boxPadComponent(ref, at, 3.0, 0.0, QStringLiteral("circle"));
    c.pads[0].placedShape = BRepPrimAPI_MakeCylinder(
        gp_Ax2(gp_Pnt(at.X(), at.Y(), at.Z() - c.footprintThickness), gp::DZ()), 1.5,
        c.footprintThickness + c.bodyUndercut).Shape();
    return c;
}

PadId rowPad(int i) { return PadId(QStringLiteral("P%1").arg(i), QStringLiteral("1")); }
PadId branchPad(int j) { return PadId(QStringLiteral("Q%1").arg(j), QStringLiteral("1")); }

ProbeNet makeNet(int routeCount, bool roundPads = false)
{
    const auto pad = [roundPads](const QString& ref, const gp_Pnt& at) {
        return roundPads ? roundPadComponent(ref, at) : boxPadComponent(ref, at);
    };
    ProbeNet net;
    NetlistNet netlistNet{QStringLiteral("N"), {}};
    const int junctions = routeCount / 4;
    const int chain = routeCount - junctions;
    for (int i = 0; i <= chain; ++i) {
        net.components.insert(rowPad(i).ref, pad(rowPad(i).ref, gp_Pnt(i * kPitch, 0, 0)));
        netlistNet.connectedPins.append(rowPad(i));
    }
    int branches = 0;
    for (int i = 0; i < chain; ++i) {
        const double x0 = i * kPitch;
        const double x1 = x0 + kPitch;
        QList<RouteSegment> segments;
        switch (i % 3) {
        case 0:
            segments = {horizontal(x0, 0, x1, 0, -1)};
            break;
        case 1:
            segments = {horizontal(x0, 0, x0, 5, -1), horizontal(x0, 5, x1, 5, -1), horizontal(x1, 5, x1, 0, -1)};
            break;
        default:
            segments = {horizontal(x0, 0, x0 + 3, 0, -1), vertical(x0 + 3, 0, -1, 3),
                        horizontal(x0 + 3, 0, x0 + 7, 0, 2), vertical(x0 + 7, 0, 3, -1),
                        horizontal(x0 + 7, 0, x1, 0, -1)};
        }
        net.routes.append(route(QStringLiteral("N"), rowPad(i), rowPad(i + 1), segments));
        if (i % 3 == 0 && branches < junctions) {
            const PadId q = branchPad(branches++);
            const double x = x0 + kPitch / 2;
            net.components.insert(q.ref, pad(q.ref, gp_Pnt(x, -12, 0)));
            netlistNet.connectedPins.append(q);
            net.routes.append(junctionRoute(QStringLiteral("N"), q, gp_Pnt(x, 0, -1),
                                            {horizontal(x, -12, x, 0, -1)}));
        }
    }
    net.nets = {netlistNet};
    net.first = rowPad(0);
    net.last = rowPad(chain);
    return net;
}

void probe(benchmark::State& state, bool roundPads)
{
    const ProbeNet net = makeNet(static_cast<int>(state.range(0)), roundPads);
    const ResistanceCalculator calculator;
    for (auto _ : state) {
        const ResistanceResult r =
            calculator.compute(net.first, net.last, net.routes, net.components, net.nets);
        if (!r.ok)
            state.SkipWithError(r.error.toUtf8().constData());
        benchmark::DoNotOptimize(r.tracksOhm);
    }
    state.counters["routes"] = static_cast<double>(net.routes.size());
    state.SetComplexityN(state.range(0));
}

void BM_ProbeAcrossNet(benchmark::State& state)
{
    probe(state, false);
}
BENCHMARK(BM_ProbeAcrossNet)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Arg(800)
    ->Unit(benchmark::kMillisecond)->Complexity();

void BM_ProbeAcrossNetRoundPads(benchmark::State& state)
{
    probe(state, true);
}
BENCHMARK(BM_ProbeAcrossNetRoundPads)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Arg(800)
    ->Unit(benchmark::kMillisecond)->Complexity();

void BM_FloorBooleanCommon(benchmark::State& state)
{
    const TopoDS_Shape a = BRepPrimAPI_MakeBox(gp_Pnt(0, -1, -1), 10, 2, 1).Shape();
    const TopoDS_Shape b = BRepPrimAPI_MakeBox(gp_Pnt(-1.5, -1.5, -1), 3, 3, 1.4).Shape();
    for (auto _ : state) {
        BRepAlgoAPI_Common common(a, b);
        common.SetFuzzyValue(1e-3);
        common.Build();
        GProp_GProps props;
        BRepGProp::VolumeProperties(common.Shape(), props, false, false, false);
        benchmark::DoNotOptimize(props.Mass());
    }
}
BENCHMARK(BM_FloorBooleanCommon)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
