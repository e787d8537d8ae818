// Where a placed pad sits: the point tracks attach to and the box of its solid.
#pragma once

#include "model/padid.h"

#include <Bnd_Box.hxx>
#include <gp_Pnt.hxx>

#include <QHash>

struct PadGeometry
{
    gp_Pnt basePoint;
    Bnd_Box box;
};

using PadGeometryTable = QHash<PadId, PadGeometry>;
