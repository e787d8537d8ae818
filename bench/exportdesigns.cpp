#include "exportdesigns.h"

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

#include <algorithm>

bool buildFrameDesign(ThreeMfDesign& design, QString* why)
{
    ThreeMfDesignSpec spec;
    spec.components = 160;
    spec.partX = 190.0;
    spec.partY = 10.0 + 12.0 * ((spec.components + 17) / 18);
    spec.partZ = 292.0;
    if (!buildThreeMfDesign(spec, design, why))
        return false;
    const double z0 = spec.partBottom, z1 = spec.partBottom + spec.partZ;
    const TopoDS_Shape outer = DesignFixture::box(-336.0, -372.0, z0, 526.0, 490.0, z1);
    const TopoDS_Shape opening = DesignFixture::box(-236.0, 17.0, z0 - 1.0, 426.0, 390.0, z1 + 1.0);
    design.part = DesignFixture::nurbs(BRepAlgoAPI_Cut(outer, opening).Shape());
    return true;
}

bool buildBoxDesign(ThreeMfDesign& design, QString* why)
{
    ThreeMfDesignSpec spec;
    spec.components = 160;
    spec.partX = 190.0;
    spec.partY = 10.0 + 12.0 * ((spec.components + 17) / 18);
    return buildThreeMfDesign(spec, design, why);
}

bool buildManySolidDesign(ThreeMfDesign& design, bool withCylinders, QString* why)
{
    ThreeMfDesignSpec spec;
    spec.components = 24;
    spec.partY = 10.0 + 12.0 * ((spec.components + 8) / 9);
    if (!buildThreeMfDesign(spec, design, why))
        return false;
    const double x0 = 0.0, y0 = 0.0, z0 = spec.partBottom, z1 = spec.partBottom + spec.partZ;
    const int columns = 7, rows = 17;
    const double cellX = spec.partX / columns, cellY = spec.partY / rows;
    BRep_Builder builder;
    TopoDS_Compound part;
    builder.MakeCompound(part);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const double ax = x0 + c * cellX, ay = y0 + r * cellY;
            TopoDS_Shape block;
            if (!withCylinders || (r + c) % 2 == 0)
                block = DesignFixture::box(ax, ay, z0, ax + cellX - 1.0, ay + cellY - 1.0, z1);
            else
                block = BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(ax + cellX / 2 - 0.5, ay + cellY / 2 - 0.5, z0), gp::DZ()),
                                                 std::min(cellX, cellY) / 2 - 0.5, z1 - z0)
                            .Shape();
            builder.Add(part, DesignFixture::nurbs(block));
        }
    }
    design.part = part;
    return true;
}
