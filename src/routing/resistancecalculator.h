// Resistance between two pads of one net through the routed tracks: every usable route is
// one resistor, T junctions split their host, the network is solved by nodal analysis, and
// the two probed pads' own columns count in series. Reads its inputs, changes nothing.
#pragma once

#include "routing/resistancenetwork.h"
#include "routing/resistanceresult.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

class TopoDS_Shape;
struct NetlistNet;
struct PadId;
struct PlacedComponentData;
struct PlacedPadData;
struct RouteSegment;

class ResistanceCalculator
{
public:
    using Components = QMap<QString, PlacedComponentData>;

    double resistivityOhmCm = 2.59; // Ω·cm

    ResistanceResult compute(const PadId& a, const PadId& b, const QList<Route>& routes,
                             const Components& components, const QList<NetlistNet>& nets) const;

    // The steps of compute, open to tests.
    static bool validatePads(const PadId& a, const PadId& b, const QList<NetlistNet>& nets,
                             ResistanceResult& result);
    // The column of the pin's pad that a finished track reaches, else of its first pad.
    double padContribution(const Components& components, const PadId& pad, const QList<Route>& routes = {}) const;
    double padResistance(const PlacedComponentData& component, const PlacedPadData& pad) const;
    static int padNodeId(ResistanceNetwork& network, const PadId& pad);
    NetworkEdges buildNetwork(const QString& netName, const QList<Route>& routes,
                              const Components& components, ResistanceNetwork& network) const;
    void applyJunctionOverlaps(const QList<Route>& routes, NetworkEdges& edges) const;
    static void splitHostEdges(const QList<NetworkEdge>& edges, ResistanceNetwork& network);
    static QList<bool> reachableNodes(int start, const ResistanceNetwork& network);
    static std::optional<double> solveNetwork(const ResistanceNetwork& network,
                                              const QList<bool>& reachable, int injectionNode,
                                              int groundNode);
    static bool solveLinearSystem(QList<QList<double>>& matrix, QList<double>& rhs);

    // +inf marks an unusable route (degenerate section or coordinates).
    double routeResistance(const Route& route, const PlacedPadData* startPad,
                           const PlacedPadData* endPad) const;
    double segmentResistanceForLength(const RouteSegment& segment, double length) const;
    // Length of the segment's conductor inside the other solid, mm.
    static double overlapLength(const RouteSegment& segment, const TopoDS_Shape& other,
                                const char* operation);
    // Whether the route's end solid touches the pad solid (within the overlap tolerance).
    static bool reachesPad(const Route& route, bool atStart, const PlacedPadData& pad);
};
