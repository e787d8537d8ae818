// A horizontal run of a track (consecutive horizontal segments of one section at one height)
// is a plan outline swept upward: straight sides, flat ends, a round on the outer side of each
// bend. A simple outline is drawn exactly and swept as a prism; any other is traced in plan as
// the union of the run's pieces and its faces built by hand. Either costs a fraction of uniting
// the pieces' solids.
#pragma once

#include <QList>

#include <gp_XY.hxx>

#include <vector>

class TopoDS_Shape;
struct RouteSegment;

namespace TrackOutline {

// A run is made of horizontal, flat segments longer than 1e-7 mm, of one width, height and Z,
// each starting where the previous one ends.
bool canStartRun(const RouteSegment& segment);
bool continuesRun(const RouteSegment& previous, const RouteSegment& next);

// Outlines of thousands of edges make every later step that walks a face's wire (healing,
// checking, cutting, the file writers and readers) slow in the square of their length: a
// longer outline is built as strips of about this many edges.
constexpr int kMostEdgesPerFace = 200;
// The union of the solids of segments first..last (a run) and the rounds of their bends: its
// outline drawn exactly (lines and true arcs), cut across its legs into faces of at most
// kMostEdgesPerFace edges where it is long, and swept up as one solid. Null where the outline
// would not be a simple one (sharp folds, segments too short for their bends, a run that comes
// back near itself) or a face cannot be built: the caller then traces it.
TopoDS_Shape runSolid(const QList<RouteSegment>& segments, int first, int last);

// The same union for any run (folds, legs drawn again over themselves, steps shorter than the
// width, a run that meets or closes on itself): the union of its legs' rectangles and its
// bends' faceted discs taken in plan on an integer grid, within outlineTolerance of the exact
// one, then swept up with its top and bottom in strips where it is long. Null where that union
// is not one piece whose holes hold no island: the caller then unites the pieces' solids.
TopoDS_Shape tracedRunSolid(const QList<RouteSegment>& segments, int first, int last);

// A run as the straight legs its outline follows, every point of the run within a
// ten-thousandth of its half width of them (half a micrometre at least): steps in line, bends too slight to matter and steps shorter than that tolerance
// are gone, so the outline's cost follows the legs, not the steps.
struct Legs
{
    std::vector<gp_XY> points; // the legs' ends; one point for a run that turns on the spot
    std::vector<bool> round;   // a bend's disc at each point
    // Discs of bends passed over that reach past a bare end of a leg.
    struct Round
    {
        gp_XY centre;
        gp_XY along; // the leg's direction
        size_t near; // the leg's end it is near
    };
    std::vector<Round> rounds;
    // How far each leg's side is moved out, left and right, to the points it passed over.
    std::vector<double> left, right;
};
// With wide set, a leg passes over points up to a quarter of the outline's tolerance off its
// line where its sides, moved out to what their pieces reach, stay near the union: a staircase
// of steps far finer than the width is one leg, not thousands of rounds that each meet
// hundreds of others.
Legs legsOf(const QList<RouteSegment>& segments, int first, int last, bool wide = false);

} // namespace TrackOutline
