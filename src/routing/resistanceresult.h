// Answer of a resistance probe between two pads.
#pragma once

#include <QString>

struct ResistanceResult
{
    bool ok = false;        // the resistance was computed
    bool sameNet = false;   // both pads are in the netlist, on one net
    bool connected = false; // pad B is reachable from pad A (or is pad A)
    QString netName;        // the common net, when sameNet
    QString error;          // translated reason when not ok
    double tracksOhm = 0.0;
    double padAOhm = 0.0;
    double padBOhm = 0.0;

    double totalOhm() const { return tracksOhm + padAOhm + padBOhm; }
};
