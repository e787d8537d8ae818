// Where a placed pin's copper sits. A footprint may give one number to several copper pads
// (mounting pads, shields, an exposed pad in pieces); KiCad makes them one pin, and so do we:
// every table here holds all of them, in footprint order.
#pragma once

#include "model/padid.h"

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

#include <QHash>
#include <QList>

// One copper pad: the point tracks attach to, its solid and the box of that solid.
struct PadGeometry
{
    gp_Pnt basePoint;
    Bnd_Box box;
    TopoDS_Shape solid; // whether a track reaches the pad is decided on it; the box only sorts out
};

// Every copper pad of each pin; a pin in the table has at least one.
using PadGeometryTable = QHash<PadId, QList<PadGeometry>>;
// Every pad position of each pin; a pin in the table has at least one.
using PadPositionTable = QHash<PadId, QList<gp_Pnt>>;

// The position nearest to point (the first of equals); -1 for an empty list.
inline int nearestPosition(const QList<gp_Pnt>& positions, const gp_Pnt& point)
{
    int best = -1;
    double bestDistance = 0.0;
    for (int i = 0; i < positions.size(); ++i) {
        const double d = positions.at(i).SquareDistance(point);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}
