// The resistance probe: pad checks, the network of one net's routes and the result.
#include "routing/resistancecalculator.h"

#include "model/netlist.h"
#include "model/padid.h"
#include "model/placedcomponentdata.h"
#include "model/placedpin.h"
#include "model/routerecords.h"
#include "routing/routingmanager.h"

#include <QCoreApplication>
#include <QDebug>

#include <cmath>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ResistanceCalculator", text);
}

// A route end's pad: of the pin's pads, the first the conductor reaches, else the one nearest
// the end; null when the pin is not placed.
const PlacedPadData* endPadRecord(const ResistanceCalculator::Components& components, const Route& route,
                                  bool atStart, bool& reached)
{
    reached = false;
    const auto component = components.constFind(atStart ? route.startRef : route.endRef);
    if (component == components.cend() || route.segments.isEmpty())
        return nullptr;
    const PlacedPin pin = PlacedPin::of(*component, atStart ? route.startPad : route.endPad);
    for (const PinPad& pad : pin.pads()) {
        if (ResistanceCalculator::reachesPad(route, atStart, component->pads.at(pad.index))) {
            reached = true;
            return &component->pads.at(pad.index);
        }
    }
    const PinPad* nearest = pin.nearestTo(atStart ? route.segments.first().start : route.segments.last().end);
    return nearest ? &component->pads.at(nearest->index) : nullptr;
}

QString edgeLabel(const Route& route)
{
    const QString end = route.endsOnTrack
        ? QStringLiteral("T(%1;%2;%3)")
              .arg(route.endJunction.X(), 0, 'f', 3)
              .arg(route.endJunction.Y(), 0, 'f', 3)
              .arg(route.endJunction.Z(), 0, 'f', 3)
        : PadId(route.endRef, route.endPad).toString();
    return QStringLiteral("%1 %2/%3→%4")
        .arg(route.label(), route.netName, PadId(route.startRef, route.startPad).toString(), end);
}

// The node a route end joins: its pad's node when the conductor reaches that pad, else a node
// of its own, so that a track left behind by a moved component connects nothing.
int endNode(ResistanceNetwork& network, const Route& route, bool atStart, bool reached)
{
    const PadId id = atStart ? PadId(route.startRef, route.startPad) : PadId(route.endRef, route.endPad);
    if (reached)
        return ResistanceCalculator::padNodeId(network, id);
    qWarning().noquote() << "ResistanceCalculator:" << edgeLabel(route) << "does not reach pad"
                         << id.toString() << "— end left unconnected";
    return network.freshNode();
}

} // namespace

bool ResistanceCalculator::validatePads(const PadId& a, const PadId& b,
                                        const QList<NetlistNet>& nets, ResistanceResult& result)
{
    const QString netA = netNameForPad(nets, a);
    const QString netB = netNameForPad(nets, b);
    if (!netA.isEmpty() && netA == netB) {
        result.sameNet = true;
        result.netName = netA;
        return true;
    }
    if (!netA.isEmpty() && !netB.isEmpty()) {
        result.error = tr("Pads on different nets (%1 ≠ %2) — infinite resistance").arg(netA, netB);
        return false;
    }
    const PadId& missing = netA.isEmpty() ? a : b;
    result.error = tr("Pad missing from the netlist (%1/%2)").arg(missing.ref, missing.pad);
    return false;
}

double ResistanceCalculator::padContribution(const Components& components, const PadId& pad,
                                             const QList<Route>& routes) const
{
    const auto component = components.constFind(pad.ref);
    if (component == components.cend())
        return 0.0;
    // Of a pin with several pads, the current flows through the one its tracks reach.
    const PlacedPadData* record = nullptr;
    for (int i = 0; i < routes.size() && !record; ++i) {
        const Route& route = routes.at(i);
        if (!route.isComplete)
            continue;
        for (const bool atStart : {true, false}) {
            const bool names = atStart ? PadId(route.startRef, route.startPad) == pad
                                       : !route.endsOnTrack && PadId(route.endRef, route.endPad) == pad;
            bool reached = false;
            const PlacedPadData* end = names ? endPadRecord(components, route, atStart, reached) : nullptr;
            if (reached) {
                record = end;
                break;
            }
        }
    }
    if (!record) {
        // No track reaches the pin: there is no point to be near, and its first pad stands for it.
        const PlacedPin pin = PlacedPin::of(*component, pad.pad);
        if (pin.isPlaced())
            record = &component->pads.at(pin.pads().first().index);
    }
    if (!record) {
        qWarning().noquote() << "ResistanceCalculator: pad" << pad.toString()
                             << "not found — pad contribution = 0";
        return 0.0;
    }
    return padResistance(*component, *record);
}

int ResistanceCalculator::padNodeId(ResistanceNetwork& network, const PadId& pad)
{
    const QString key = pad.toString();
    const auto found = network.nodeIds.constFind(key);
    if (found != network.nodeIds.cend())
        return *found;
    const int node = network.freshNode();
    network.nodeIds.insert(key, node);
    return node;
}

