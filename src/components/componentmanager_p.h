// Limits shared by the component manager's sources.
#pragma once

#include <gp_Pnt.hxx>

#include <cmath>

namespace ComponentLimits {

// Farther than this from the origin (mm) a coordinate is damage or a typing slip, not a placement.
constexpr double kMaxCoordinate = 1.0e5;

inline bool isPlausibleCoordinate(double value)
{
    return std::isfinite(value) && std::abs(value) <= kMaxCoordinate;
}

inline bool isPlausiblePosition(const gp_Pnt& p)
{
    return isPlausibleCoordinate(p.X()) && isPlausibleCoordinate(p.Y()) && isPlausibleCoordinate(p.Z());
}

} // namespace ComponentLimits
