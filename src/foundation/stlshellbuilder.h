// Builds closed shells straight from an indexed triangle mesh: one vertex per node, one edge
// per node pair shared by its two faces, one plane per triangle. This is what sewing loose
// faces would produce for a closed mesh, at a fraction of the cost; a mesh sewing could
// treat differently (open, non-manifold) is
// refused so that the caller sews it instead. Nodes within the tolerance are expected to be
// welded beforehand.
#pragma once

#include <Message_ProgressRange.hxx>
#include <TopoDS_Shape.hxx>

struct StlMesh;

class StlShellBuilder
{
public:
    // The solid (or compound of solids), outward oriented, every face carrying its triangle as
    // its exact triangulation: the shells combined by their orientations (see
    // shellnesting.h); a null shape when the mesh needs sewing. valid, when given, receives the OpenCASCADE analyzer's verdict on the
    // result: what the construction guarantees (closed shells, each edge run both ways) is
    // not checked again, and the analyzer itself runs only on faces whose numbers come near
    // its tolerance. A cancel gives a null shape too: the caller asks the progress which.
    // crossing, when given, is set where the mesh is one shell that passes through itself and
    // its signed volume lies outside what its winding encloses: no solid of its faces can hold
    // what the mesh means, and the check sewing ends with refuses it too. The shell then comes
    // back as it is, no solid, for the caller to report.
    static TopoDS_Shape build(const StlMesh& mesh, double tolerance, bool* valid = nullptr,
                              const Message_ProgressRange& progress = {}, bool* crossing = nullptr);
};
