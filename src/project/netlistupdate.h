// What "Update from netlist" would change: components added, removed, re-footprinted,
// and track ends that no longer match the new nets.
#pragma once

#include "model/padid.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

class PinNetIndex;
struct NetlistNet;
struct Route;

struct NetlistUpdate
{
    enum StaleKind { ComponentRemoved = 0, NetChanged = 1 };

    struct FootprintChange
    {
        QString ref;
        QString currentFootprint;
        QString newFootprint;
    };

    struct StaleTrackEnd
    {
        int routeIndex = -1;
        qint64 routeId = 0;
        QString routeNet;
        PadId pad;
        int kind = ComponentRemoved;
        QString newNet; // kind NetChanged only; empty when the pad is on no net
    };

    QList<QString> added;
    QList<QString> removed;
    QList<FootprintChange> footprintChanges;
    QList<StaleTrackEnd> staleTrackEnds;
    int keptCount = 0;

    // Number of tracks with at least one stale end.
    int affectedRouteCount() const;
};

// Maps go from reference to (normalised) footprint name; compared exactly as passed.
void computeNetlistUpdate(NetlistUpdate& out, const QMap<QString, QString>& currentFootprints,
                          const QMap<QString, QString>& newFootprints,
                          const QList<NetlistNet>& newNets, const QList<Route>& routes);

// newNets: the new nets, indexed once for all the ends checked.
void checkRouteEndAgainstNetlist(const Route& route, int routeIndex, const PadId& pad,
                                 const QMap<QString, QString>& newFootprints,
                                 const PinNetIndex& newNets,
                                 QList<NetlistUpdate::StaleTrackEnd>& staleEnds);
