// Internal to the geometry utilities: the warning written when an exception is caught at
// the outer level of an operation.
#pragma once

class TopoDS_Shape;

namespace GeometryUtils::detail {

// Call only inside a catch handler: logs the exception being handled as a warning in the
// form that matches its kind, beginning with the operation's name.
void warnCaught(const char* operation);

// True when every face carries a triangulation that is the face itself (deflection 0, as
// a mesh part's one-triangle faces do): properties are then exact and far cheaper to take
// from the triangles than by integrating over the surfaces.
bool facesAreTheirMeshes(const TopoDS_Shape& shape);

} // namespace GeometryUtils::detail
