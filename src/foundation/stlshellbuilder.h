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

// What the builder made of the mesh, and what it found there.
struct StlShells
{
    // The solid (or compound of solids), outward oriented, every face carrying its triangle as
    // its exact triangulation; or, where no solid can hold what the mesh means, its closed shells
    // as they are. Null when the mesh needs sewing, or on Cancel (the caller asks the progress).
    TopoDS_Shape shape;
    bool solid = false;           // the shape holds solids
    bool valid = false;           // the OpenCASCADE analyzer's verdict on a solid
    bool throughItself = false;   // a shell passes through itself: no solid, the shells as they are
    bool notUnited = false;       // shells touch or cross and booleans could not unite them: no solid
    long facePairs = 0;           // notUnited for its size: the pairs of faces that may meet
    bool crossingUnknown = false; // triangles crowd too densely to finish the check for the above
    bool voidOutside = false;     // material enclosed only by shells facing inward (a void past its body)
    int copies = 0;               // closed shells repeating another one, taken with it as one
};

class StlShellBuilder
{
public:
    // The shells combined by their orientations (see shellnesting.h): what the construction
    // guarantees (closed shells, each edge run both ways) is not checked again, and the analyzer
    // itself runs only on faces whose numbers come near its tolerance. A shell that passes through
    // itself encloses, by its signed volume, other than what a slicer prints, and no solid of its
    // faces can hold what the mesh means: the shells then come back as they are, for the caller
    // to report. Copies of one shell are one shell, turned by their number.
    static StlShells build(const StlMesh& mesh, double tolerance, const Message_ProgressRange& progress = {});
};
