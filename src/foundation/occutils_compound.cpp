#include "foundation/occutils.h"

#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>

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

} // namespace OccUtils
