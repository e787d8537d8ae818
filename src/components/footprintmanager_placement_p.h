// Small helpers shared by component creation and the visual transactions.
#pragma once

#include <gp_Pnt.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>

#include <cmath>

namespace FootprintPlacement {

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
