#include "foundation/sewnsolids.h"

#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_MakeSolid.hxx>
#include <BRepGProp.hxx>
#include <BRepLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Solid.hxx>

#include <algorithm>
#include <cmath>

namespace {

// Faces lying on one another cancel out: what is left of their volume is rounding, which
// grows with the cube of the shell's size.
bool enclosesNoVolume(const TopoDS_Solid& solid)
{
    Bnd_Box box;
    BRepBndLib::Add(solid, box);
    const double size = box.IsVoid() ? 0.0 : std::sqrt(box.SquareExtent());
    GProp_GProps props;
    BRepGProp::VolumeProperties(solid, props);
    return std::abs(props.Mass()) <= std::max(1e-7, 1e-12 * size * size * size);
}

} // namespace

SewnSolids solidsOfShells(const TopoDS_Shape& sewn)
{
    SewnSolids result;
    BRep_Builder builder;
    TopoDS_Compound solids;
    builder.MakeCompound(solids);
    TopoDS_Solid lastSolid;
    for (TopExp_Explorer ex(sewn, TopAbs_SHELL); ex.More(); ex.Next()) {
        try {
            const TopoDS_Shell& shell = TopoDS::Shell(ex.Current());
            BRepBuilderAPI_MakeSolid makeSolid(shell);
            if (!makeSolid.IsDone())
                continue;
            TopoDS_Solid solid = makeSolid.Solid();
            if (solid.IsNull())
                continue;
            if (BRep_Tool::IsClosed(shell) && enclosesNoVolume(solid)) {
                ++result.flatShellCount;
                continue;
            }
            BRepLib::OrientClosedSolid(solid);
            builder.Add(solids, solid);
            lastSolid = solid;
            ++result.solidCount;
        } catch (...) {
            // A shell that cannot become a solid stays out of the solids.
        }
    }
    if (result.solidCount == 1)
        result.shape = lastSolid;
    else if (result.solidCount > 1)
        result.shape = solids;
    return result;
}

double sewingToleranceFor(const Bnd_Box& box)
{
    if (box.IsVoid())
        return 0.001;
    const double t = std::sqrt(box.SquareExtent()) * 0.0001;
    if (t < 0.0001)
        return 0.0001;
    return std::min(t, 1.0);
}
