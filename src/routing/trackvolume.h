// What a track's solid must hold, counted apart from the solid builders: every piece of a track
// (segment solids, bend rounds) stands upright between two heights, so the union's volume is,
// over each band of heights, the plan area of the outlines standing there times the band.
#pragma once

#include <QList>
#include <QString>

#include <optional>

class TopoDS_Shape;
struct RouteSegment;

namespace TrackVolume {

// The volume of the union of the track's pieces, in mm³; none when a piece does not stand
// upright (a horizontal segment whose ends are not at one height).
std::optional<double> expectedVolume(const QList<RouteSegment>& segments);

// How far a built solid may stray from expectedVolume: the traced outline puts the rounds of
// its bends on facets within a small fraction of the width.
double allowance(const QList<RouteSegment>& segments, double expected);

// What is wrong with a track's built solid; empty when it holds the copper its segments make,
// in one piece, or when that cannot be counted (translated, in the context "RoutingManager").
QString faultOf(const QList<RouteSegment>& segments, const TopoDS_Shape& solid);

} // namespace TrackVolume
