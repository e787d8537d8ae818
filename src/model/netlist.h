// The imported netlist: components with their pins, and the nets in file order.
#pragma once

#include "model/padid.h"

#include <QList>
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

// Name of the first net (in list order) that lists the pad; empty when none does.
QString netNameForPad(const QList<NetlistNet>& nets, const PadId& pad);
