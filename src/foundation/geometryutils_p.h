// Internal to the geometry utilities: the warning written when an exception is caught at
// the outer level of an operation.
#pragma once

#include <Bnd_Box.hxx>
#include <gp_Pnt.hxx>

#include <optional>

class TopoDS_Shape;

namespace GeometryUtils::detail {

// Call only inside a catch handler: logs the exception being handled as a warning in the
// form that matches its kind, beginning with the operation's name.
void warnCaught(const char* operation);

// Box, volume and centroid of a shape whose every face carries a triangulation that is the
// face itself (deflection 0, as a mesh part's one-triangle faces do): exact, and far cheaper
// from the triangles than by integrating over the surfaces. Nothing for any other shape.
struct MeshSummary
{
    Bnd_Box box;
    double volume = 0.0;
    gp_Pnt centroid;
};
std::optional<MeshSummary> summarizeExactMeshes(const TopoDS_Shape& shape);

} // namespace GeometryUtils::detail
