// A horizontal run of a track (consecutive horizontal segments of one section at one height)
// is a plan outline swept upward: straight sides, flat ends, a round on the outer side of each
// bend. Built as one face and one prism, it costs a fraction of uniting its boxes and rounds.
#pragma once

#include <QList>

class TopoDS_Shape;
struct RouteSegment;

namespace TrackOutline {

// Whether segments first..last (at least one, all longer than 1e-7 mm) can form one run:
// horizontal, flat, of one width, height and Z, each starting where the previous one ends.
bool continuesRun(const RouteSegment& previous, const RouteSegment& next);
bool canStartRun(const RouteSegment& segment);

// The union of the segments' solids and the rounds of their bends, or null where the outline
// would not be a simple one (sharp folds, segments too short for their bends, a run that comes
// back near itself): the caller then unites the pieces.
TopoDS_Shape runSolid(const QList<RouteSegment>& segments, int first, int last);

} // namespace TrackOutline
