// Nodal analysis of the resistor network: conductances, reachability and elimination.
#include "routing/resistancecalculator.h"

#include "model/routerecords.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinResistance = 1e-12;
constexpr double kShortConductance = 1e12;
constexpr double kZeroLength = 1e-7;
constexpr double kSingularPivot = 1e-15;

void addConductance(ResistanceNetwork& network, int a, int b, double resistance)
{
    if (a == b)
        return;
    network.conductances.append(
        {a, b, resistance < kMinResistance ? kShortConductance : 1.0 / resistance});
}

double geometricLength(const Route& route)
{
    double total = 0.0;
    for (const RouteSegment& segment : route.segments)
        total += segment.start.Distance(segment.end);
    return total;
}

} // namespace

void ResistanceCalculator::splitHostEdges(const QList<NetworkEdge>& edges, ResistanceNetwork& network)
{
    for (const NetworkEdge& edge : edges) {
        const double r = std::max(edge.resistance, kMinResistance);
        if (edge.junctions.isEmpty()) {
            if (edge.nodeA != edge.nodeB)
                network.conductances.append({edge.nodeA, edge.nodeB, 1.0 / r});
            continue;
        }
        QList<HostSplitPoint> junctions = edge.junctions;
        std::stable_sort(junctions.begin(), junctions.end(),
                         [](const HostSplitPoint& x, const HostSplitPoint& y) {
                             return x.position < y.position;
                         });
        const double total = edge.route ? geometricLength(*edge.route) : 0.0;
        const auto share = [&](double from, double to) {
            return total > kZeroLength ? r * std::max(0.0, to - from) / total : 0.0;
        };
        int previous = edge.nodeA;
        double previousPosition = 0.0;
        for (const HostSplitPoint& junction : junctions) {
            if (previous != junction.node) {
                addConductance(network, previous, junction.node,
                               share(previousPosition, junction.position));
                previous = junction.node;
            }
            previousPosition = junction.position;
        }
        addConductance(network, previous, edge.nodeB, share(previousPosition, total));
    }
}

QList<bool> ResistanceCalculator::reachableNodes(int start, const ResistanceNetwork& network)
{
    QList<bool> reached(network.nodeCount, false);
    if (start < 0 || start >= network.nodeCount)
        return reached;
    QList<QList<int>> neighbours(network.nodeCount);
    for (const ConductanceEdge& edge : network.conductances) {
        neighbours[edge.nodeA].append(edge.nodeB);
        neighbours[edge.nodeB].append(edge.nodeA);
    }
    QList<int> stack{start};
    reached[start] = true;
    while (!stack.isEmpty()) {
        const int node = stack.takeLast();
        for (const int next : std::as_const(neighbours.at(node))) {
            if (!reached.at(next)) {
                reached[next] = true;
                stack.append(next);
            }
        }
    }
    return reached;
}

std::optional<double> ResistanceCalculator::solveNetwork(const ResistanceNetwork& network,
                                                         const QList<bool>& reachable,
                                                         int injectionNode, int groundNode)
{
    // Nodes joined by a short are one node: a 1e12 S conductance beside the millisiemens of
    // printed tracks would leave the elimination only a few significant digits.
    QList<int> merged(network.nodeCount);
    for (int node = 0; node < network.nodeCount; ++node)
        merged[node] = node;
    const auto root = [&merged](int node) {
        while (merged.at(node) != node)
            node = merged[node] = merged.at(merged.at(node));
        return node;
    };
    for (const ConductanceEdge& edge : network.conductances)
        if (edge.conductance >= kShortConductance)
            merged[root(edge.nodeA)] = root(edge.nodeB);
    if (injectionNode < 0 || injectionNode >= network.nodeCount || groundNode < 0
        || groundNode >= network.nodeCount)
        return std::nullopt;
    const int ground = root(groundNode);
    if (root(injectionNode) == ground && reachable.value(injectionNode))
        return 0.0;

    QList<int> variable(network.nodeCount, -1);
    int m = 0;
    for (int node = 0; node < network.nodeCount; ++node)
        if (reachable.value(node) && root(node) == node && node != ground)
            variable[node] = m++;
    const int injection = variable.value(root(injectionNode), -1);
    if (injection < 0)
        return std::nullopt;

    QList<QList<double>> g(m, QList<double>(m, 0.0));
    QList<double> rhs(m, 0.0);
    for (const ConductanceEdge& edge : network.conductances) {
        if (!reachable.value(edge.nodeA) || edge.conductance >= kShortConductance)
            continue;
        const int ia = variable.at(root(edge.nodeA));
        const int ib = variable.at(root(edge.nodeB));
        if (ia == ib && ia >= 0)
            continue; // both ends inside one shorted group
        if (ia >= 0)
            g[ia][ia] += edge.conductance;
        if (ib >= 0)
            g[ib][ib] += edge.conductance;
        if (ia >= 0 && ib >= 0) {
            g[ia][ib] -= edge.conductance;
            g[ib][ia] -= edge.conductance;
        }
    }
    rhs[injection] = 1.0;
    if (!solveLinearSystem(g, rhs))
        return std::nullopt;
    return rhs.at(injection);
}

bool ResistanceCalculator::solveLinearSystem(QList<QList<double>>& matrix, QList<double>& rhs)
{
    const int n = rhs.size();
    if (n == 0 || matrix.size() != n)
        return false;
    for (const QList<double>& row : std::as_const(matrix))
        if (row.size() != n)
            return false;
    // Raw row pointers: the rows are detached once here, not on every element access.
    QList<double*> rows(n);
    for (int i = 0; i < n; ++i)
        rows[i] = matrix[i].data();
    double* b = rhs.data();

    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int i = k + 1; i < n; ++i)
            if (std::abs(rows[i][k]) > std::abs(rows[pivot][k]))
                pivot = i;
        // Written so that a NaN pivot counts as singular too.
        if (!(std::abs(rows[pivot][k]) >= kSingularPivot))
            return false;
        std::swap(rows[k], rows[pivot]);
        std::swap(b[k], b[pivot]);
        matrix.swapItemsAt(k, pivot);
        const double* pivotRow = rows[k];
        for (int i = k + 1; i < n; ++i) {
            double* row = rows[i];
            const double f = row[k] / pivotRow[k];
            if (f == 0.0)
                continue;
            for (int j = k; j < n; ++j)
                row[j] -= f * pivotRow[j];
            b[i] -= f * b[k];
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        double sum = b[i];
        for (int j = i + 1; j < n; ++j)
            sum -= rows[i][j] * b[j];
        b[i] = sum / rows[i][i];
    }
    return true;
}
