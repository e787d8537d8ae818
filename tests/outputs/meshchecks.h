// A written mesh judged as a slicer judges it: the edges left open and the volume enclosed.
#pragma once

#include "outputs/threemfexporter.h"
#include "outputs/threemfmesh.h"

class TopoDS_Shape;

namespace MeshChecks {

struct EdgeCounts
{
    int open = 0;     // run along more often one way than the other, as the slicer counts open
                      // edges: a hole's rim or a triangle turned the wrong way
    int unpaired = 0; // not exactly one triangle each way: open, or joining more than two triangles
};
EdgeCounts edgeCounts(const ShellMesh& mesh);

// Positive for outward triangles.
double enclosedVolume(const ShellMesh& mesh);

// The shape's solids meshed (deflection 0.05 mm, 0.5 rad) and checked as the 3MF export meshes
// them, in one mesh.
ShellMesh exportedMesh(const TopoDS_Shape& shape, MeshCheckCounts& counts, int& unmeshedFaces);

} // namespace MeshChecks
