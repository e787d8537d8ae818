#include "foundation/occutils.h"

#include <BRep_Builder.hxx>
#include <BRepLib.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Solid.hxx>

namespace OccUtils {

TopoDS_Shape compoundOf(const QList<TopoDS_Shape>& shapes)
{
    BRep_Builder builder;
    TopoDS_Compound compound;
    builder.MakeCompound(compound);
    for (const TopoDS_Shape& shape : shapes)
        builder.Add(compound, shape);
    return compound;
}

TopoDS_Shape sweptSolid(const TopoDS_Shape& face, const gp_Vec& by, bool copy)
{
    BRepPrimAPI_MakePrism sweep(face, by, copy);
    if (!sweep.IsDone())
        return {};
    TopExp_Explorer solids(sweep.Shape(), TopAbs_SOLID);
    if (!solids.More())
        return {};
    TopoDS_Solid solid = TopoDS::Solid(solids.Current());
    BRepLib::OrientClosedSolid(solid);
    return solid;
}

} // namespace OccUtils
