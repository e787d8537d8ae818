// Small helpers and measures shared by the solids, component creation and the visual transactions.
#pragma once

#include <Bnd_Box.hxx>
#include <Standard_Handle.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

#include <cmath>

class AIS_InteractiveContext;
struct FootprintPad;

namespace FootprintPlacement {

constexpr double kZeroLength = 1e-7;  // mm
// The substitute body of a component without a usable footprint: a square box on the surface.
constexpr double kFallbackSize = 5.0;   // mm, X and Y
constexpr double kFallbackHeight = 3.0; // mm

inline bool isFinitePoint(const gp_Pnt& p)
{
    return std::isfinite(p.X()) && std::isfinite(p.Y()) && std::isfinite(p.Z());
}

inline gp_Trsf translation(double x, double y, double z)
{
    gp_Trsf move;
    move.SetTranslation(gp_Vec(x, y, z));
    return move;
}

struct SharedPadSolid
{
    TopoDS_Shape solid;
    Bnd_Box box; // of the solid, measured once for every pad that shares it
};

// A pad's local solid, shared by every pad of the same shape, size, rotation and heights, and
// meshed as the viewer wants it; a null solid when the pad cannot be built.
SharedPadSolid sharedPadSolid(const FootprintPad& pad, double thickness, double undercut,
                              const opencascade::handle<AIS_InteractiveContext>& context);

// The local solid placed by the transform: an outer shape of its own over the local solid's
// faces and mesh, so that showing it meshes nothing again. Null on failure.
TopoDS_Shape placedPadSolid(const TopoDS_Shape& localSolid, const gp_Trsf& transform, const char* operation);

} // namespace FootprintPlacement
