// A horizontal run of a track (consecutive horizontal segments of one section at one height)
// is a plan outline swept upward: straight sides, flat ends, a round on the outer side of each
// bend. Built as one face and one prism, it costs a fraction of uniting its boxes and rounds.
#pragma once

#include <QList>

#include <gp_XY.hxx>

#include <vector>

class TopoDS_Face;
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
// The union of the solids of segments first..last (a run) and the rounds of their bends, or
// null where the outline would not be a simple one (sharp folds, segments too short for their
// bends, a run that comes back near itself) or has more edges than one face should hold: the
// caller then traces it.
TopoDS_Shape runSolid(const QList<RouteSegment>& segments, int first, int last);

// The same union for any run (folds, legs drawn again over themselves, steps shorter than the
// width, a run that meets or closes on itself), its outline traced in plan and swept up once;
// null where that outline is not one face with holes: the caller then unites the pieces.
TopoDS_Shape tracedRunSolid(const QList<RouteSegment>& segments, int first, int last);

// A run as the straight legs its outline follows, every point of the run within legTolerance
// of them: steps in line, bends too slight to matter and steps shorter than that tolerance
// are gone, so no edge of the outline is shorter than it.
struct Legs
{
    std::vector<gp_XY> points; // the legs' ends; one point for a run that turns on the spot
    std::vector<bool> round;   // a bend's disc at each point
    std::vector<gp_XY> rounds; // discs of bends passed over that reach past a leg's end
    bool endsKept = false;     // a short end leg kept for the rounds near it
    double keptArea = 0.0;     // the most that rounds kept where their bends are change the area
};
double legTolerance(double width);
// Without exactEnds, a short leg at the run's end is the round's with every round near it: a
// little less volume, where the rounds kept would not trace. Without keepRounds, rounds a
// fraction of a micrometre from a leg's end are moved onto it whatever that costs, for the same.
Legs legsOf(const QList<RouteSegment>& segments, int first, int last, bool exactEnds = true,
            bool keepRounds = true);

// A horizontal face swept up by height; its planar faces carry their edges' 2D curves.
TopoDS_Shape sweptUp(const TopoDS_Face& face, double height);
void storePlanarCurves(const TopoDS_Shape& solid);

} // namespace TrackOutline
