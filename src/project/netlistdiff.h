// What differs between two netlists beyond the placed components: nets that appear, vanish or
// connect other pads, component values, and any other detail (pin names, footprint texts).
#pragma once

#include <QStringList>

struct Netlist;

struct NetlistContentChanges
{
    QStringList netsAdded;    // in the new netlist's order
    QStringList netsRemoved;  // in the current netlist's order
    QStringList netsRewired;  // same name, another set of pads; new netlist's order
    QStringList valuesChanged; // references in both whose value differs, in reference order
    bool otherDetails = false; // anything else: pin names, footprint texts, duplicate nodes

    bool isEmpty() const
    {
        return netsAdded.isEmpty() && netsRemoved.isEmpty() && netsRewired.isEmpty()
            && valuesChanged.isEmpty() && !otherDetails;
    }
};

NetlistContentChanges compareNetlistContents(const Netlist& current, const Netlist& next);
