// The ratsnest of the largest real netlist at hand and of synthetic boards (nets of 4 pins
// on a grid), with no track yet, so every link is unrouted. Floor: one pass over the pins
// looking their positions up, measured in the same run.
// Then one net of many pins of many pads each (a ground net of shields and split pads) beside
// its floor, the same net with one pad per pin, for growth with the pads and with the pins.
// Last, a drag step of the real design placed with KiCad's footprints while the ratsnest is
// shown (a move, the pin table read, connectivity and ratsnest) beside the move alone, and the
// whole pin table built afresh, as each refresh once rebuilt its pad tables.
#include "benchmain.h"

#include "app/ratsnest.h"
#include "components/componentmanager.h"
#include "components/footprintmanager.h"
#include "model/netlist.h"
#include "project/netconnectivity.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <AIS_InteractiveContext.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <OpenGl_GraphicDriver.hxx>
#include <V3d_Viewer.hxx>

#include <QCoreApplication>

#include <gp_Vec.hxx>

#include <cmath>

namespace {

struct Board
{
    QList<NetlistNet> nets;
    PinTable positions;
};

PlacedPin pinAt(const QList<gp_Pnt>& points)
{
    QList<PinPad> pads;
    for (const gp_Pnt& point : points)
        pads.append(PinPad{int(pads.size()), point, point, {}, {}, {}});
    return PlacedPin(pads);
}

Board syntheticBoard(int netCount, int pinsPerNet)
{
    Board board;
    int pin = 0;
    for (int n = 0; n < netCount; ++n) {
        NetlistNet net;
        net.netName = QStringLiteral("N%1").arg(n);
        for (int p = 0; p < pinsPerNet; ++p, ++pin) {
            const PadId id(QStringLiteral("U%1").arg(pin / 8), QString::number(pin % 8));
            net.connectedPins.append(id);
            // Pins of one net are scattered over the board, as on a real one.
            const int slot = (pin * 7919) % (netCount * pinsPerNet);
            board.positions.insert(id, pinAt({gp_Pnt(slot % 50 * 2.54, slot / 50 * 2.54, 0)}));
        }
        board.nets.append(net);
    }
    return board;
}

Board realBoard()
{
    Board board;
    Netlist netlist;
    QString error;
    ProjectManager::loadNetlist(QStringLiteral(VTQ_BENCH_DATA_DIR "/netlists/complex_hierarchy.net"), netlist, error);
    board.nets = netlist.connections;
    int i = 0;
    for (const NetlistNet& net : board.nets)
        for (const PadId& pin : net.connectedPins)
            if (!board.positions.contains(pin)) {
                board.positions.insert(pin, pinAt({gp_Pnt(i % 30 * 2.54, i / 30 * 2.54, 0)}));
                ++i;
            }
    return board;
}

const Board& board(int netCount)
{
    static const Board real = realBoard();
    static QMap<int, Board> synthetic;
    if (netCount == 0)
        return real;
    if (!synthetic.contains(netCount))
        synthetic.insert(netCount, syntheticBoard(netCount, 4));
    return synthetic[netCount];
}

void setCounters(benchmark::State& state, const Board& b)
{
    int pins = 0;
    for (const NetlistNet& net : b.nets)
        pins += int(net.connectedPins.size());
    state.counters["nets"] = double(b.nets.size());
    state.counters["pins"] = pins;
}

void BM_PinLookupFloor(benchmark::State& state)
{
    const Board& b = board(int(state.range(0)));
    for (auto _ : state) {
        double sum = 0.0;
        for (const NetlistNet& net : b.nets)
            for (const PadId& pin : net.connectedPins)
                sum += b.positions.value(pin).pads().value(0).position.X();
        benchmark::DoNotOptimize(sum);
    }
    setCounters(state, b);
}
BENCHMARK(BM_PinLookupFloor)->Arg(0)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Ratsnest(benchmark::State& state)
{
    const Board& b = board(int(state.range(0)));
    NetConnectivity connectivity;
    connectivity.build(RoutingManager(), nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(computeRatsnest(b.nets, b.positions, connectivity).totalLinks);
    setCounters(state, b);
}
// 0: the real netlist; otherwise that many synthetic nets of 4 pins.
BENCHMARK(BM_Ratsnest)->Arg(0)->Arg(250)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

// One net of pinCount pins on a 5 mm grid, each of padsPerPin pads on a ring of 2 mm round
// its place; the parts stand at three heights.
Board oneNet(int pinCount, int padsPerPin)
{
    Board board;
    NetlistNet net;
    net.netName = QStringLiteral("GND");
    const int side = int(std::ceil(std::sqrt(double(pinCount))));
    for (int p = 0; p < pinCount; ++p) {
        const PadId id(QStringLiteral("J%1").arg(p), QStringLiteral("MP"));
        net.connectedPins.append(id);
        const gp_Pnt centre(p % side * 5.0, p / side * 5.0, p % 3 * 1.5);
        QList<gp_Pnt> pads;
        for (int k = 0; k < padsPerPin; ++k) {
            const double angle = 2.0 * M_PI * k / padsPerPin;
            pads.append(padsPerPin == 1 ? centre : centre.Translated(gp_Vec(2.0 * std::cos(angle), 2.0 * std::sin(angle), 0)));
        }
        board.positions.insert(id, pinAt(pads));
    }
    board.nets.append(net);
    return board;
}

void BM_RatsnestOneNet(benchmark::State& state)
{
    const Board b = oneNet(int(state.range(0)), int(state.range(1)));
    NetConnectivity connectivity;
    connectivity.build(RoutingManager(), nullptr);
    int links = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(links = computeRatsnest(b.nets, b.positions, connectivity).totalLinks);
    state.counters["pins"] = double(state.range(0));
    state.counters["pads"] = double(state.range(0) * state.range(1));
    state.counters["links"] = links;
}
// {pins, pads per pin}: the floor of one pad per pin beside ten pads per pin, at growing
// sizes, then two pins of 10,000 pads each.
BENCHMARK(BM_RatsnestOneNet)
    ->Args({200, 1})->Args({200, 10})
    ->Args({2000, 1})->Args({2000, 10})
    ->Args({20000, 1})->Args({20000, 10})
    ->Args({2, 10000})
    ->Unit(benchmark::kMillisecond);

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

struct Design
{
    Design()
        : context(new AIS_InteractiveContext(
            new V3d_Viewer(new OpenGl_GraphicDriver(opencascade::handle<Aspect_DisplayConnection>(), false))))
        , manager(footprints, context, project)
    {
        qInstallMessageHandler(quiet);
        footprints.addSearchPath(QStringLiteral("/usr/share/kicad/footprints"));
        footprints.buildFootprintIndex();
        Netlist netlist;
        QString error;
        ProjectManager::loadNetlist(QStringLiteral(VTQ_BENCH_DATA_DIR "/netlists/complex_hierarchy.net"), netlist,
                                    error);
        project.setNetlist(std::move(netlist));
        manager.generateComponents(project.netlist().components);
        moved = manager.components().firstKey();
        origin = manager.components().first().position;
    }

    void step(int i) { manager.moveComponent(moved, origin.Translated(gp_Vec(i % 7, i % 5, 0)), true); }

    opencascade::handle<AIS_InteractiveContext> context;
    FootprintManager footprints;
    ProjectManager project;
    ComponentManager manager;
    QString moved;
    gp_Pnt origin;
};

Design& design()
{
    static Design d;
    return d;
}

void setDesignCounters(benchmark::State& state, const Design& d)
{
    int pads = 0;
    for (const PlacedComponentData& component : d.manager.components())
        pads += int(component.pads.size());
    state.counters["components"] = double(d.manager.components().size());
    state.counters["pads"] = pads;
}

void BM_DragStepMoveFloor(benchmark::State& state)
{
    Design& d = design();
    int i = 0;
    for (auto _ : state)
        d.step(++i);
    setDesignCounters(state, d);
}
BENCHMARK(BM_DragStepMoveFloor)->Unit(benchmark::kMillisecond);

void BM_DragStepWithRatsnest(benchmark::State& state)
{
    Design& d = design();
    NetConnectivity connectivity;
    int i = 0;
    for (auto _ : state) {
        d.step(++i);
        const PinTable pins = d.manager.pins();
        connectivity.build(d.project.routingManager(), &pins);
        benchmark::DoNotOptimize(computeRatsnest(d.project.netlist().connections, pins, connectivity).totalLinks);
    }
    setDesignCounters(state, d);
}
BENCHMARK(BM_DragStepWithRatsnest)->Unit(benchmark::kMillisecond);

void BM_WholePinTable(benchmark::State& state)
{
    Design& d = design();
    for (auto _ : state) {
        PinTable pins;
        for (const PlacedComponentData& component : d.manager.components()) {
            const QHash<QString, PlacedPin> own = PlacedPin::allOf(component);
            for (auto pin = own.cbegin(); pin != own.cend(); ++pin)
                pins.insert(PadId(component.ref, pin.key()), pin.value());
        }
        benchmark::DoNotOptimize(pins.size());
    }
    setDesignCounters(state, d);
}
BENCHMARK(BM_WholePinTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
