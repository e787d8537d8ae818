// The ratsnest of the largest real netlist at hand and of synthetic boards (nets of 4 pins
// on a grid), with no track yet, so every link is unrouted. Floor: one pass over the pins
// looking their positions up, measured in the same run.
#include "benchmain.h"

#include "app/ratsnest.h"
#include "model/netlist.h"
#include "project/netconnectivity.h"
#include "project/projectmanager.h"
#include "routing/routingmanager.h"

#include <QCoreApplication>

namespace {

struct Board
{
    QList<NetlistNet> nets;
    PadPositionTable positions;
};

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
            board.positions.insert(id, {gp_Pnt(slot % 50 * 2.54, slot / 50 * 2.54, 0)});
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
                board.positions.insert(pin, {gp_Pnt(i % 30 * 2.54, i / 30 * 2.54, 0)});
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
                sum += b.positions.value(pin).value(0).X();
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

} // namespace

int main(int argc, char** argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
