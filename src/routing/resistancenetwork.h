// The resistor network of one net, as built for a resistance probe.
#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

struct Route;

struct ConductanceEdge
{
    int nodeA = 0;
    int nodeB = 0;
    double conductance = 0.0; // siemens
};

struct ResistanceNetwork
{
    int nodeCount = 0;
    QMap<QString, int> nodeIds; // pad nodes by "ref/pad"; junction and dangling nodes have no key
    QList<ConductanceEdge> conductances;

    int freshNode() { return nodeCount++; }
};

// A T junction that another route makes on a host route.
struct HostSplitPoint
{
    double position = 0.0; // mm along the host from its start
    int node = 0;
};

// One usable route of the net.
struct NetworkEdge
{
    const Route* route = nullptr; // borrowed from the caller's route list
    int routeIndex = -1;
    int nodeA = 0;
    int nodeB = 0;
    double resistance = 0.0; // corrected, ohms
    QList<HostSplitPoint> junctions;
};

struct NetworkEdges
{
    QList<NetworkEdge> edges;
    QHash<int, int> positionOfRoute; // routeIndex -> position in edges
};
