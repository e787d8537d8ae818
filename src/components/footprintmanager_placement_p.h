// Small helpers and measures shared by the solids, component creation and the visual transactions.
#pragma once

#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

#include <cmath>

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

} // namespace FootprintPlacement