NetworkEdges ResistanceCalculator::buildNetwork(const QString& netName, const QList<Route>& routes,
                                                const Components& components,
                                                ResistanceNetwork& network) const
{
    NetworkEdges result;
    for (int index = 0; index < routes.size(); ++index) {
        const Route& route = routes.at(index);
        if (route.netName != netName || !route.isComplete)
            continue;
        bool startReached = false;
        bool endReached = false;
        const PlacedPadData* startPad = endPadRecord(components, route, true, startReached);
        const PlacedPadData* endPad = route.endsOnTrack ? nullptr : endPadRecord(components, route, false, endReached);
        const double r = routeResistance(route, startPad, endPad);
        if (!std::isfinite(r))
            continue;

        NetworkEdge edge;
        edge.route = &route;
        edge.routeIndex = index;
        edge.nodeA = endNode(network, route, true, startReached);
        edge.nodeB = route.endsOnTrack ? network.freshNode() : endNode(network, route, false, endReached);
        edge.resistance = r;
        result.positionOfRoute.insert(index, result.edges.size());
        result.edges.append(edge);
    }
    return result;
}

void ResistanceCalculator::applyJunctionOverlaps(const QList<Route>& routes, NetworkEdges& edges) const
{
    for (NetworkEdge& edge : edges.edges) {
        const Route& route = *edge.route;
        if (!route.endsOnTrack || route.segments.isEmpty())
            continue;
        JunctionHost host;
        if (!RoutingManager::hostOfJunction(routes, edge.routeIndex, host)) {
            qWarning().noquote() << "ResistanceCalculator: T junction of" << edgeLabel(route)
                                 << "without a host track — dangling end";
            continue;
        }
        const auto hostPosition = edges.positionOfRoute.constFind(host.routeIndex);
        if (hostPosition == edges.positionOfRoute.cend()) {
            qWarning().noquote() << "ResistanceCalculator: host of" << edgeLabel(route)
                                 << "carries no usable resistance — dangling end";
            continue;
        }
        edges.edges[*hostPosition].junctions.append({host.distanceAlongHost, edge.nodeB});

        const RouteSegment& last = route.segments.last();
        const TopoDS_Shape& hostSolid =
            routes.at(host.routeIndex).segments.at(host.segmentIndex).shape;
        const double overlap =
            overlapLength(last, hostSolid, "ResistanceCalculator::junctionOverlap");
        edge.resistance = std::max(0.0, edge.resistance - segmentResistanceForLength(last, overlap));
    }
}

ResistanceResult ResistanceCalculator::compute(const PadId& a, const PadId& b,
                                               const QList<Route>& routes,
                                               const Components& components,
                                               const QList<NetlistNet>& nets) const
{
    ResistanceResult result;
    if (!validatePads(a, b, nets, result))
        return result;
    const double rho = resistivityOhmCm;
    if (!(std::isfinite(rho) && rho > 0.0)) {
        result.error = tr("Invalid resistivity (%1 Ω·cm) — a positive number is needed")
                           .arg(QString::number(rho));
        return result;
    }

    // Everything is linear in the resistivity: solving for 1 Ω·cm and scaling at the end keeps
    // the conductances well within the solver's range whatever the material.
    ResistanceCalculator unit;
    unit.resistivityOhmCm = 1.0;
    const double padA = unit.padContribution(components, a, routes);
    const double padB = unit.padContribution(components, b, routes);

    ResistanceNetwork network;
    const int idA = padNodeId(network, a);
    const int idB = padNodeId(network, b);
    if (idA == idB) {
        result.connected = true;
        result.ok = true;
        return result;
    }

    NetworkEdges edges = unit.buildNetwork(result.netName, routes, components, network);
    unit.applyJunctionOverlaps(routes, edges);
    splitHostEdges(edges.edges, network);
    const QList<bool> reachable = reachableNodes(idA, network);
    if (!reachable.value(idB)) {
        result.error = tr("No routed path between %1/%2 and %3/%4").arg(a.ref, a.pad, b.ref, b.pad);
        result.padAOhm = rho * padA;
        result.padBOhm = rho * padB;
        return result;
    }

    result.connected = true;
    std::optional<double> tracks = solveNetwork(network, reachable, idA, idB);
    // A resistance is never negative: rounding noise around a short is 0, anything else
    // means the system could not be trusted.
    if (tracks && *tracks < 0.0 && *tracks > -1e-9)
        tracks = 0.0;
    if (!tracks || !std::isfinite(*tracks) || *tracks < 0.0) {
        result.error = tr("Degenerate net — calculation impossible");
        return result;
    }
    const double values[] = {rho * *tracks, rho * padA, rho * padB};
    const double total = values[0] + values[1] + values[2];
    if (!std::isfinite(total)) {
        result.error = tr("Resistance beyond the computable range (resistivity %1 Ω·cm)")
                           .arg(QString::number(rho));
        return result;
    }
    result.tracksOhm = values[0];
    result.padAOhm = values[1];
    result.padBOhm = values[2];
    result.ok = true;
    return result;
}
