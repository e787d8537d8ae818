// Where a placed pad sits: the point tracks attach to, its solid and the box of that solid.
#pragma once

#include "model/padid.h"

#include <Bnd_Box.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>

#include <QHash>

struct PadGeometry
{
    gp_Pnt basePoint;
    Bnd_Box box;
    TopoDS_Shape solid; // whether a track reaches the pad is decided on it; the box only sorts out
};

using PadGeometryTable = QHash<PadId, PadGeometry>;
