#include "project/netlistdiff.h"

#include "model/netlist.h"

#include <QMap>
#include <QSet>

namespace {

using PadSet = QSet<QString>;

PadSet padsOf(const NetlistNet& net)
{
    PadSet pads;
    for (const PadId& pad : net.connectedPins)
        pads.insert(pad.ref + QLatin1Char('/') + pad.pad);
    return pads;
}

// Nets by name; a later net of the same name adds its pads to the first.
QMap<QString, PadSet> netsByName(const QList<NetlistNet>& nets, QStringList& order)
{
    QMap<QString, PadSet> byName;
    for (const NetlistNet& net : nets) {
        if (!byName.contains(net.netName))
            order << net.netName;
        byName[net.netName].unite(padsOf(net));
    }
    return byName;
}

bool samePins(const NetlistComponent& a, const NetlistComponent& b)
{
    if (a.pins.size() != b.pins.size())
        return false;
    for (auto it = a.pins.cbegin(); it != a.pins.cend(); ++it) {
        const auto other = b.pins.constFind(it.key());
        if (other == b.pins.cend() || other->name != it->name)
            return false;
    }
    return true;
}

bool sameNodeLists(const QList<NetlistNet>& a, const QList<NetlistNet>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i).netName != b.at(i).netName || a.at(i).connectedPins != b.at(i).connectedPins)
            return false;
    }
    return true;
}

} // namespace

NetlistContentChanges compareNetlistContents(const Netlist& current, const Netlist& next)
{
    NetlistContentChanges changes;

    QStringList currentOrder;
    QStringList nextOrder;
    const QMap<QString, PadSet> currentNets = netsByName(current.connections, currentOrder);
    const QMap<QString, PadSet> nextNets = netsByName(next.connections, nextOrder);
    for (const QString& name : std::as_const(nextOrder)) {
        const auto it = currentNets.constFind(name);
        if (it == currentNets.cend())
            changes.netsAdded << name;
        else if (it.value() != nextNets.value(name))
            changes.netsRewired << name;
    }
    for (const QString& name : std::as_const(currentOrder)) {
        if (!nextNets.contains(name))
            changes.netsRemoved << name;
    }

    bool componentDetails = current.components.size() != next.components.size();
    for (auto it = next.components.cbegin(); it != next.components.cend(); ++it) {
        const auto old = current.components.constFind(it.key());
        if (old == current.components.cend()) {
            componentDetails = true;
            continue;
        }
        if (old->value != it->value)
            changes.valuesChanged << it.key();
        if (old->footprint != it->footprint || !samePins(*old, *it))
            componentDetails = true;
    }

    const bool netsCounted = !changes.netsAdded.isEmpty() || !changes.netsRemoved.isEmpty()
        || !changes.netsRewired.isEmpty();
    changes.otherDetails =
        componentDetails || (!netsCounted && !sameNodeLists(current.connections, next.connections));
    return changes;
}
