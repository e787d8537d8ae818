#include "project/netlistupdate.h"

#include "model/netlist.h"
#include "model/routerecords.h"

#include <QSet>

int NetlistUpdate::affectedRouteCount() const
{
    QSet<int> routes;
    for (const StaleTrackEnd& end : staleTrackEnds)
        routes.insert(end.routeIndex);
    return int(routes.size());
}

void checkRouteEndAgainstNetlist(const Route& route, int routeIndex, const PadId& pad,
                                 const QMap<QString, QString>& newFootprints,
                                 const PinNetIndex& newNets,
                                 QList<NetlistUpdate::StaleTrackEnd>& staleEnds)
{
    if (!pad.isValid())
        return;

    NetlistUpdate::StaleTrackEnd stale;
    stale.routeIndex = routeIndex;
    stale.routeId = qint64(route.id);
    stale.routeNet = route.netName;
    stale.pad = pad;

    if (!newFootprints.contains(pad.ref)) {
        stale.kind = NetlistUpdate::ComponentRemoved;
        staleEnds.append(stale);
        return;
    }
    const QString newNet = newNets.netOf(pad);
    if (newNet == route.netName)
        return;
    stale.kind = NetlistUpdate::NetChanged;
    stale.newNet = newNet;
    staleEnds.append(stale);
}

void computeNetlistUpdate(NetlistUpdate& out, const QMap<QString, QString>& currentFootprints,
                          const QMap<QString, QString>& newFootprints,
                          const QList<NetlistNet>& newNets, const QList<Route>& routes)
{
    out = NetlistUpdate();

    for (auto it = newFootprints.cbegin(); it != newFootprints.cend(); ++it) {
        const auto current = currentFootprints.constFind(it.key());
        if (current == currentFootprints.cend())
            out.added.append(it.key());
        else if (current.value() == it.value())
            ++out.keptCount;
        else
            out.footprintChanges.append({it.key(), current.value(), it.value()});
    }
    for (auto it = currentFootprints.cbegin(); it != currentFootprints.cend(); ++it) {
        if (!newFootprints.contains(it.key()))
            out.removed.append(it.key());
    }

    if (routes.isEmpty())
        return;
    // Only the pads the tracks end on are looked up.
    QSet<PadId> ends;
    for (const Route& route : routes) {
        ends.insert(PadId(route.startRef, route.startPad));
        if (!route.endsOnTrack)
            ends.insert(PadId(route.endRef, route.endPad));
    }
    const PinNetIndex pinNets(newNets, ends);
    for (int i = 0; i < routes.size(); ++i) {
        const Route& route = routes.at(i);
        checkRouteEndAgainstNetlist(route, i, PadId(route.startRef, route.startPad), newFootprints,
                                    pinNets, out.staleTrackEnds);
        if (!route.endsOnTrack)
            checkRouteEndAgainstNetlist(route, i, PadId(route.endRef, route.endPad), newFootprints,
                                        pinNets, out.staleTrackEnds);
    }
}
