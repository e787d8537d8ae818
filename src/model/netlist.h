// The imported netlist: components with their pins, and the nets in file order.
#pragma once

#include "model/padid.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QMap>
#include <QString>

struct NetlistPin
{
    QString number;
    QString name;
};

struct NetlistComponent
{
    QString ref;
    QString value;
    QString footprint;
    QMap<QString, NetlistPin> pins; // keyed by pin number
};

struct NetlistNet
{
    QString netName;
    QList<PadId> connectedPins; // in node order; duplicates kept
};

struct Netlist
{
    QMap<QString, NetlistComponent> components; // keyed by reference
    QList<NetlistNet> connections;              // file order

    bool isEmpty() const { return components.isEmpty() && connections.isEmpty(); }
    void clear()
    {
        components.clear();
        connections.clear();
    }
};

// The net of each pin: the first net, in list order, that lists it. Every lookup of a pin's net
// (routing, obstacles, netlist update, resistance) follows this one rule; build it once where
// many pins are asked.
class PinNetIndex
{
public:
    PinNetIndex() = default;
    explicit PinNetIndex(const QList<NetlistNet>& nets);
    // Only the given pins are indexed: far cheaper when few pins of a large netlist are asked.
    PinNetIndex(const QList<NetlistNet>& nets, const QSet<PadId>& pins);

    // Empty when no net lists the pad or the pad is invalid.
    QString netOf(const PadId& pad) const;

private:
    QHash<PadId, QString> m_net;
};

// One lookup without an index: the same rule as PinNetIndex::netOf.
QString netNameForPad(const QList<NetlistNet>& nets, const PadId& pad);
