// Builds closed shells straight from an indexed triangle mesh: one vertex per node, one edge
// per node pair shared by its two faces, one plane per triangle. This is what sewing loose
// faces would produce for a clean mesh, at a fraction of the cost; any mesh sewing could
// treat differently (open, non-manifold, nodes or slivers within the tolerance) is refused
// so that the caller sews it instead.
#pragma once

#include <TopoDS_Shape.hxx>

struct StlMesh;

class StlShellBuilder
{
public:
    // The solid (or compound of solids, one per connected shell), outward oriented; a null
    // shape when the mesh needs sewing.
    static TopoDS_Shape build(const StlMesh& mesh, double tolerance);

    // Gives every face of a shape made by build() its triangle as its exact triangulation,
    // and its edges their polygons on it, so that neither the viewer nor the mesher re-meshes
    // it. Kept apart from build() because the meshes are a third of the part's memory and
    // need not be alive while it is checked.
    static void attachTriangulations(const TopoDS_Shape& built);

    // The OpenCASCADE validity check of a shape made by build(), run face by face and then
    // on its shells and solids: the same checks as one analyzer over the whole shape, whose
    // bookkeeping costs seconds and gigabytes on large meshes.
    static bool isValid(const TopoDS_Shape& built);
};
