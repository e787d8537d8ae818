// The traced outline's planar steps on the integer grid, apart so that they can be tried on
// polygons drawn for the purpose: no run of a track reaches every case they refuse.
#pragma once

#include <clipper.hpp>

#include <vector>

namespace TrackOutline::Traced {

// The union of the pieces: one outer loop counter-clockwise with its holes clockwise, or
// nothing where it is several pieces, or a hole holds an island (one face cannot carry it).
ClipperLib::Paths unionOf(const ClipperLib::Paths& pieces);

// The loops with a vertex wherever an edge crosses one of the cut lines x = c (cuts ascending);
// none where two crossings of a line fall on one point of the grid, which would pinch the
// strips there.
ClipperLib::Paths splitAt(const ClipperLib::Paths& loops, const std::vector<ClipperLib::cInt>& cuts);

// The part of the outline between the lines x = from and x = to, as the loops of its faces:
// outer loops, each followed by its holes. Every edge of the loops crossing a line must have a
// vertex on it. False where a face would hold an island.
bool stripOf(const ClipperLib::Paths& loops, ClipperLib::cInt from, ClipperLib::cInt to,
             std::vector<ClipperLib::Paths>& faces);

} // namespace TrackOutline::Traced
