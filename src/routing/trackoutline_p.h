// What the track outline's own files share and nothing else uses.
#pragma once

#include "routing/trackoutline.h"

#include <Geom2d_Line.hxx>
#include <gp_Ax3.hxx>
#include <gp_Lin.hxx>
#include <gp_XY.hxx>

#include <cmath>

namespace TrackOutline {

// How far a traced outline may stray from the union of the run's pieces: a quarter of it to
// the legs, a quarter to the discs' facets, half to straightening its boundary.
double outlineTolerance(double width);

// A line lying in a plane, in the plane's coordinates over the same parameters: what projecting
// it would give, without the projection's cost.
Handle(Geom2d_Line) lineOnPlane(const gp_Lin& line, const gp_Ax3& plane);

// Points ahead of an anchor, taken in turn: whether a straight line from the anchor to the
// last one passes within the tolerance of every one before it.
class Cone
{
public:
    Cone(const gp_XY& anchor, double tolerance) : m_anchor(anchor), m_tolerance(tolerance) {}
    // Whether a line may end at p; false once no later point can end one.
    bool take(const gp_XY& p, bool& canEnd);

private:
    gp_XY m_anchor;
    double m_tolerance;
    gp_XY m_aim;
    bool m_aimed = false;
    double m_low = -M_PI, m_high = M_PI, m_farthest = 0.0;
};

} // namespace TrackOutline
