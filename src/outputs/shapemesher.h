// Meshing of the exported shapes: BRepMesh_IncrementalMesh's own, except for planar faces
// pierced by many holes, such as the cavity floor under a BGA's pads.
#pragma once

#include <Message_ProgressRange.hxx>

class TopoDS_Shape;

namespace ShapeMesher {

// Planar faces with at least this many wires go to OpenCASCADE's Delabella triangulation:
// its default Delaunay slows down with the square of the boundary nodes (2,000 pad holes in
// one floor took half a minute and a gigabyte). Other faces mesh as they always did.
constexpr int kManyWires = 64;

// Meshes every face of shape (deflections as BRepMesh_IncrementalMesh takes them, absolute,
// faces in parallel), keeping a triangulation already fine enough. A break asked through
// progress leaves faces unmeshed.
void mesh(const TopoDS_Shape& shape, double linearDeflection, double angularDeflection,
          const Message_ProgressRange& progress = Message_ProgressRange());

} // namespace ShapeMesher
